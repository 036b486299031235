#pragma once
// One font of a resource cache, with the text metrics measured on first use.

#include "toolkit/FontSpec.h"
#include "util/UniqueHandle.h"

#include <windows.h>

#include <string>

// The description is the one the font was made from, with the face as Windows keeps it.
struct FontEntry : FontSpec {
    UniqueFont font;
    TEXTMETRICW metrics{};
    bool hasMetrics = false;
};
