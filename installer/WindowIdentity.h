#pragma once
// How a second installer finds the first one's window: its class and title never change.

#include <windows.h>

extern const wchar_t kMainWindowClass[];
extern const wchar_t kMainWindowTitle[];

// Brings a window in front of the others without keeping it topmost.
void RaiseWindow(HWND window);
