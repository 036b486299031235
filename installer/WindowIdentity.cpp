#include "installer/WindowIdentity.h"

const wchar_t kMainWindowClass[] = L"CMainWnd";
const wchar_t kMainWindowTitle[] = L"安装向导-Varlo加速器";

void RaiseWindow(HWND window) {
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
