#include "toolkit/ControlUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/RenderKit.h"
#include "toolkit/IControlHost.h"

#include <cwchar>

namespace {

// "l,t,r,b" as four decimal fractions.
UiFloatAnchor ParseAnchor(const wchar_t* text) {
    UiFloatAnchor anchor;
    double* parts[] = {&anchor.left, &anchor.top, &anchor.right, &anchor.bottom};
    for (double* part : parts) {
        wchar_t* end = nullptr;
        *part = std::wcstod(text, &end);
        text = end;
        if (*text != L'\0') {
            ++text;
        }
    }
    return anchor;
}

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

}  // namespace

void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    using namespace AttributeValue;
    if (Is(name, L"pos")) {
        const UiRect rect = ParseRect(value);
        SetFixedXY(SIZE{rect.left, rect.top});
        SetFixedWidth(rect.right - rect.left);
        SetFixedHeight(rect.bottom - rect.top);
    } else if (Is(name, L"padding")) {
        const UiRect rect = ParseRect(value);
        SetPadding(RECT{rect.left, rect.top, rect.right, rect.bottom});
    } else if (Is(name, L"bkcolor") || Is(name, L"bkcolor1")) {
        SetBkColor(ParseColor(value));
    } else if (Is(name, L"bkcolor2")) {
        SetBkColor2(ParseColor(value));
    } else if (Is(name, L"bkcolor3")) {
        SetBkColor3(ParseColor(value));
    } else if (Is(name, L"bordercolor")) {
        SetBorderColor(ParseColor(value));
    } else if (Is(name, L"focusbordercolor")) {
        SetFocusBorderColor(ParseColor(value));
    } else if (Is(name, L"colorhsl")) {
        SetColorHSL(IsTrue(value));
    } else if (Is(name, L"bordersize")) {
        if (std::wcschr(value, L',') != nullptr) {
            const UiRect rect = ParseRect(value);
            SetBorderSize(RECT{rect.left, rect.top, rect.right, rect.bottom});
        } else {
            SetBorderSize(ParseInt(value));
        }
    } else if (Is(name, L"borderstyle")) {
        SetBorderStyle(ParseInt(value));
    } else if (Is(name, L"borderround")) {
        const UiSize size = ParseSize(value);
        SetBorderRound(SIZE{size.cx, size.cy});
    } else if (Is(name, L"bkimage")) {
        SetBkImage(value);
    } else if (Is(name, L"width")) {
        SetFixedWidth(ParseInt(value));
    } else if (Is(name, L"height")) {
        SetFixedHeight(ParseInt(value));
    } else if (Is(name, L"minwidth")) {
        SetMinWidth(ParseInt(value));
    } else if (Is(name, L"minheight")) {
        SetMinHeight(ParseInt(value));
    } else if (Is(name, L"maxwidth")) {
        SetMaxWidth(ParseInt(value));
    } else if (Is(name, L"maxheight")) {
        SetMaxHeight(ParseInt(value));
    } else if (Is(name, L"name")) {
        SetName(value);
    } else if (Is(name, L"text")) {
        SetText(value);
    } else if (Is(name, L"tooltip")) {
        SetToolTip(value);
    } else if (Is(name, L"userdata")) {
        SetUserData(value);
    } else if (Is(name, L"tag")) {
        SetTag(static_cast<UINT_PTR>(ParseInt(value)));
    } else if (Is(name, L"enabled")) {
        SetEnabled(IsTrue(value));
    } else if (Is(name, L"mouse")) {
        SetMouseEnabled(IsTrue(value));
    } else if (Is(name, L"keyboard")) {
        SetKeyboardEnabled(IsTrue(value));
    } else if (Is(name, L"visible")) {
        SetVisible(IsTrue(value));
    } else if (Is(name, L"float")) {
        if (std::wcschr(value, L',') != nullptr) {
            SetFloatPercent(ParseAnchor(value));
            SetFloat(true);
        } else {
            SetFloat(IsTrue(value));
        }
    } else if (Is(name, L"shortcut")) {
        SetShortcut(value[0]);
    } else if (Is(name, L"menu")) {
        SetContextMenuUsed(IsTrue(value));
    } else if (Is(name, L"virtualwnd")) {
        SetVirtualWnd(value);
    } else {
        AddCustomAttribute(name, value);
    }
}

void CControlUI::SetBkColor(DWORD color) {
    if (bkColor_ != color) {
        bkColor_ = color;
        Invalidate();
    }
}

void CControlUI::SetBkColor2(DWORD color) {
    if (bkColor2_ != color) {
        bkColor2_ = color;
        Invalidate();
    }
}

void CControlUI::SetBkColor3(DWORD color) {
    if (bkColor3_ != color) {
        bkColor3_ = color;
        Invalidate();
    }
}

void CControlUI::SetBorderColor(DWORD color) {
    if (borderColor_ != color) {
        borderColor_ = color;
        Invalidate();
    }
}

void CControlUI::SetFocusBorderColor(DWORD color) {
    if (focusBorderColor_ != color) {
        focusBorderColor_ = color;
        Invalidate();
    }
}

void CControlUI::SetColorHSL(bool on) {
    if (colorHSL_ != on) {
        colorHSL_ = on;
        Invalidate();
    }
}

void CControlUI::SetBorderSize(RECT size) {
    borderSize_ = size;
    Invalidate();
}

void CControlUI::SetBorderSize(int size) {
    SetBorderSize(RECT{size, size, size, size});
}

void CControlUI::SetBorderStyle(int style) {
    borderStyle_ = style;
    Invalidate();
}

void CControlUI::SetBorderRound(SIZE round) {
    borderRound_ = round;
    Invalidate();
}

void CControlUI::SetBkImage(const std::wstring& descriptor) {
    // Setting a text again, even the same one, retries an image that failed to load.
    bkImage_.SetText(descriptor);
    CRenderKit::DrawImage(nullptr, controlHost_, pos_, pos_, bkImage_);
    Invalidate();
}

bool CControlUI::DrawImage(HDC dc, ImageDescriptor& descriptor) {
    return CRenderKit::DrawImage(dc, controlHost_, pos_, paintRect_, descriptor);
}

std::wstring CControlUI::GetEffectiveVirtualWnd() const {
    for (const CControlUI* control = this; control != nullptr; control = control->GetParent()) {
        if (!control->GetVirtualWnd().empty()) {
            return control->GetVirtualWnd();
        }
    }
    return std::wstring();
}

void CControlUI::SetVirtualWnd(const std::wstring& name) {
    virtualWnd_ = name;
    if (controlHost_ != nullptr) {
        controlHost_->UsedVirtualWnd(true);
    }
}

std::wstring CControlUI::GetCustomAttribute(const std::wstring& name) const {
    const auto it = customAttributes_.find(name);
    return it != customAttributes_.end() ? it->second : std::wstring();
}

void CControlUI::AddCustomAttribute(const std::wstring& name, const std::wstring& value) {
    if (!name.empty()) {
        customAttributes_.emplace(name, value);  // the first value stays
    }
}

bool CControlUI::RemoveCustomAttribute(const std::wstring& name) {
    return customAttributes_.erase(name) > 0;
}
