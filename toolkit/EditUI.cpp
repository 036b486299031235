#include "toolkit/EditUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/EditWnd.h"
#include "toolkit/RenderKit.h"
#include "toolkit/UIManager.h"

#include <algorithm>
#include <cwchar>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

}  // namespace

CEditUI::CEditUI() {
    textPadding_ = RECT{4, 3, 4, 3};
}

CEditUI::~CEditUI() {
    if (window_ != nullptr) {
        CEditWnd* window = window_;
        window_ = nullptr;
        if (manager_ != nullptr) {
            manager_->RemoveNativeWindow(window->GetHWND());
            manager_->RemovePostPaint(this);
        }
        window->DetachOwner();
    }
}

const wchar_t* CEditUI::GetClass() const {
    return L"Edit";
}

void* CEditUI::GetInterface(const wchar_t* name) {
    return Is(name, L"Edit") ? this : CLabelUI::GetInterface(name);
}

UINT CEditUI::GetControlFlags() const {
    if (!IsEnabled()) {
        return 0;
    }
    return UIFlag::SetCursor | (IsKeyboardEnabled() ? UIFlag::TabStop : 0);
}

HWND CEditUI::GetNativeWindow() const {
    return window_ != nullptr ? window_->GetHWND() : nullptr;
}

std::wstring CEditUI::GetDisplayText() const {
    if (password_) {
        return std::wstring(text_.size(), passwordChar_);
    }
    return text_;
}

RECT CEditUI::GetNativeEditRect() const {
    RECT rect = pos_;
    const RECT padding = Scaled(textPadding_);
    rect.left += padding.left;
    rect.top += padding.top;
    rect.right -= padding.right;
    rect.bottom -= padding.bottom;
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        return RECT{};
    }
    return ClipByAncestors(rect);
}

DWORD CEditUI::GetEditTextColor() {
    ResolveDefaultColors();
    DWORD color = IsEnabled() ? textColor_ : disabledTextColor_;
    // Pure black is the transparent key of a layered window.
    if (color == 0 || color == 0xFF000000) {
        color = 0xFF000001;
    }
    return color;
}

void CEditUI::OpenNativeWindow() {
    if (window_ != nullptr || manager_ == nullptr || manager_->GetPaintWindow() == nullptr) {
        return;
    }
    auto* window = new CEditWnd();
    window_ = window;
    if (!window->Init(this)) {
        // Without a native window the control keeps showing its text, uneditable.
        if (window_ == window) {
            window_ = nullptr;
            delete window;
        }
        return;
    }
    if (manager_->IsLayered()) {
        manager_->AddPostPaint(this);
    }
    Invalidate();
}

void CEditUI::OnNativeTextChanged(const std::wstring& text) {
    if (text != text_) {
        MarkSizeStale();
        text_ = text;
    }
    if (manager_ != nullptr) {
        manager_->SendNotify(this, L"textchanged");
    }
}

void CEditUI::OnNativeReturn() {
    if (manager_ != nullptr) {
        manager_->SendNotify(this, L"return");
    }
}

void CEditUI::OnNativeWindowClosed(HWND window) {
    window_ = nullptr;
    if (manager_ != nullptr) {
        manager_->RemoveNativeWindow(window);
        manager_->RemovePostPaint(this);
    }
    Invalidate();
}

void CEditUI::SetEnabled(bool enabled) {
    CLabelUI::SetEnabled(enabled);
    if (!enabled) {
        state_.Clear();
        if (window_ != nullptr && manager_ != nullptr) {
            // Typing into a disabled box is not on: editing ends here.
            ::SetFocus(manager_->GetPaintWindow());
        }
    }
}

void CEditUI::SetText(const std::wstring& text) {
    CLabelUI::SetText(text);
    if (window_ != nullptr) {
        window_->SetTextQuietly(text);
    }
}

void CEditUI::SetPos(RECT rect, bool needInvalidate) {
    CLabelUI::SetPos(rect, needInvalidate);
    if (window_ != nullptr) {
        window_->Reposition();
    }
}

void CEditUI::Move(SIZE offset, bool needInvalidate) {
    CLabelUI::Move(offset, needInvalidate);
    if (window_ != nullptr) {
        window_->Reposition();
    }
}

