#pragma once
// Text style bits as the skin's alignment words set them. The values are those of the
// Win32 DrawText flags, so the result goes to DrawText unchanged.

#include <cstdint>
#include <string>

namespace TextStyleBits {
constexpr uint32_t Left = 0x0;
constexpr uint32_t Center = 0x1;
constexpr uint32_t Right = 0x2;
constexpr uint32_t VCenter = 0x4;
constexpr uint32_t Bottom = 0x8;
constexpr uint32_t WordBreak = 0x10;
constexpr uint32_t SingleLine = 0x20;
constexpr uint32_t NoPrefix = 0x800;
constexpr uint32_t EndEllipsis = 0x8000;
}  // namespace TextStyleBits

// "left", "center" and "right" are looked for in that order and each found one replaces
// the horizontal alignment, so the last of them wins ("left right" is right-aligned).
[[nodiscard]] uint32_t ApplyHorizontalAlign(uint32_t style, const std::wstring& words);
// The same with "top", "vcenter" and "bottom".
[[nodiscard]] uint32_t ApplyVerticalAlign(uint32_t style, const std::wstring& words);
