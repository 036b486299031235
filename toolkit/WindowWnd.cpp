#include "toolkit/WindowWnd.h"

#include "toolkit/UIManager.h"
#include "toolkit/WindowDpi.h"

namespace {

constexpr const wchar_t* kSuperclassProperty = L"WndX";

}  // namespace

const wchar_t* CWindowWnd::GetSuperClassName() const {
    return nullptr;
}

UINT CWindowWnd::GetClassStyle() const {
    return 0;
}

void CWindowWnd::OnFinalMessage(HWND) {}

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rect, HMENU menu) {
    return Create(parent, name, style, exStyle, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                  menu);
}

HWND CWindowWnd::Create(HWND parent,
                        const wchar_t* name,
                        DWORD style,
                        DWORD exStyle,
                        int x,
                        int y,
                        int width,
                        int height,
                        HMENU menu) {
    if (GetSuperClassName() != nullptr && !RegisterSuperclass()) {
        return nullptr;
    }
    if (GetSuperClassName() == nullptr && !RegisterWindowClass()) {
        return nullptr;
    }
    window_ = ::CreateWindowExW(exStyle, GetWindowClassName(), name, style, x, y, width, height, parent, menu,
                                CUIManager::GetInstance(), this);
    return window_;
}

bool CWindowWnd::RegisterWindowClass() {
    WNDCLASSW wc{};
    wc.style = GetClassStyle();
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = CUIManager::GetInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = GetWindowClassName();
    return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWindowWnd::RegisterSuperclass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(nullptr, GetSuperClassName(), &wc) &&
        !::GetClassInfoExW(CUIManager::GetInstance(), GetSuperClassName(), &wc)) {
        return false;
    }
    previousProc_ = wc.lpfnWndProc;
    wc.lpfnWndProc = SuperclassProc;
    wc.hInstance = CUIManager::GetInstance();
    wc.lpszClassName = GetWindowClassName();
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Subclass(HWND window) {
    if (window == nullptr || !::IsWindow(window)) {
        return nullptr;
    }
    previousProc_ =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
    if (previousProc_ == nullptr) {
        return nullptr;
    }
    subclassed_ = true;
    window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return window_;
}

void CWindowWnd::Unsubclass() {
    if (!subclassed_ || !::IsWindow(window_)) {
        return;
    }
    ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
    previousProc_ = ::DefWindowProcW;
    subclassed_ = false;
    window_ = nullptr;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    if (!::IsWindow(window_)) {
        return;
    }
    ::ShowWindow(window_, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
    return ShowModal(true, true);
}

UINT CWindowWnd::ShowModal(bool show, bool takeFocus) {
    if (!::IsWindow(window_)) {
        return static_cast<UINT>(-1);
    }
    HWND owner = ::GetWindow(window_, GW_OWNER);
    ShowWindow(show, takeFocus);
    if (owner != nullptr) {
        ::EnableWindow(owner, FALSE);
    }
    UINT result = 0;
    bool quit = false;
    int quitCode = 0;
    MSG msg{};
    while (::IsWindow(window_)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1) {
            break;
        }
        if (msg.hwnd == window_ && msg.message == WM_CLOSE) {
            result = static_cast<UINT>(msg.wParam);
            if (owner != nullptr) {
                ::EnableWindow(owner, TRUE);
                ::SetFocus(owner);
            }
        }
        if (!CUIManager::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (owner != nullptr) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
    }
    if (quit) {
        ::PostQuitMessage(quitCode);
    }
    return result;
}

void CWindowWnd::Close(UINT result) {
    if (::IsWindow(window_)) {
        ::PostMessageW(window_, WM_CLOSE, static_cast<WPARAM>(result), 0);
    }
}

void CWindowWnd::CenterWindow() {
    RECT window{};
    ::GetWindowRect(window_, &window);
    HWND owner = ::GetWindow(window_, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;
    RECT center = work;
    if (owner != nullptr && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &center);
    }
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    int x = (center.left + center.right) / 2 - width / 2;
    int y = (center.top + center.bottom) / 2 - height / 2;
    if (x + width > work.right) {
        x = work.right - width;
    }
    if (x < work.left) {
        x = work.left;
    }
    if (y + height > work.bottom) {
        y = work.bottom - height;
    }
    if (y < work.top) {
        y = work.top;
    }
    ::SetWindowPos(window_, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT resourceId) {
    auto round16 = [](int size) { return (size + 15) / 16 * 16; };
    HICON large = static_cast<HICON>(::LoadImageW(CUIManager::GetInstance(), MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                                  round16(::GetSystemMetrics(SM_CXICON)),
                                                  round16(::GetSystemMetrics(SM_CYICON)), LR_DEFAULTCOLOR));
    if (large != nullptr) {
        ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    }
    HICON small = static_cast<HICON>(::LoadImageW(CUIManager::GetInstance(), MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                                  round16(::GetSystemMetrics(SM_CXSMICON)),
                                                  round16(::GetSystemMetrics(SM_CYSMICON)), LR_DEFAULTCOLOR));
    if (small != nullptr) {
        ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    }
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    RECT client{};
    if (!::GetClientRect(window_, &client)) {
        return;
    }
    if (cx != -1) {
        client.right = cx;
    }
    if (cy != -1) {
        client.bottom = cy;
    }
    const LONG style = static_cast<LONG>(::GetWindowLongPtrW(window_, GWL_STYLE));
    const LONG exStyle = static_cast<LONG>(::GetWindowLongPtrW(window_, GWL_EXSTYLE));
    const BOOL menu = (style & WS_CHILD) == 0 && ::GetMenu(window_) != nullptr;
    if (!AdjustWindowRectForDpi(client, static_cast<DWORD>(style), menu != FALSE, static_cast<DWORD>(exStyle),
                                GetWindowDpi(window_))) {
        return;
    }
    ::SetWindowPos(window_, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                   SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(window_, message, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(window_, message, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(previousProc_, window_, message, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<CWindowWnd*>(create->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_NCDESTROY && self != nullptr) {
            const LRESULT result = ::CallWindowProcW(self->previousProc_, window, message, wParam, lParam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            if (self->subclassed_) {
                ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->previousProc_));
                self->subclassed_ = false;
            }
            self->window_ = nullptr;
            self->OnFinalMessage(window);
            return result;
        }
    }
    if (self != nullptr) {
        return self->HandleMessage(message, wParam, lParam);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::SuperclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<CWindowWnd*>(create->lpCreateParams);
        self->window_ = window;
        ::SetPropW(window, kSuperclassProperty, self);
    } else {
        self = static_cast<CWindowWnd*>(::GetPropW(window, kSuperclassProperty));
        if (message == WM_NCDESTROY && self != nullptr) {
            const LRESULT result = ::CallWindowProcW(self->previousProc_, window, message, wParam, lParam);
            ::RemovePropW(window, kSuperclassProperty);
            self->window_ = nullptr;
            self->OnFinalMessage(window);
            return result;
        }
    }
    if (self != nullptr) {
        return self->HandleMessage(message, wParam, lParam);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}
