#include "toolkit/ControlUI.h"
#include "toolkit/LanguageTexts.h"
#include "toolkit/UIManager.h"

#include <windowsx.h>

namespace {

POINT PointFromLParam(LPARAM lParam) {
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

}  // namespace

bool CUIManager::HandleMouseMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_MOUSEHOVER:
            OnMouseHover(PointFromLParam(lParam));
            result = 0;
            return true;
        case WM_MOUSELEAVE:
            OnMouseLeave();
            return false;
        case WM_MOUSEMOVE:
            OnMouseMove(PointFromLParam(lParam));
            return false;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN: {
            if (message != WM_LBUTTONDBLCLK && !noActivate_) {
                ::SetFocus(window_);
            }
            lastMouse_ = PointFromLParam(lParam);
            CControlUI* control = FindControl(lastMouse_);
            if (control == nullptr || control->GetManager() != this) {
                return false;
            }
            click_ = control;
            if (message != WM_LBUTTONDBLCLK) {
                control->SetFocus();
            }
            if (message != WM_RBUTTONDOWN) {
                SetCapture();
            }
            const UIEventType type = message == WM_LBUTTONDOWN   ? UIEventType::ButtonDown
                                     : message == WM_RBUTTONDOWN ? UIEventType::RButtonDown
                                                                 : UIEventType::DblClick;
            UIEvent event;
            event.type = type;
            event.sender = control;
            event.timestamp = ::GetTickCount();
            event.mouse = lastMouse_;
            event.keyState = static_cast<WORD>(wParam);
            event.wParam = wParam;
            event.lParam = lParam;
            control->Event(event);
            return false;
        }
        case WM_LBUTTONUP: {
            lastMouse_ = PointFromLParam(lParam);
            if (click_ == nullptr) {
                return false;
            }
            ReleaseCapture();
            CControlUI* control = click_;
            click_ = nullptr;
            UIEvent event;
            event.type = UIEventType::ButtonUp;
            event.sender = control;
            event.timestamp = ::GetTickCount();
            event.mouse = lastMouse_;
            event.keyState = static_cast<WORD>(wParam);
            event.wParam = wParam;
            event.lParam = lParam;
            control->Event(event);
            return false;
        }
        case WM_CONTEXTMENU: {
            if (captured_) {
                return false;
            }
            POINT point = PointFromLParam(lParam);
            ::ScreenToClient(window_, &point);
            lastMouse_ = point;
            if (click_ == nullptr) {
                return false;
            }
            CControlUI* control = click_;
            click_ = nullptr;
            SendEvent(control, UIEventType::ContextMenu, wParam, reinterpret_cast<LPARAM>(control));
            return false;
        }
        case WM_MOUSEWHEEL: {
            POINT point = PointFromLParam(lParam);
            ::ScreenToClient(window_, &point);
            lastMouse_ = point;
            CControlUI* control = FindControl(point);
            if (control == nullptr || control->GetManager() != this) {
                return false;
            }
            const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
            SendEvent(control, UIEventType::ScrollWheel, delta < 0 ? 1 : 0, lParam);
            ::SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(lastMouse_.x, lastMouse_.y));
            return false;
        }
        case WM_SETCURSOR: {
            if (LOWORD(lParam) != HTCLIENT) {
                return false;
            }
            if (captured_) {
                result = TRUE;
                return true;
            }
            POINT point{};
            ::GetCursorPos(&point);
            ::ScreenToClient(window_, &point);
            CControlUI* control = FindControl(point);
            if (control == nullptr || (control->GetControlFlags() & UIFlag::SetCursor) == 0) {
                return false;
            }
            SendEvent(control, UIEventType::SetCursor, wParam, lParam);
            result = TRUE;
            return true;
        }
        case WM_MOUSEACTIVATE:
            if (noActivate_) {
                result = MA_NOACTIVATE;
                return true;
            }
            return false;
        default:
            return false;
    }
}