void CEditUI::DoEvent(UIEvent& event) {
    if (PassMouseEventOn(event, parent_)) {
        return;
    }
    const bool inside = ::PtInRect(&pos_, event.mouse) != FALSE;
    switch (event.type) {
        case UIEventType::SetCursor:
            if (IsEnabled()) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
                return;
            }
            break;
        case UIEventType::WindowSize:
            if (window_ != nullptr && manager_ != nullptr) {
                manager_->SetFocusNeeded(this);
            }
            return;
        case UIEventType::ScrollWheel:
            if (window_ != nullptr) {
                return;
            }
            break;
        case UIEventType::SetFocus:
            focused_ = true;
            if (IsEnabled()) {
                OpenNativeWindow();
            }
            Invalidate();
            return;
        case UIEventType::KillFocus:
            focused_ = false;
            // The toolkit focus went elsewhere (Tab, hiding): so does the native one, which
            // closes the native window.
            if (window_ != nullptr && manager_ != nullptr && ::GetFocus() == window_->GetHWND()) {
                ::SetFocus(manager_->GetPaintWindow());
            }
            Invalidate();
            return;
        case UIEventType::ButtonDown:
        case UIEventType::DblClick:
        case UIEventType::RButtonDown:
            if (!IsEnabled() || manager_ == nullptr) {
                return;
            }
            // The native window takes the mouse from here.
            manager_->ReleaseCapture();
            if (window_ == nullptr) {
                if (IsFocused()) {
                    OpenNativeWindow();
                }
            } else {
                if (!autoSelAll_) {
                    ::SendMessageW(window_->GetHWND(), EM_SETSEL, static_cast<WPARAM>(-1), 0);
                }
                const RECT area = GetNativeEditRect();
                const UINT message = event.type == UIEventType::RButtonDown ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
                ::SendMessageW(window_->GetHWND(), message, event.wParam,
                               MAKELPARAM(event.mouse.x - area.left, event.mouse.y - area.top));
            }
            return;
        case UIEventType::ButtonUp:
        case UIEventType::MouseMove:
        case UIEventType::ContextMenu:
            return;
        case UIEventType::MouseEnter:
        case UIEventType::MouseLeave:
            (void)TrackHover(event, inside, state_);
            return;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

void CEditUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    using namespace AttributeValue;
    if (Is(name, L"readonly")) {
        SetReadOnly(IsTrue(value));
    } else if (Is(name, L"numberonly")) {
        SetNumberOnly(IsTrue(value));
    } else if (Is(name, L"password")) {
        SetPasswordMode(IsTrue(value));
    } else if (Is(name, L"autoselall")) {
        SetAutoSelAll(IsTrue(value));
    } else if (Is(name, L"maxchar")) {
        SetMaxChar(static_cast<UINT>(ParseInt(value)));
    } else if (Is(name, L"normalimage")) {
        SetNormalImage(value);
    } else if (Is(name, L"hotimage")) {
        SetHotImage(value);
    } else if (Is(name, L"focusedimage")) {
        SetFocusedImage(value);
    } else if (Is(name, L"disabledimage")) {
        SetDisabledImage(value);
    } else if (Is(name, L"nativebkcolor")) {
        SetNativeEditBkColor(ParseColor(value));
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

void CEditUI::SetMaxChar(UINT limit) {
    maxChar_ = limit;
    if (window_ != nullptr) {
        ::SendMessageW(window_->GetHWND(), EM_LIMITTEXT, maxChar_, 0);
    }
}

void CEditUI::SetReadOnly(bool on) {
    readOnly_ = on;
    if (window_ != nullptr) {
        ::SendMessageW(window_->GetHWND(), EM_SETREADONLY, on ? TRUE : FALSE, 0);
    }
    Invalidate();
}

void CEditUI::SetPasswordMode(bool on) {
    password_ = on;
    Invalidate();
}

void CEditUI::SetPasswordChar(wchar_t c) {
    passwordChar_ = c;
    if (window_ != nullptr) {
        ::SendMessageW(window_->GetHWND(), EM_SETPASSWORDCHAR, c, 0);
    }
    Invalidate();
}

void CEditUI::SetNumberOnly(bool on) {
    numberOnly_ = on;
    if (window_ != nullptr) {
        HWND native = window_->GetHWND();
        LONG_PTR style = ::GetWindowLongPtrW(native, GWL_STYLE);
        style = on ? (style | ES_NUMBER) : (style & ~static_cast<LONG_PTR>(ES_NUMBER));
        ::SetWindowLongPtrW(native, GWL_STYLE, style);
    }
}

void CEditUI::SetNativeEditBkColor(DWORD color) {
    nativeBkColor_ = color;
}

void CEditUI::SetNormalImage(const std::wstring& descriptor) {
    normalImage_.SetText(descriptor);
    Invalidate();
}

void CEditUI::SetHotImage(const std::wstring& descriptor) {
    hotImage_.SetText(descriptor);
    Invalidate();
}

void CEditUI::SetFocusedImage(const std::wstring& descriptor) {
    focusedImage_.SetText(descriptor);
    Invalidate();
}

void CEditUI::SetDisabledImage(const std::wstring& descriptor) {
    disabledImage_.SetText(descriptor);
    Invalidate();
}

void CEditUI::PaintStatusImage(HDC dc) {
    state_.Set(UIState::Focused, IsFocused());
    state_.Set(UIState::Disabled, !IsEnabled());
    ImageDescriptor* image = nullptr;
    if (state_.Has(UIState::Disabled)) {
        image = &disabledImage_;
    } else if (state_.Has(UIState::Focused)) {
        image = &focusedImage_;
    } else if (state_.Has(UIState::Hot)) {
        image = &hotImage_;
    }
    if (image != nullptr && DrawImage(dc, *image)) {
        return;
    }
    DrawImage(dc, normalImage_);
}

// In a layered window the native caret cannot be seen: the toolkit draws it over the
// printed edit, blinking with the native window's timer.
void CEditUI::DoPostPaint(HDC dc, const RECT&) {
    if (window_ == nullptr || manager_ == nullptr || !manager_->IsLayered() || !window_->IsCaretOn()) {
        return;
    }
    POINT caret{};
    if (!::GetCaretPos(&caret)) {
        return;
    }
    const RECT area = GetNativeEditRect();
    const int x = area.left + caret.x;
    const int height = GetFontLineHeight();
    const int top = area.top + caret.y;
    if (x < area.left || x >= area.right) {
        return;
    }
    const RECT line{x, top, x + 1, std::min<LONG>(top + (height > 0 ? height : area.bottom - area.top), area.bottom)};
    CRenderKit::DrawColor(dc, line, GetEditTextColor());
}
