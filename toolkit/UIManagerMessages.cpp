#include "toolkit/ControlUI.h"
#include "toolkit/MessagePoint.h"
#include "toolkit/UIManager.h"
#include "toolkit/WindowDpi.h"
#include "toolkit/UIManagerGlobals.h"

#include <cwchar>
#include <cwctype>

namespace {

struct ShortcutSearch {
    wchar_t key;
    bool pickNext;
};

CControlUI* ShortcutProc(CControlUI* control, void* data) {
    auto* search = static_cast<ShortcutSearch*>(data);
    if (!control->IsVisible()) {
        return nullptr;
    }
    if (search->pickNext) {
        return control;
    }
    if (std::towupper(control->GetShortcut()) != search->key) {
        return nullptr;
    }
    if (std::wcsstr(control->GetClass(), L"Label") != nullptr) {
        search->pickNext = true;  // a label names the control after it
        return nullptr;
    }
    return control;
}

}  // namespace

bool CUIManager::TranslateMessage(const MSG* msg) {
    const std::vector<CUIManager*> managers = UIManagerGlobals::Managers();
    const LONG style = static_cast<LONG>(::GetWindowLongPtrW(msg->hwnd, GWL_STYLE));
    LRESULT result = 0;
    if ((style & WS_CHILD) != 0) {
        for (size_t i = managers.size(); i-- > 0;) {
            CUIManager* manager = managers[i];
            HWND chain = msg->hwnd;
            while (chain != nullptr) {
                if (chain == manager->window_) {
                    if (manager->notify_.TranslateAccelerator(msg)) {
                        return true;
                    }
                    (void)manager->PreMessageHandler(msg->message, msg->wParam, msg->lParam, result);
                }
                chain = ::GetParent(chain);
            }
        }
        return false;
    }
    for (CUIManager* manager : managers) {
        if (manager->window_ == msg->hwnd) {
            if (manager->notify_.TranslateAccelerator(msg)) {
                return true;
            }
            return manager->PreMessageHandler(msg->message, msg->wParam, msg->lParam, result);
        }
    }
    return false;
}

CControlUI* CUIManager::FindShortcutControl(wchar_t key) {
    if (root_ == nullptr) {
        return nullptr;
    }
    ShortcutSearch search{static_cast<wchar_t>(std::towupper(key)), false};
    return root_->FindControl(ShortcutProc, &search, UIFind::Enabled | UIFind::MeFirst | UIFind::TopFirst);
}

bool CUIManager::PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (notify_.PreFilter(message, wParam, lParam, result)) {
        return true;
    }
    CControlUI* focus = focus_.Get();
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        ShowKeyboardCues(true);
    }
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_TAB) {
                // A rich edit that wants Tab answers GetInterface(L"WantTab").
                if (focus != nullptr && focus->IsVisible() && focus->IsEnabled() &&
                    std::wcsstr(focus->GetClass(), L"RichEdit") != nullptr &&
                    focus->GetInterface(L"WantTab") != nullptr) {
                    return false;
                }
                SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
                return true;
            }
            break;
        case WM_SYSCHAR: {
            CControlUI* control = FindShortcutControl(static_cast<wchar_t>(wParam));
            if (control != nullptr) {
                control->SetFocus();
                control->Activate();
                return true;
            }
            break;
        }
        case WM_SYSKEYDOWN:
            if (focus != nullptr) {
                SendEvent(focus, UIEventType::SysKey, wParam, lParam, static_cast<wchar_t>(wParam));
            }
            break;
        default:
            break;
    }
    return false;
}

