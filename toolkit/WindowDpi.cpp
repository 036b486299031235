#include "toolkit/WindowDpi.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// user32 is loaded by every GUI process, so its handle is only taken, never loaded.
template <typename Fn>
Fn User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 != nullptr ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

int SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) {
        return 96;
    }
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

int GetWindowDpi(HWND window) {
    static const GetDpiForWindowFn getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return SystemDpi();
}

RECT GetWindowWorkArea(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return monitor.rcWork;
    }
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

bool AdjustWindowRectForDpi(RECT& rect, DWORD style, bool menu, DWORD exStyle, int dpi) {
    static const AdjustWindowRectExForDpiFn adjustForDpi =
        User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (adjustForDpi != nullptr) {
        return adjustForDpi(&rect, style, menu ? TRUE : FALSE, exStyle, static_cast<UINT>(dpi)) != FALSE;
    }
    return ::AdjustWindowRectEx(&rect, style, menu ? TRUE : FALSE, exStyle) != FALSE;
}
