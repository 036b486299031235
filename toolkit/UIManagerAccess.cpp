// The manager's side of keyboard and screen-reader use: the focus mark the skin draws
// around the focused control once the keyboard is in use, the window's accessible object
// for WM_GETOBJECT, and the events that tell screen readers what changed.
#include "toolkit/AccessibleControls.h"
#include "toolkit/AccessibleWindow.h"
#include "toolkit/AttributeValue.h"
#include "toolkit/ControlUI.h"
#include "toolkit/UIManager.h"
#include "util/UniqueHandle.h"

#include <oleacc.h>

namespace {

// How far the mark stands off the control, and how round its corners are.
constexpr int kFocusMarkGap = 2;
constexpr int kFocusMarkRound = 6;

}  // namespace

bool CUIManager::HasKeyboardFocus() const {
    HWND focus = ::GetFocus();
    return window_ != nullptr && focus != nullptr && (focus == window_ || ::IsChild(window_, focus));
}

void CUIManager::ShowKeyboardCues(bool show) {
    if (keyboardCues_ == show) {
        return;
    }
    keyboardCues_ = show;
    InvalidateFocusMark(focus_.Get());
}

RECT CUIManager::FocusMarkRect(const CControlUI* control) const {
    RECT rect = control->GetPos();
    ::InflateRect(&rect, kFocusMarkGap + 1, kFocusMarkGap + 1);
    return rect;
}

void CUIManager::InvalidateFocusMark(const CControlUI* control) {
    if (control == nullptr || window_ == nullptr) {
        return;
    }
    RECT rect = FocusMarkRect(control);
    Invalidate(rect);
}

// A dotted, rounded outline in the skin's focus colour ("focuscolor" of the window, else
// its text colour), the way Windows marks the focus, and only once the keyboard is used.
void CUIManager::PaintFocusMark(HDC dc) {
    CControlUI* focus = focus_.Get();
    if (!keyboardCues_ || focus == nullptr || !focus->IsVisible() || !HasKeyboardFocus()) {
        return;
    }
    const std::wstring colorText = GetWindowAttribute(L"focuscolor");
    const DWORD color = colorText.empty() ? fontColor_ : AttributeValue::ParseColor(colorText.c_str());
    LOGBRUSH brush{BS_SOLID, ToColorRef(color), 0};
    UniquePen pen(::ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr));
    if (!pen.valid()) {
        return;
    }
    RECT rect = FocusMarkRect(focus);
    ::InflateRect(&rect, -1, -1);
    ScopedSelectObject selectPen(dc, pen.get());
    ScopedSelectObject selectBrush(dc, ::GetStockObject(HOLLOW_BRUSH));
    ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, kFocusMarkRound, kFocusMarkRound);
}

void CUIManager::AnnounceNotify(const NotifyMessage& msg) {
    if (window_ == nullptr || msg.sender == nullptr || msg.sender->GetManager() != this) {
        return;
    }
    DWORD event = 0;
    if (msg.type == L"setfocus") {
        event = EVENT_OBJECT_FOCUS;
    } else if (msg.type == L"selectchanged") {
        event = EVENT_OBJECT_STATECHANGE;
    } else if (msg.type == L"textchanged" || msg.type == L"itemselect") {
        event = EVENT_OBJECT_VALUECHANGE;
    }
    if (event == 0 || (event == EVENT_OBJECT_FOCUS && !HasKeyboardFocus())) {
        return;
    }
    const long child = AccessibleChildId(root_, msg.sender);
    if (child != CHILDID_SELF) {
        ::NotifyWinEvent(event, window_, OBJID_CLIENT, child);
    }
}

void CUIManager::ReleaseAccessible() {
    if (accessible_ != nullptr) {
        accessible_->Disconnect();
        accessible_->Release();
        accessible_ = nullptr;
    }
}

bool CUIManager::HandleAccessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_GETOBJECT:
            if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) {
                return false;
            }
            if (accessible_ == nullptr) {
                accessible_ = new CAccessibleWindow(this, window_);
            }
            result = ::LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(accessible_));
            return true;
        case kAccessibleActionMessage:
            if (accessible_ != nullptr) {
                if (CControlUI* control = accessible_->Control(static_cast<long>(wParam))) {
                    (void)DoAccessibleDefaultAction(control);
                }
            }
            result = 0;
            return true;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            ShowKeyboardCues(true);
            return false;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            ShowKeyboardCues(false);
            return false;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateFocusMark(focus_.Get());
            return false;
        default:
            return false;
    }
}