bool CUIManager::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (window_ == nullptr) {
        return false;
    }
    if (notify_.Filter(message, wParam, lParam, result)) {
        if (message >= WM_MOUSEMOVE && message <= WM_LBUTTONDBLCLK) {
            lastMouse_ = PointFromLParam(lParam);
        } else if (message == WM_CONTEXTMENU || message == WM_MOUSEWHEEL) {
            lastMouse_ = ClientPointFromScreenLParam(lParam);
        }
        return true;
    }
    if (layered_) {
        switch (message) {
            case WM_NCACTIVATE:
                if (!::IsIconic(window_)) {
                    result = wParam == 0 ? 1 : 0;
                    return true;
                }
                break;
            case WM_NCCALCSIZE:
            case WM_NCPAINT:
                result = 0;
                return true;
            default:
                break;
        }
    }
    if (HandleAccessMessage(message, wParam, lParam, result)) {
        return true;
    }
    switch (message) {
        case kAsyncNotifyMessage:
            DeliverQueuedNotifications();
            return false;
        case WM_CLOSE:
            OnClose();
            return false;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_PAINT:
            OnPaint();
            result = 0;
            return true;
        case WM_PRINTCLIENT:
            OnPrintClient(reinterpret_cast<HDC>(wParam), lParam);
            return false;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            const SIZE minInfo = GetMinInfo();
            const SIZE maxInfo = GetMaxInfo();
            if (minInfo.cx > 0) {
                info->ptMinTrackSize.x = minInfo.cx;
            }
            if (minInfo.cy > 0) {
                info->ptMinTrackSize.y = minInfo.cy;
            }
            if (maxInfo.cx > 0) {
                info->ptMaxTrackSize.x = maxInfo.cx;
            }
            if (maxInfo.cy > 0) {
                info->ptMaxTrackSize.y = maxInfo.cy;
            }
            return false;
        }
        case WM_DPICHANGED:
            OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            result = 0;
            return true;
        case WM_SIZE:
            if (focus_.Get() != nullptr) {
                SendEvent(focus_.Get(), UIEventType::WindowSize);
            }
            if (root_ != nullptr) {
                root_->NeedUpdate();
            }
            if (layered_) {
                Invalidate();
            }
            result = 0;
            return true;
        case WM_TIMER:
            OnTimer(wParam, lParam);
            return false;
        case WM_NOTIFY:
        case WM_COMMAND:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: {
            HWND source = message == WM_NOTIFY ? (lParam ? reinterpret_cast<NMHDR*>(lParam)->hwndFrom : nullptr)
                                               : reinterpret_cast<HWND>(lParam);
            if (source == nullptr) {
                return false;
            }
            result = ::SendMessageW(source, 0x2000 + message, wParam, lParam);
            return true;
        }
        default:
            break;
    }
    if (HandleKeyMessage(message, wParam, lParam)) {
        return false;
    }
    return HandleMouseMessage(message, wParam, lParam, result);
}

void CUIManager::OnClose() {
    if (hover_ != nullptr) {
        SendEvent(hover_, UIEventType::MouseLeave);
    }
    if (click_ != nullptr) {
        SendEvent(click_, UIEventType::ButtonUp);
    }
    SetFocus(nullptr, false);
    if (::GetActiveWindow() == window_) {
        const LONG style = static_cast<LONG>(::GetWindowLongPtrW(window_, GWL_STYLE));
        HWND other = (style & WS_CHILD) != 0 ? ::GetParent(window_) : ::GetWindow(window_, GW_OWNER);
        if (other != nullptr) {
            ::SetFocus(other);
        }
    }
    toolTips_.Destroy();
}

void CUIManager::OnTimer(WPARAM id, LPARAM lParam) {
    if (id == kLayeredTimerId && layered_) {
        if (!::IsRectEmpty(&layeredUpdate_) && !::IsIconic(window_)) {
            OnPaint();
        }
        return;
    }
    const void* control = nullptr;
    uint32_t localId = 0;
    if (timers_.Find(static_cast<uint32_t>(id), &control, &localId)) {
        SendEvent(const_cast<CControlUI*>(static_cast<const CControlUI*>(control)), UIEventType::Timer, localId,
                  lParam);
    }
}

bool CUIManager::HandleKeyMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    CControlUI* focus = focus_.Get();
    switch (message) {
        case WM_KEYDOWN:
            if (focus != nullptr) {
                key_ = focus;
                SendEvent(focus, UIEventType::KeyDown, wParam, lParam, static_cast<wchar_t>(wParam));
            }
            return true;
        case WM_KEYUP:
            if (key_ != nullptr) {
                CControlUI* control = key_;
                key_ = nullptr;
                SendEvent(control, UIEventType::KeyUp, wParam, lParam, static_cast<wchar_t>(wParam));
            }
            return true;
        case WM_CHAR:
            if (focus != nullptr) {
                SendEvent(focus, UIEventType::Char, wParam, lParam, static_cast<wchar_t>(wParam));
            }
            return true;
        case WM_KILLFOCUS: {
            HWND target = reinterpret_cast<HWND>(wParam);
            for (const NativeWindow& native : nativeWindows_) {
                if (target != nullptr && (native.window == target || ::IsChild(native.window, target))) {
                    focus_.Set(native.control);  // the native focus stays where it went
                    break;
                }
            }
            return true;
        }
        default:
            return false;
    }
}
