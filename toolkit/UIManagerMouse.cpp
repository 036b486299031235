#include "toolkit/ControlUI.h"
#include "toolkit/LanguageTexts.h"
#include "toolkit/MessagePoint.h"
#include "toolkit/PointerList.h"
#include "toolkit/UIManager.h"

// The context menu and the wheel carry screen coordinates.
POINT CUIManager::ClientPointFromScreenLParam(LPARAM lParam) const {
    POINT point = PointFromLParam(lParam);
    ::ScreenToClient(window_, &point);
    return point;
}

// A button message's wParam holds the key state at the time of the click.
void CUIManager::SendButtonEvent(CControlUI* control, UIEventType type, WPARAM wParam, LPARAM lParam) {
    UIEvent event;
    event.type = type;
    event.sender = control;
    event.timestamp = ::GetTickCount();
    event.mouse = lastMouse_;
    event.keyState = static_cast<WORD>(wParam);
    event.wParam = wParam;
    event.lParam = lParam;
    control->Event(event);
}

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
            SendButtonEvent(control, type, wParam, lParam);
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
            SendButtonEvent(control, UIEventType::ButtonUp, wParam, lParam);
            return false;
        }
        case WM_CONTEXTMENU: {
            if (captured_) {
                return false;
            }
            lastMouse_ = ClientPointFromScreenLParam(lParam);
            if (click_ == nullptr) {
                return false;
            }
            CControlUI* control = click_;
            click_ = nullptr;
            SendEvent(control, UIEventType::ContextMenu, wParam, reinterpret_cast<LPARAM>(control));
            return false;
        }
        case WM_MOUSEWHEEL: {
            lastMouse_ = ClientPointFromScreenLParam(lParam);
            CControlUI* control = FindControl(lastMouse_);
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
        TRACKMOUSEEVENT track{sizeof(track), TME_HOVER | TME_LEAVE, window_, toolTips_.HoverTime()};
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
            toolTips_.Hide();
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
    toolTips_.Show(window_, GetInstance(), CLanguageTexts::Replace(control->GetToolTip()), control->GetPos(),
                   control->Scaled(control->GetToolTipWidth()), point);
}

void CUIManager::OnMouseLeave() {
    toolTips_.Hide();
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

bool CUIManager::AddMouseLeaveNeeded(CControlUI* control) {
    return AddUnique(mouseLeaveNeeded_, control);
}

bool CUIManager::RemoveMouseLeaveNeeded(CControlUI* control) {
    return RemoveItem(mouseLeaveNeeded_, control);
}
