#pragma once
// How a second installer finds the first one's window: its class and title never change.

extern const wchar_t kMainWindowClass[];
extern const wchar_t kMainWindowTitle[];
