#include "toolkit/RichEditUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/IScrollBarUI.h"
#include "toolkit/MessagePoint.h"
#include "toolkit/TextAlign.h"
#include "toolkit/TxtWinHost.h"
#include "toolkit/UIManager.h"

#include <cwchar>
#include <vector>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

COLORREF ToColorRefOpaque(DWORD argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

}  // namespace

CRichEditUI::CRichEditUI() = default;

CRichEditUI::~CRichEditUI() {
    if (manager_ != nullptr && filterAdded_) {
        manager_->Listeners().RemoveMessageFilter(this);
    }
    if (host_ != nullptr) {
        host_->Shutdown();
        host_->Release();
        host_ = nullptr;
    }
}

const wchar_t* CRichEditUI::GetClass() const {
    return L"RichEdit";
}

void* CRichEditUI::GetInterface(const wchar_t* name) {
    if (Is(name, L"RichEdit")) {
        return this;
    }
    if (Is(name, L"WantTab")) {
        return wantTab_ && host_ != nullptr ? this : nullptr;
    }
    return CContainerUI::GetInterface(name);
}

UINT CRichEditUI::GetControlFlags() const {
    if (!IsEnabled() || host_ == nullptr) {
        return 0;
    }
    return UIFlag::SetCursor | (IsKeyboardEnabled() ? UIFlag::TabStop : 0);
}

void CRichEditUI::DoInit() {
    if (manager_ != nullptr && !filterAdded_) {
        filterAdded_ = manager_->Listeners().AddMessageFilter(this);
    }
    if (host_ != nullptr) {
        return;
    }
    host_ = CTxtWinHost::Create(this);
    if (host_ == nullptr) {
        return;  // an inert control: no text services on this system
    }
    host_->SetRichText(rich_);
    host_->SetMultiLine(multiLine_);
    host_->SetReadOnly(readOnly_);
    host_->SetPassword(password_);
    host_->SetWordWrap(multiLine_ && (scrollBars_ & WS_HSCROLL) == 0);
    host_->SetTransparent(transparent_);
    host_->SetMaxLength(limitText_);
    host_->SetScrollBars(scrollBars_);
    host_->SetParagraphAlign(align_);
    ApplyFont();
    ITextServices* services = host_->GetServices();
    const RECT rect = GetTextRect();
    services->OnTxInPlaceActivate(&rect);
    TxSendMessage(EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_LINK | ENM_SELCHANGE | ENM_REQUESTRESIZE);
    if (!text_.empty()) {
        services->TxSetText(text_.c_str());
    }
}

void CRichEditUI::ApplyFont() {
    if (host_ == nullptr || manager_ == nullptr) {
        return;
    }
    host_->SetFont(manager_->GetFont(font_));
    const DWORD color = textColor_ != 0 ? textColor_ : manager_->GetDefaultFontColor();
    host_->SetTextColor(ToColorRefOpaque(color));
}

LRESULT CRichEditUI::TxSendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    LRESULT result = 0;
    if (host_ != nullptr) {
        host_->GetServices()->TxSendMessage(message, wParam, lParam, &result);
    }
    return result;
}

void CRichEditUI::SetText(const std::wstring& text) {
    text_ = text;
    if (host_ != nullptr) {
        host_->GetServices()->TxSetText(text.c_str());
    }
    Invalidate();
}

