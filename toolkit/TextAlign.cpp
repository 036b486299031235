#include "toolkit/TextAlign.h"

namespace {

bool Contains(const std::wstring& words, const wchar_t* word) {
    return words.find(word) != std::wstring::npos;
}

}  // namespace

uint32_t ApplyHorizontalAlign(uint32_t style, const std::wstring& words) {
    using namespace TextStyleBits;
    if (Contains(words, L"left")) {
        style &= ~(Center | Right);
    }
    if (Contains(words, L"center")) {
        style = (style & ~Right) | Center;
    }
    if (Contains(words, L"right")) {
        style = (style & ~Center) | Right;
    }
    return style;
}

uint32_t ApplyVerticalAlign(uint32_t style, const std::wstring& words) {
    using namespace TextStyleBits;
    if (Contains(words, L"top")) {
        style &= ~(VCenter | Bottom);
    }
    // "vcenter" is looked for as a word of its own: "center" alone is horizontal.
    if (Contains(words, L"vcenter")) {
        style = (style & ~Bottom) | VCenter;
    }
    if (Contains(words, L"bottom")) {
        style = (style & ~VCenter) | Bottom;
    }
    return style;
}
