// Closes another process's window once it shows: "window_closer CLASS" waits up to 60
// seconds for a visible top-level window of that class and posts it WM_CLOSE. Exit code 0
// when there was one.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        return 2;
    }
    for (int i = 0; i < 1200; ++i) {
        HWND window = ::FindWindowW(argv[1], nullptr);
        if (window != nullptr && ::IsWindowVisible(window)) {
            ::PostMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        }
        ::Sleep(50);
    }
    return 1;
}
