#include "toolkit/ToolTipHost.h"

namespace {

// The system's usual hover time, until a tooltip exists to say its own.
constexpr DWORD kDefaultHoverTime = 1000;

}  // namespace

CToolTipHost::~CToolTipHost() {
    Destroy();
}

void CToolTipHost::Show(HWND owner,
                        HINSTANCE instance,
                        const std::wstring& text,
                        const RECT& area,
                        int maxWidth,
                        POINT point) {
    if (text.empty()) {
        return;
    }
    text_ = text;
    info_ = TOOLINFOW{};
    info_.cbSize = TTTOOLINFOW_V1_SIZE;
    info_.uFlags = TTF_IDISHWND;
    info_.hwnd = owner;
    info_.uId = reinterpret_cast<UINT_PTR>(owner);
    info_.hinst = instance;
    info_.lpszText = &text_[0];
    info_.rect = area;
    if (window_ == nullptr) {
        window_ = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr);
        ::SendMessageW(window_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info_));
    }
    if (maxWidth != maxWidth_) {
        maxWidth_ = maxWidth;
        ::SendMessageW(window_, TTM_SETMAXTIPWIDTH, 0, maxWidth_);
    }
    ::SendMessageW(window_, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info_));
    ::SendMessageW(window_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info_));
    POINT screen = point;
    ::ClientToScreen(owner, &screen);
    ::SendMessageW(window_, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
}

void CToolTipHost::Hide() {
    if (window_ != nullptr) {
        ::SendMessageW(window_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info_));
    }
}

void CToolTipHost::Destroy() {
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
        window_ = nullptr;
        maxWidth_ = -1;  // a new tooltip starts with the system's width
    }
}

DWORD CToolTipHost::HoverTime() const {
    return window_ != nullptr ? static_cast<DWORD>(::SendMessageW(window_, TTM_GETDELAYTIME, TTDT_INITIAL, 0))
                              : kDefaultHoverTime;
}