std::wstring CRichEditUI::GetText() const {
    if (host_ == nullptr) {
        return text_;
    }
    const LRESULT length = TxSendMessage(WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = TxSendMessage(WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void CRichEditUI::SetEnabled(bool enabled) {
    CContainerUI::SetEnabled(enabled);
    if (host_ != nullptr && manager_ != nullptr) {
        const DWORD color = enabled ? (textColor_ != 0 ? textColor_ : manager_->GetDefaultFontColor())
                                    : manager_->GetDefaultDisabledColor();
        host_->SetTextColor(ToColorRefOpaque(color));
    }
}

RECT CRichEditUI::GetTextRect() const {
    RECT rect = pos_;
    const RECT padding = Scaled(textPadding_);
    rect.left += padding.left;
    rect.top += padding.top;
    rect.right -= padding.right;
    rect.bottom -= padding.bottom;
    if (verticalScrollBar_ != nullptr && verticalScrollBar_->IsVisible()) {
        rect.right -= Scaled(verticalScrollBar_->GetFixedWidth());
    }
    if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
        rect.bottom -= Scaled(horizontalScrollBar_->GetFixedHeight());
    }
    if (rect.right < rect.left) {
        rect.right = rect.left;
    }
    if (rect.bottom < rect.top) {
        rect.bottom = rect.top;
    }
    return rect;
}

void CRichEditUI::SetPos(RECT rect, bool needInvalidate) {
    // No children to lay out: the text services fill the control.
    CControlUI::SetPos(rect, needInvalidate);
    UpdateScrollBars();
    if (host_ != nullptr) {
        host_->ClientRectChanged();
    }
}

// The text services keep the scroll state; the container's bars only show it.
void CRichEditUI::UpdateScrollBars() {
    if (host_ == nullptr) {
        return;
    }
    ITextServices* services = host_->GetServices();
    struct Bar {
        CControlUI* control;
        bool vertical;
    };
    const Bar bars[] = {{verticalScrollBar_, true}, {horizontalScrollBar_, false}};
    for (const Bar& bar : bars) {
        IScrollBarUI* scroll = AsScrollBar(bar.control);
        if (scroll == nullptr) {
            continue;
        }
        LONG minPos = 0, maxPos = 0, pos = 0, page = 0;
        BOOL enabled = FALSE;
        if (bar.vertical) {
            services->TxGetVScroll(&minPos, &maxPos, &pos, &page, &enabled);
        } else {
            services->TxGetHScroll(&minPos, &maxPos, &pos, &page, &enabled);
        }
        const LONG range = maxPos - minPos - page;
        const bool show = enabled && range > 0;
        scroll->SetScrollRange(show ? range : 0);
        scroll->SetScrollPos(show ? pos - minPos : 0);
        if (bar.control->IsVisible() != show) {
            bar.control->SetVisible(show);
        }
        if (bar.vertical) {
            const int width = Scaled(bar.control->GetFixedWidth());
            bar.control->SetPos(RECT{pos_.right - width, pos_.top, pos_.right, pos_.bottom}, false);
        } else {
            const int height = Scaled(bar.control->GetFixedHeight());
            bar.control->SetPos(RECT{pos_.left, pos_.bottom - height, pos_.right, pos_.bottom}, false);
        }
    }
}

void CRichEditUI::SetScrollPos(SIZE pos) {
    if (host_ == nullptr) {
        return;
    }
    const SIZE old = GetScrollPos();
    if (pos.cy != old.cy && verticalScrollBar_ != nullptr) {
        TxSendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos.cy < 0 ? 0 : pos.cy), 0);
    }
    if (pos.cx != old.cx && horizontalScrollBar_ != nullptr) {
        TxSendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos.cx < 0 ? 0 : pos.cx), 0);
    }
    UpdateScrollBars();
    Invalidate();
}

void CRichEditUI::OnTextChanged() {
    if (manager_ != nullptr) {
        manager_->SendNotify(this, L"textchanged");
    }
}

void CRichEditUI::OnLinkClicked(LONG position) {
    if (manager_ != nullptr) {
        manager_->SendNotify(this, L"link", static_cast<WPARAM>(position));
    }
}

