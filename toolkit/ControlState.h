#pragma once
// State bits of the button family, edits and combo boxes: what the press tracker keeps and
// what the controls draw their looks from.

#include <cstdint>

namespace UIState {
constexpr uint32_t Focused = 0x01;
constexpr uint32_t Selected = 0x02;
constexpr uint32_t Disabled = 0x04;
constexpr uint32_t Hot = 0x08;
constexpr uint32_t Pushed = 0x10;
constexpr uint32_t Captured = 0x40;
}  // namespace UIState
