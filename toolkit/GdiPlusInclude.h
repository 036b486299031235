#pragma once
// GDI+'s headers want min and max, which NOMINMAX takes away, and the OLE types that
// WIN32_LEAN_AND_MEAN leaves out.

#include <windows.h>

#include <objidl.h>

#include <algorithm>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus

#include <gdiplus.h>
