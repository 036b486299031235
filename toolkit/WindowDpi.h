#pragma once
// The DPI of a window and of the screen it is on. The per-monitor functions exist only on
// newer systems (Windows 10 1607 and later), so they are looked up at run time; older
// systems get the system DPI, which is what they scale every window to.

#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The window's DPI: per monitor where the system tracks it, else the system DPI.
[[nodiscard]] int GetWindowDpi(HWND window);
// The work area of the monitor the window is on (most of it), in screen pixels.
[[nodiscard]] RECT GetWindowWorkArea(HWND window);
// AdjustWindowRectEx at the given DPI, where the system can; at the system DPI otherwise.
bool AdjustWindowRectForDpi(RECT& rect, DWORD style, bool menu, DWORD exStyle, int dpi);