LRESULT CRichEditUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (host_ == nullptr || manager_ == nullptr || !IsVisible() || !IsEnabled()) {
        return 0;
    }
    const bool mouse = message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && message != WM_MOUSEWHEEL;
    if (mouse) {
        if (!IsMouseEnabled()) {
            return 0;
        }
        const POINT point = PointFromLParam(lParam);
        const RECT text = GetTextRect();
        const bool inside = ::PtInRect(&text, point) != FALSE;
        const bool captured = manager_->IsCaptured() && manager_->GetFocus() == this;
        if (!inside && !captured) {
            return 0;
        }
        if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN) {
            SetFocus();  // the caret goes where the text services put it on this press
        }
        // The window goes on routing the press too (focus, click control).
        return TxSendMessage(message, wParam, lParam);
    }
    if (manager_->GetFocus() != this) {
        return 0;
    }
    switch (message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
            if (wParam == VK_TAB && !wantTab_) {
                return 0;
            }
            if (wParam == VK_RETURN) {
                const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
                if ((ctrl && !wantCtrlReturn_) || (!ctrl && !wantReturn_)) {
                    return 0;
                }
                if (message == WM_KEYDOWN) {
                    manager_->SendNotify(this, L"return");
                }
            }
            break;
        case WM_IME_STARTCOMPOSITION:
        case WM_IME_ENDCOMPOSITION:
        case WM_IME_COMPOSITION:
        case WM_IME_CHAR:
            break;
        default:
            return 0;
    }
    handled = true;
    return TxSendMessage(message, wParam, lParam);
}

void CRichEditUI::DoEvent(UIEvent& event) {
    if (PassMouseEventOn(event, parent_)) {
        return;
    }
    switch (event.type) {
        case UIEventType::SetFocus:
            focused_ = true;
            if (host_ != nullptr) {
                host_->GetServices()->OnTxUIActivate();
                TxSendMessage(WM_SETFOCUS, 0, 0);
            }
            Invalidate();
            return;
        case UIEventType::KillFocus:
            focused_ = false;
            if (host_ != nullptr) {
                TxSendMessage(WM_KILLFOCUS, 0, 0);
                host_->GetServices()->OnTxUIDeactivate();
            }
            Invalidate();
            return;
        case UIEventType::SetCursor:
            if (host_ != nullptr && manager_ != nullptr) {
                const RECT text = GetTextRect();
                if (::PtInRect(&text, event.mouse)) {
                    host_->GetServices()->OnTxSetCursor(DVASPECT_CONTENT, -1, nullptr, nullptr, manager_->GetPaintDC(),
                                                        nullptr, &text, event.mouse.x, event.mouse.y);
                    return;
                }
            }
            break;
        case UIEventType::Timer:
            if (host_ != nullptr) {
                TxSendMessage(WM_TIMER, event.wParam, 0);
                return;
            }
            break;
        case UIEventType::ScrollWheel:
            if (host_ != nullptr) {
                TxSendMessage(WM_VSCROLL, event.wParam == 1 ? SB_LINEDOWN : SB_LINEUP, 0);
                UpdateScrollBars();
                return;
            }
            break;
        case UIEventType::ButtonDown:
        case UIEventType::ButtonUp:
        case UIEventType::DblClick:
        case UIEventType::RButtonDown:
        case UIEventType::MouseMove:
            return;  // the text services saw these through the message filter
        default:
            break;
    }
    CContainerUI::DoEvent(event);
}

void CRichEditUI::SetReadOnly(bool on) {
    readOnly_ = on;
    if (host_ != nullptr) {
        host_->SetReadOnly(on);
    }
}

void CRichEditUI::SetPasswordMode(bool on) {
    password_ = on;
    if (host_ != nullptr) {
        host_->SetPassword(on);
    }
}

void CRichEditUI::SetMultiLine(bool on) {
    multiLine_ = on;
    if (host_ != nullptr) {
        host_->SetMultiLine(on);
        host_->SetWordWrap(on && (scrollBars_ & WS_HSCROLL) == 0);
    }
}

void CRichEditUI::SetRich(bool on) {
    rich_ = on;
    if (host_ != nullptr) {
        host_->SetRichText(on);
    }
}

void CRichEditUI::SetTransparent(bool on) {
    transparent_ = on;
    if (host_ != nullptr) {
        host_->SetTransparent(on);
    }
    Invalidate();
}

void CRichEditUI::SetLimitText(LONG chars) {
    limitText_ = chars;
    if (host_ != nullptr) {
        host_->SetMaxLength(chars);
    }
}

void CRichEditUI::SetFont(int id) {
    font_ = id;
    ApplyFont();
    Invalidate();
}

