#pragma once
// One font of a resource cache, with the text metrics measured on first use.

#include "util/UniqueHandle.h"

#include <windows.h>

#include <string>

struct FontEntry {
    UniqueFont font;
    std::wstring face;
    int size = 0;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool strikeout = false;
    TEXTMETRICW metrics{};
    bool hasMetrics = false;
};
