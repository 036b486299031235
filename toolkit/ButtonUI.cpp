#include "toolkit/ButtonUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/RenderKit.h"
#include "toolkit/UIManager.h"

#include <cwchar>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

}  // namespace

CButtonUI::CButtonUI() {
    textStyle_ = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
}

const wchar_t* CButtonUI::GetClass() const {
    return L"Button";
}

void* CButtonUI::GetInterface(const wchar_t* name) {
    return Is(name, L"Button") ? this : CLabelUI::GetInterface(name);
}

UINT CButtonUI::GetControlFlags() const {
    return (IsKeyboardEnabled() ? UIFlag::TabStop : 0) | (IsEnabled() ? UIFlag::SetCursor : 0);
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) {
        return false;
    }
    if (manager_ != nullptr) {
        manager_->SendNotify(this, L"click");
    }
    return true;
}

void CButtonUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    if (!enabled) {
        state_.Clear();
    }
}

void CButtonUI::StartFade() {
    if (fade_.IsOn() && manager_ != nullptr) {
        manager_->SetTimer(this, kFadeTimerId, kFadeInterval);
    }
}

void CButtonUI::DoEvent(UIEvent& event) {
    if (PassMouseEventOn(event, parent_)) {
        return;
    }
    const bool inside = ::PtInRect(&pos_, event.mouse) != FALSE;
    switch (event.type) {
        case UIEventType::SetFocus:
        case UIEventType::KillFocus:
            CLabelUI::DoEvent(event);
            Invalidate();
            return;
        case UIEventType::KeyDown:
            if (IsKeyboardEnabled() && IsEnabled() && (event.key == VK_SPACE || event.key == VK_RETURN)) {
                Activate();
                return;
            }
            break;
        case UIEventType::ButtonDown:
        case UIEventType::DblClick:
            if (state_.Press(inside, IsEnabled())) {
                Invalidate();
            }
            return;
        case UIEventType::MouseMove:
            if (state_.Drag(inside)) {
                Invalidate();
            }
            return;
        case UIEventType::ButtonUp:
            if (state_.Has(UIState::Captured)) {
                const bool click = state_.Release(inside, IsEnabled());
                Invalidate();
                if (click) {
                    Activate();
                }
            }
            return;
        case UIEventType::ContextMenu:
            if (IsContextMenuUsed() && IsEnabled() && manager_ != nullptr) {
                manager_->SendNotify(this, L"menu", event.wParam, event.lParam);
            }
            return;
        case UIEventType::MouseEnter:
        case UIEventType::MouseLeave:
            if (TrackHover(event, inside, state_)) {
                if (manager_ != nullptr) {
                    manager_->SendNotify(this, event.type == UIEventType::MouseEnter ? L"mouseenter" : L"mouseleave");
                }
                StartFade();
            }
            return;
        case UIEventType::SetCursor:
            ::SetCursor(::LoadCursorW(nullptr, cursor_ == L"arrow" ? IDC_ARROW : IDC_HAND));
            return;
        case UIEventType::Timer:
            if (event.wParam == kFadeTimerId) {
                if (fade_.Step(state_.Has(UIState::Hot)) && manager_ != nullptr) {
                    manager_->KillTimer(this, kFadeTimerId);
                }
                Invalidate();
                return;
            }
            break;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

SIZE CButtonUI::EstimateSize(SIZE available) {
    if (fixedHeight_ > 0) {
        return CControlUI::EstimateSize(available);
    }
    return SIZE{Scaled(fixedWidth_), GetFontLineHeight() + Scaled(8)};
}

void CButtonUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    using namespace AttributeValue;
    if (Is(name, L"normalimage")) {
        SetNormalImage(value);
    } else if (Is(name, L"hotimage")) {
        SetHotImage(value);
    } else if (Is(name, L"pushedimage")) {
        SetPushedImage(value);
    } else if (Is(name, L"focusedimage")) {
        SetFocusedImage(value);
    } else if (Is(name, L"disabledimage")) {
        SetDisabledImage(value);
    } else if (Is(name, L"hotforeimage")) {
        SetHotForeImage(value);
    } else if (Is(name, L"foreimage")) {
        SetForeImage(value);
    } else if (Is(name, L"fivestatusimage")) {
        SetFiveStatusImage(value);
    } else if (Is(name, L"fadedelta")) {
        SetFadeDelta(ParseInt(value));
    } else if (Is(name, L"hotbkcolor")) {
        SetHotBkColor(ParseColor(value));
    } else if (Is(name, L"hottextcolor")) {
        SetHotTextColor(ParseColor(value));
    } else if (Is(name, L"pushedtextcolor")) {
        SetPushedTextColor(ParseColor(value));
    } else if (Is(name, L"focusedtextcolor")) {
        SetFocusedTextColor(ParseColor(value));
    } else if (Is(name, L"focusedbkcolor")) {
        SetFocusedBkColor(ParseColor(value));
    } else if (Is(name, L"cursor")) {
        SetCursor(value);
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

namespace {

void Assign(CControlUI* control, ImageDescriptor& descriptor, const std::wstring& text) {
    descriptor.SetText(text);
    control->Invalidate();
}

}  // namespace

void CButtonUI::SetNormalImage(const std::wstring& descriptor) {
    Assign(this, normalImage_, descriptor);
}

void CButtonUI::SetHotImage(const std::wstring& descriptor) {
    Assign(this, hotImage_, descriptor);
}

void CButtonUI::SetHotForeImage(const std::wstring& descriptor) {
    Assign(this, hotForeImage_, descriptor);
}

void CButtonUI::SetPushedImage(const std::wstring& descriptor) {
    Assign(this, pushedImage_, descriptor);
}

void CButtonUI::SetPushedForeImage(const std::wstring& descriptor) {
    Assign(this, pushedForeImage_, descriptor);
}

void CButtonUI::SetFocusedImage(const std::wstring& descriptor) {
    Assign(this, focusedImage_, descriptor);
}

void CButtonUI::SetDisabledImage(const std::wstring& descriptor) {
    Assign(this, disabledImage_, descriptor);
}

void CButtonUI::SetForeImage(const std::wstring& descriptor) {
    Assign(this, foreImage_, descriptor);
}

void CButtonUI::SetFiveStatusImage(const std::wstring& descriptor) {
    ImageDescriptor probe(descriptor);
    if (!CRenderKit::DrawImage(nullptr, manager_, pos_, pos_, probe)) {
        return;
    }
    const ImageParams& params = probe.params;
    const ImageEntry* image =
        manager_ != nullptr ? manager_->GetImageEx(params.name, params.resourceType, params.mask, params.hsl)
                            : CUIManager::GetSharedImageEx(params.name, params.resourceType, params.mask, params.hsl);
    if (image == nullptr) {
        return;
    }
    const int column = image->width / 5;
    ImageDescriptor* targets[] = {&normalImage_, &pushedImage_, &hotImage_, &focusedImage_, &disabledImage_};
    for (int i = 0; i < 5; ++i) {
        ImageDescriptor& target = *targets[i];
        target.SetText(descriptor);
        target.params = params;
        target.parsed = true;
        target.params.source = UiRect{i * column, 0, (i + 1) * column, image->height};
        target.sourceInPixels = true;
    }
    Invalidate();
}

void CButtonUI::SetHotBkColor(DWORD color) {
    hotBkColor_ = color;
    Invalidate();
}

void CButtonUI::SetHotTextColor(DWORD color) {
    hotTextColor_ = color;
    Invalidate();
}

void CButtonUI::SetPushedTextColor(DWORD color) {
    pushedTextColor_ = color;
    Invalidate();
}

void CButtonUI::SetFocusedTextColor(DWORD color) {
    focusedTextColor_ = color;
    Invalidate();
}

void CButtonUI::SetFocusedBkColor(DWORD color) {
    focusedBkColor_ = color;
    Invalidate();
}

void CButtonUI::SetFadeDelta(int delta) {
    fade_.SetDelta(delta);
}

void CButtonUI::SetCursor(const std::wstring& name) {
    cursor_ = name;
}

void CButtonUI::SyncStateFromControl() {
    state_.Set(UIState::Focused, IsFocused());
    state_.Set(UIState::Disabled, !IsEnabled());
}

bool CButtonUI::DrawStateImage(HDC dc, ImageDescriptor& descriptor, int alpha) {
    if (descriptor.IsEmpty()) {
        return false;
    }
    if (alpha < 0) {
        return DrawImage(dc, descriptor);
    }
    // Parse and load first, so the fade applies to the descriptor's own value.
    if (!CRenderKit::DrawImage(nullptr, manager_, pos_, paintRect_, descriptor)) {
        return false;
    }
    const uint8_t saved = descriptor.params.fade;
    descriptor.params.fade = static_cast<uint8_t>(saved * alpha / 255);
    const bool drawn = DrawImage(dc, descriptor);
    descriptor.params.fade = saved;
    return drawn;
}

void CButtonUI::PaintBkColor(HDC dc) {
    if (!IsEnabled()) {
        CLabelUI::PaintBkColor(dc);
        return;
    }
    if (IsFocused() && focusedBkColor_ != 0) {
        CRenderKit::DrawColor(dc, paintRect_, focusedBkColor_);
        return;
    }
    CControlUI::PaintBkColor(dc);
}

void CButtonUI::PaintStatusImage(HDC dc) {
    SyncStateFromControl();
    PaintButtonImages(dc, state_.GetState());
}

void CButtonUI::PaintButtonImages(HDC dc, UINT state) {
    // The normal image, cross-faded with the hot one while a fade runs.
    auto paintNormal = [&]() {
        if (fade_.IsOn() && fade_.GetAlpha() < 255 && !hotImage_.IsEmpty()) {
            DrawStateImage(dc, normalImage_, fade_.GetAlpha());
            DrawStateImage(dc, hotImage_, 255 - fade_.GetAlpha());
        } else {
            DrawStateImage(dc, normalImage_);
        }
    };
    if ((state & UIState::Disabled) != 0) {
        if (!DrawStateImage(dc, disabledImage_)) {
            DrawStateImage(dc, normalImage_);
        }
    } else if ((state & UIState::Pushed) != 0) {
        if (!DrawStateImage(dc, pushedImage_)) {
            DrawStateImage(dc, normalImage_);
        }
        if (DrawStateImage(dc, pushedForeImage_)) {
            return;
        }
    } else if ((state & UIState::Hot) != 0) {
        if (fade_.IsOn()) {
            DrawStateImage(dc, normalImage_, fade_.GetAlpha());
            DrawStateImage(dc, hotImage_, 255 - fade_.GetAlpha());
        } else if (!DrawStateImage(dc, hotImage_)) {
            DrawStateImage(dc, normalImage_);
        }
        if (DrawStateImage(dc, hotForeImage_)) {
            return;
        }
        if (hotBkColor_ != 0) {
            CRenderKit::DrawColor(dc, paintRect_, hotBkColor_);
            return;
        }
    } else if ((state & UIState::Focused) != 0) {
        if (!DrawStateImage(dc, focusedImage_)) {
            paintNormal();
        }
    } else {
        paintNormal();
    }
    DrawStateImage(dc, foreImage_);
}

DWORD CButtonUI::StateTextColor(UINT state) const {
    if ((state & UIState::Pushed) != 0 && pushedTextColor_ != 0) {
        return pushedTextColor_;
    }
    if ((state & UIState::Hot) != 0 && hotTextColor_ != 0) {
        return hotTextColor_;
    }
    if ((state & UIState::Focused) != 0 && focusedTextColor_ != 0) {
        return focusedTextColor_;
    }
    return 0;
}

void CButtonUI::PaintText(HDC dc) {
    SyncStateFromControl();
    PaintLabelText(dc, IsEnabled() ? StateTextColor(state_.GetState()) : 0);
}
