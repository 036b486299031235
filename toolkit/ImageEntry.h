#pragma once
// One loaded image, owned by a resource cache: a 32-bit top-down DIB section holding
// premultiplied BGRA pixels.

#include "util/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct ImageEntry {
    UniqueBitmap bitmap;
    uint32_t* bits = nullptr;  // the DIB's pixels, width * height
    int width = 0;
    int height = 0;
    // The scale the pixels are drawn for, as a percentage: source rectangles and nine-grid
    // insets are skin units and become pixels of this picture with it.
    int scale = 100;
    bool hasAlpha = false;
    bool useHSL = false;
    std::vector<uint32_t> sourceBits;  // only when useHSL: the pixels before adjustment
    std::wstring resourceType;
    DWORD mask = 0;
};
