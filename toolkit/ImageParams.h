#pragma once
// The parsed form of an image descriptor: either a bare skin file name or key='value'
// pairs such as "file='bk.png' source='0,0,10,10' corner='2,2,2,2'".

#include "toolkit/UiGeometry.h"

#include <cstdint>
#include <string>

struct ImageParams {
    static constexpr const wchar_t* kColorType = L"*COLOR*";

    std::wstring name;          // skin file, resource name, or colour text
    std::wstring resourceType;  // empty for skin files; kColorType for "color"
    UiRect dest;
    UiRect source;
    UiRect corner;
    uint32_t mask = 0;
    uint8_t fade = 255;
    bool hole = false;
    bool xtiled = false;
    bool ytiled = false;
    bool hsl = false;
};

// Fills `params` from `text`; false (and an empty name) when the text names no image.
[[nodiscard]] bool ParseImageParams(const std::wstring& text, ImageParams& params);