void CUIManager::OnMouseMove(POINT point) {
    if (!mouseTracking_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_HOVER | TME_LEAVE, window_, hoverTime_};
        if (toolTipWindow_ != nullptr) {
            track.dwHoverTime = static_cast<DWORD>(::SendMessageW(toolTipWindow_, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
        }
        ::TrackMouseEvent(&track);
        mouseTracking_ = true;
    }
    lastMouse_ = point;
    CControlUI* control = FindControl(point);
    if (control != nullptr && control->GetManager() != this) {
        return;
    }
    if (!captured_) {
        if (control != hover_ && hover_ != nullptr) {
            const std::vector<CControlUI*> needed = mouseLeaveNeeded_;
            for (CControlUI* waiting : needed) {
                SendEvent(waiting, UIEventType::MouseLeave);
            }
            if (hover_ != nullptr) {
                SendEvent(hover_, UIEventType::MouseLeave);
            }
            hover_ = nullptr;
            HideToolTip();
        }
        if (control != hover_ && control != nullptr) {
            SendEvent(control, UIEventType::MouseEnter);
            hover_ = control;
        }
    }
    if (click_ != nullptr) {
        SendEvent(click_, UIEventType::MouseMove);
    } else if (control != nullptr) {
        SendEvent(control, UIEventType::MouseMove);
    }
}

void CUIManager::OnMouseHover(POINT point) {
    mouseTracking_ = false;
    lastMouse_ = point;
    CControlUI* control = FindControl(point);
    if (control == nullptr) {
        return;
    }
    if (hover_ != nullptr) {
        SendEvent(hover_, UIEventType::MouseHover);
    }
    ShowToolTip(control, point);
}

void CUIManager::OnMouseLeave() {
    HideToolTip();
    if (mouseTracking_) {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        RECT window{};
        ::GetWindowRect(window_, &window);
        const bool inside = ::PtInRect(&window, cursor) && ::GetActiveWindow() == window_ && !::IsIconic(window_) &&
                            ::SendMessageW(window_, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y)) == HTCLIENT;
        if (inside) {
            ::ScreenToClient(window_, &cursor);
            ::SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(cursor.x, cursor.y));
        } else {
            ::SendMessageW(window_, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
        }
    }
    mouseTracking_ = false;
}

void CUIManager::ShowToolTip(CControlUI* control, POINT point) {
    const std::wstring text = CLanguageTexts::Replace(control->GetToolTip());
    if (text.empty()) {
        return;
    }
    toolTipText_ = text;  // the tool record points at it until the next update
    toolInfo_ = TOOLINFOW{};
    toolInfo_.cbSize = TTTOOLINFOW_V1_SIZE;
    toolInfo_.uFlags = TTF_IDISHWND;
    toolInfo_.hwnd = window_;
    toolInfo_.uId = reinterpret_cast<UINT_PTR>(window_);
    toolInfo_.hinst = GetInstance();
    toolInfo_.lpszText = &toolTipText_[0];
    toolInfo_.rect = control->GetPos();
    if (toolTipWindow_ == nullptr) {
        toolTipWindow_ =
            ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, GetInstance(), nullptr);
        ::SendMessageW(toolTipWindow_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
    }
    if (control->GetToolTipWidth() != lastToolTipWidth_) {
        lastToolTipWidth_ = control->GetToolTipWidth();
        ::SendMessageW(toolTipWindow_, TTM_SETMAXTIPWIDTH, 0, lastToolTipWidth_);
    }
    ::SendMessageW(toolTipWindow_, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
    ::SendMessageW(toolTipWindow_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&toolInfo_));
    POINT screen = point;
    ::ClientToScreen(window_, &screen);
    ::SendMessageW(toolTipWindow_, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
    lastToolTip_ = control;
}

void CUIManager::HideToolTip() {
    if (toolTipWindow_ != nullptr) {
        ::SendMessageW(toolTipWindow_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
    }
}
