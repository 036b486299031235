#pragma once
// One font of a resource cache, with the text metrics measured on first use.

#include "toolkit/FontRequest.h"
#include "util/UniqueHandle.h"

#include <windows.h>

#include <string>

// The description is the one the font was made from, with the face as Windows keeps it.
struct FontEntry : FontRequest {
    UniqueFont font;
    TEXTMETRICW metrics{};
    bool hasMetrics = false;
};
