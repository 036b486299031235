#pragma once
// The client point a mouse message carries in its lParam; signed, since a captured mouse
// can be left of or above the window.

#include <windows.h>
#include <windowsx.h>

inline POINT PointFromLParam(LPARAM lParam) {
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}
