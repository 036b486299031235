#include "toolkit/EditWnd.h"

#include "toolkit/EditUI.h"
#include "toolkit/UIManager.h"

#include <vector>

namespace {

// Messages the manager reflects back to the window they came from.
constexpr UINT kReflectedCommand = 0x2000 + WM_COMMAND;
constexpr UINT kReflectedColorEdit = 0x2000 + WM_CTLCOLOREDIT;
constexpr UINT kReflectedColorStatic = 0x2000 + WM_CTLCOLORSTATIC;

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, buffer.data(), length + 1);
    return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

}  // namespace

bool CEditWnd::Init(CEditUI* owner) {
    owner_ = owner;
    CUIManager* manager = owner->GetManager();
    HWND parent = manager->GetPaintWindow();
    const RECT rect = owner->GetNativeEditRect();
    DWORD style = WS_CHILD | ES_AUTOHSCROLL;
    const UINT textStyle = owner->GetTextStyle();
    if ((textStyle & DT_CENTER) != 0) {
        style |= ES_CENTER;
    } else if ((textStyle & DT_RIGHT) != 0) {
        style |= ES_RIGHT;
    }
    if (owner->IsPasswordMode()) {
        style |= ES_PASSWORD;
    }
    if (owner->IsNumberOnly()) {
        style |= ES_NUMBER;
    }
    const DWORD color = owner->GetNativeEditBkColor();
    if (color != 0xFFFFFFFF && (color >> 24) < 0xFF) {
        CaptureBackground(rect);
    }
    if (Create(parent, nullptr, style, 0, rect) == nullptr) {
        return false;
    }
    layered_ = manager->IsLayered();
    quiet_ = true;
    ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(manager->GetFont(owner->GetFont())), TRUE);
    ::SendMessageW(window_, EM_LIMITTEXT, owner->GetMaxChar(), 0);
    if (owner->IsPasswordMode()) {
        ::SendMessageW(window_, EM_SETPASSWORDCHAR, owner->GetPasswordChar(), 0);
    }
    ::SetWindowTextW(window_, owner->GetText().c_str());
    ::SendMessageW(window_, EM_SETMODIFY, FALSE, 0);
    ::SendMessageW(window_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    ::EnableWindow(window_, owner->IsEnabled() ? TRUE : FALSE);
    ::SendMessageW(window_, EM_SETREADONLY, owner->IsReadOnly() ? TRUE : FALSE, 0);
    quiet_ = false;
    // Registered before it takes the focus, so the manager knows whose focus it is.
    manager->AddNativeWindow(owner, window_);
    if (layered_) {
        ::SetTimer(window_, kCaretTimerId, ::GetCaretBlinkTime(), nullptr);
    }
    if (rect.right > rect.left && rect.bottom > rect.top) {
        ::ShowWindow(window_, SW_SHOWNOACTIVATE);
    }
    ::SetFocus(window_);
    const int length = ::GetWindowTextLengthW(window_);
    if (owner->IsAutoSelAll() && length > 0) {
        ::SendMessageW(window_, EM_SETSEL, 0, -1);
    } else {
        ::SendMessageW(window_, EM_SETSEL, length, length);
    }
    return true;
}

void CEditWnd::Reposition() {
    if (window_ == nullptr || owner_ == nullptr) {
        return;
    }
    const RECT rect = owner_->GetNativeEditRect();
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        ::ShowWindow(window_, SW_HIDE);
        return;
    }
    ::SetWindowPos(window_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CEditWnd::SetTextQuietly(const std::wstring& text) {
    if (window_ == nullptr) {
        return;
    }
    quiet_ = true;
    ::SetWindowTextW(window_, text.c_str());
    quiet_ = false;
}

void CEditWnd::DetachOwner() {
    owner_ = nullptr;
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    } else {
        delete this;
    }
}

void CEditWnd::CaptureBackground(const RECT& rect) {
    CUIManager* manager = owner_->GetManager();
    HDC source = manager->GetPaintDC();
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (source == nullptr || width <= 0 || height <= 0) {
        return;
    }
    UniqueMemoryDc memory(::CreateCompatibleDC(source));
    background_.reset(::CreateCompatibleBitmap(source, width, height));
    if (!memory || !background_) {
        background_.reset();
        return;
    }
    ScopedSelectObject select(memory.get(), background_.get());
    ::BitBlt(memory.get(), 0, 0, width, height, source, rect.left, rect.top, SRCCOPY);
}

LRESULT CEditWnd::OnControlColor(HDC dc) {
    const DWORD color = owner_->GetNativeEditBkColor();
    HWND parent = ::GetParent(window_);
    if (color == 0xFFFFFFFF) {
        return ::DefWindowProcW(parent, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                reinterpret_cast<LPARAM>(window_));
    }
    ::SetBkMode(dc, TRANSPARENT);
    const DWORD text = owner_->GetEditTextColor();
    ::SetTextColor(dc, RGB((text >> 16) & 0xFF, (text >> 8) & 0xFF, text & 0xFF));
    if ((color >> 24) < 0xFF && background_) {
        brush_.reset(::CreatePatternBrush(background_.get()));
    } else {
        brush_.reset(::CreateSolidBrush(RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF)));
    }
    return reinterpret_cast<LRESULT>(brush_.get());
}

void CEditWnd::RepaintLayered() {
    if (layered_ && owner_ != nullptr) {
        owner_->Invalidate();
    }
}

LRESULT CEditWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KILLFOCUS: {
            const LRESULT result = CWindowWnd::HandleMessage(message, wParam, lParam);
            if (owner_ != nullptr) {
                CUIManager* manager = owner_->GetManager();
                HWND to = reinterpret_cast<HWND>(wParam);
                if (manager != nullptr && to != manager->GetPaintWindow()) {
                    ::SendMessageW(manager->GetPaintWindow(), WM_KILLFOCUS, wParam, lParam);
                }
            }
            PostMessage(WM_CLOSE);
            return result;
        }
        case kReflectedCommand:
            if (owner_ != nullptr && !quiet_) {
                if (HIWORD(wParam) == EN_CHANGE) {
                    owner_->OnNativeTextChanged(WindowText(window_));
                } else if (HIWORD(wParam) == EN_UPDATE) {
                    RepaintLayered();
                }
            }
            return 0;
        case kReflectedColorEdit:
        case kReflectedColorStatic:
            if (owner_ == nullptr) {
                return 0;
            }
            return OnControlColor(reinterpret_cast<HDC>(wParam));
        case WM_KEYDOWN:
            if (wParam == VK_RETURN && owner_ != nullptr) {
                owner_->OnNativeReturn();
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == VK_RETURN) {
                return 0;  // a single-line edit only beeps at it
            }
            break;
        case WM_TIMER:
            if (wParam == kCaretTimerId) {
                caretOn_ = !caretOn_;
                RepaintLayered();
                return 0;
            }
            break;
        default:
            break;
    }
    const LRESULT result = CWindowWnd::HandleMessage(message, wParam, lParam);
    if (layered_ && (message == WM_KEYDOWN || message == WM_CHAR || message == WM_LBUTTONDOWN ||
                     message == WM_MOUSEMOVE || message == WM_LBUTTONUP)) {
        caretOn_ = true;
        RepaintLayered();
    }
    return result;
}

void CEditWnd::OnFinalMessage(HWND window) {
    if (owner_ != nullptr) {
        owner_->OnNativeWindowClosed(window);
    }
    delete this;
}
