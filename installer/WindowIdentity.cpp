#include "installer/WindowIdentity.h"

const wchar_t kMainWindowClass[] = L"CMainWnd";
const wchar_t kMainWindowTitle[] = L"安装向导-Varlo加速器";