void CRichEditUI::SetTextColor(DWORD color) {
    textColor_ = color;
    ApplyFont();
    Invalidate();
}

void CRichEditUI::SetTextPadding(RECT padding) {
    textPadding_ = padding;
    if (host_ != nullptr) {
        host_->ClientRectChanged();
    }
    Invalidate();
}

void CRichEditUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    using namespace AttributeValue;
    if (Is(name, L"vscrollbar") || Is(name, L"hscrollbar")) {
        const DWORD bit = Is(name, L"vscrollbar") ? WS_VSCROLL : WS_HSCROLL;
        scrollBars_ = IsTrue(value) ? (scrollBars_ | bit | ES_DISABLENOSCROLL) : (scrollBars_ & ~bit);
        if (host_ != nullptr) {
            host_->SetScrollBars(scrollBars_);
        }
        CContainerUI::SetAttribute(name, value);
    } else if (Is(name, L"autovscroll") || Is(name, L"autohscroll")) {
        const DWORD bit = Is(name, L"autovscroll") ? ES_AUTOVSCROLL : ES_AUTOHSCROLL;
        scrollBars_ = IsTrue(value) ? (scrollBars_ | bit) : (scrollBars_ & ~bit);
        if (host_ != nullptr) {
            host_->SetScrollBars(scrollBars_);
        }
    } else if (Is(name, L"wanttab")) {
        SetWantTab(IsTrue(value));
    } else if (Is(name, L"wantreturn")) {
        SetWantReturn(IsTrue(value));
    } else if (Is(name, L"wantctrlreturn")) {
        SetWantCtrlReturn(IsTrue(value));
    } else if (Is(name, L"transparent")) {
        SetTransparent(IsTrue(value));
    } else if (Is(name, L"rich")) {
        SetRich(IsTrue(value));
    } else if (Is(name, L"multiline")) {
        SetMultiLine(std::wcscmp(value, L"false") != 0);
    } else if (Is(name, L"readonly")) {
        if (IsTrue(value)) {
            SetReadOnly(true);
        }
    } else if (Is(name, L"password")) {
        if (IsTrue(value)) {
            SetPasswordMode(true);
        }
    } else if (Is(name, L"align")) {
        const uint32_t style = ApplyHorizontalAlign(0, value);
        align_ = (style & TextStyleBits::Right) != 0    ? PFA_RIGHT
                 : (style & TextStyleBits::Center) != 0 ? PFA_CENTER
                                                        : PFA_LEFT;
        if (host_ != nullptr) {
            host_->SetParagraphAlign(align_);
        }
    } else if (Is(name, L"font")) {
        SetFont(ParseInt(value));
    } else if (Is(name, L"maxchar")) {
        SetLimitText(ParseInt(value));
    } else if (Is(name, L"textcolor")) {
        const DWORD color = ParseColor(value);
        SetTextColor((color != 0 && (color & 0xFF000000) == 0) ? (color | 0xFF000000) : color);
    } else if (Is(name, L"textpadding")) {
        const UiRect rect = ParseRect(value);
        SetTextPadding(RECT{rect.left, rect.top, rect.right, rect.bottom});
    } else if (Is(name, L"focusedimage")) {
        focusedImage_.SetText(value);
        Invalidate();
    } else if (Is(name, L"disabledimage")) {
        disabledImage_.SetText(value);
        Invalidate();
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

void CRichEditUI::PaintStatusImage(HDC dc) {
    if (!IsEnabled() && DrawImage(dc, disabledImage_)) {
        return;
    }
    if (IsFocused()) {
        DrawImage(dc, focusedImage_);
    }
}

void CRichEditUI::PaintText(HDC dc) {
    if (host_ == nullptr) {
        return;
    }
    RECT text = GetTextRect();
    RECT update = paintRect_;
    const RECTL bounds{text.left, text.top, text.right, text.bottom};
    host_->GetServices()->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, dc, nullptr, &bounds, nullptr, &update, nullptr,
                                 0, TXTVIEW_ACTIVE);
}
