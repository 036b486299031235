// Imports one function Windows 7 lacks, the way a careless direct call would: the import
// check must refuse this exe. It is never run.
#include <windows.h>

extern "C" __declspec(dllimport) UINT WINAPI GetDpiForWindow(HWND window);

int main() {
    return static_cast<int>(GetDpiForWindow(GetDesktopWindow()));
}
