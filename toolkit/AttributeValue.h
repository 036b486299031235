#pragma once
// The value syntax shared by layout attributes, window attributes and image descriptors:
// decimal integers, lists of integers separated by single characters, hexadecimal colours.

#include "toolkit/UiGeometry.h"

#include <cstdint>
#include <string>

namespace AttributeValue {

// Decimal with an optional sign; 0 when there is no number.
[[nodiscard]] int ParseInt(const wchar_t* text);
// Up to four numbers "l,t,r,b"; missing ones stay 0.
[[nodiscard]] UiRect ParseRect(const wchar_t* text);
// Two numbers "cx,cy".
[[nodiscard]] UiSize ParseSize(const wchar_t* text);
// Hexadecimal 0xAARRGGBB after optional leading whitespace and "#".
[[nodiscard]] uint32_t ParseColor(const wchar_t* text);
// Exactly "true".
[[nodiscard]] bool IsTrue(const wchar_t* text);
// "true" in any letter case.
[[nodiscard]] bool IsTrueIgnoreCase(const wchar_t* text);
// ASCII case-insensitive comparison; names in the skin are ASCII.
[[nodiscard]] bool EqualsIgnoreCase(const wchar_t* a, const wchar_t* b);

}  // namespace AttributeValue
