#include "toolkit/LabelUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/GdiTextMeasurer.h"
#include "toolkit/LanguageTexts.h"
#include "toolkit/RenderKit.h"
#include "toolkit/TextAlign.h"
#include "toolkit/TextSizing.h"
#include "toolkit/UIManager.h"

#include <cwchar>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

// Six hexadecimal digits leave the alpha byte 0; a text colour is meant opaque then.
DWORD OpaqueIfNoAlpha(DWORD color) {
    return (color != 0 && (color & 0xFF000000) == 0) ? (color | 0xFF000000) : color;
}

}  // namespace

CLabelUI::CLabelUI() = default;

const wchar_t* CLabelUI::GetClass() const {
    return L"Label";
}

void* CLabelUI::GetInterface(const wchar_t* name) {
    return Is(name, L"Label") ? this : CControlUI::GetInterface(name);
}

void CLabelUI::SetText(const std::wstring& text) {
    if (text != text_) {
        MarkSizeStale();
    }
    CControlUI::SetText(text);
}

void CLabelUI::SetFixedWidth(int width) {
    MarkSizeStale();
    CControlUI::SetFixedWidth(width);
}

void CLabelUI::SetFixedHeight(int height) {
    MarkSizeStale();
    CControlUI::SetFixedHeight(height);
}

std::wstring CLabelUI::GetDisplayText() const {
    return GetText();
}

int CLabelUI::GetFontLineHeight() const {
    return CGdiTextMeasurer(manager_).GetLineHeight(font_);
}

SIZE CLabelUI::EstimateSize(SIZE available) {
    if (fixedWidth_ > 0 && fixedHeight_ > 0) {
        return Scaled(SIZE{fixedWidth_, fixedHeight_});
    }
    if (manager_ == nullptr) {
        return SIZE{fixedWidth_, fixedHeight_};
    }
    const bool availableChanged = available.cx != lastAvailable_.cx || available.cy != lastAvailable_.cy;
    if (!sizeStale_ && !(IsMultiLine() && availableChanged)) {
        return lastEstimate_;
    }
    CGdiTextMeasurer measurer(manager_);
    TextSizeRequest request;
    request.text = CLanguageTexts::Replace(GetDisplayText());
    request.font = font_;
    const SIZE fixed = Scaled(SIZE{fixedWidth_, fixedHeight_});
    const RECT padding = Scaled(textPadding_);
    request.fixed = UiSize{fixed.cx, fixed.cy};
    request.available = UiSize{available.cx, available.cy};
    request.textPadding = UiRect{padding.left, padding.top, padding.right, padding.bottom};
    request.multiLine = IsMultiLine();
    request.effect = effect_;
    const UiSize size = EstimateTextSize(request, measurer);
    lastEstimate_ = SIZE{size.cx, size.cy};
    lastAvailable_ = available;
    sizeStale_ = false;
    return lastEstimate_;
}

void CLabelUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    using namespace AttributeValue;
    if (Is(name, L"align")) {
        SetTextStyle(ApplyHorizontalAlign(textStyle_, value));
    } else if (Is(name, L"valign")) {
        SetTextStyle(ApplyVerticalAlign(textStyle_, value));
    } else if (Is(name, L"endellipsis")) {
        SetTextStyle(IsTrue(value) ? (textStyle_ | DT_END_ELLIPSIS) : (textStyle_ & ~DT_END_ELLIPSIS));
    } else if (Is(name, L"font")) {
        SetFont(ParseInt(value));
    } else if (Is(name, L"textcolor")) {
        SetTextColor(ParseColor(value));
    } else if (Is(name, L"disabledtextcolor")) {
        SetDisabledTextColor(ParseColor(value));
    } else if (Is(name, L"disabledbkcolor")) {
        SetDisabledBkColor(ParseColor(value));
    } else if (Is(name, L"textpadding")) {
        const UiRect rect = ParseRect(value);
        SetTextPadding(RECT{rect.left, rect.top, rect.right, rect.bottom});
    } else if (Is(name, L"multiline")) {
        SetMultiLine(IsTrue(value));
    } else if (Is(name, L"showhtml")) {
        SetShowHtml(IsTrue(value));
    } else if (Is(name, L"enabledeffect")) {
        SetEnabledEffect(IsTrue(value));
    } else if (Is(name, L"enabledluminous")) {
        SetEnabledLuminous(IsTrue(value));
    } else if (Is(name, L"enabledstroke")) {
        SetEnabledStroke(IsTrue(value));
    } else if (Is(name, L"enabledshadow")) {
        SetEnabledShadow(IsTrue(value));
    } else if (Is(name, L"rhaa")) {
        SetTextRenderingHint(ParseInt(value));
    } else if (Is(name, L"luminousfuzzy")) {
        SetLuminousFuzzy(static_cast<float>(std::wcstod(value, nullptr)));
    } else if (Is(name, L"gradientangle")) {
        SetGradientAngle(ParseInt(value));
    } else if (Is(name, L"gradientlength")) {
        SetGradientLength(ParseInt(value));
    } else if (Is(name, L"shadowoffset")) {
        const UiSize pair = ParseSize(value);
        SetShadowOffset(pair.cx, pair.cy);
    } else if (Is(name, L"textcolor1")) {
        SetTextColor1(ParseColor(value));
    } else if (Is(name, L"textshadowcolora")) {
        SetShadowColorA(ParseColor(value));
    } else if (Is(name, L"textshadowcolorb")) {
        SetShadowColorB(ParseColor(value));
    } else if (Is(name, L"strokecolor")) {
        SetStrokeColor(ParseColor(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

void CLabelUI::SetTextColor(DWORD color) {
    textColor_ = OpaqueIfNoAlpha(color);
    Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD color) {
    disabledTextColor_ = OpaqueIfNoAlpha(color);
    Invalidate();
}

void CLabelUI::SetDisabledBkColor(DWORD color) {
    disabledBkColor_ = color;
    Invalidate();
}

void CLabelUI::SetFont(int id) {
    font_ = id;
    MarkSizeStale();
    Invalidate();
}

void CLabelUI::SetTextStyle(UINT style) {
    textStyle_ = style;
    MarkSizeStale();
    Invalidate();
}

void CLabelUI::SetTextPadding(RECT padding) {
    textPadding_ = padding;
    MarkSizeStale();
    NeedParentUpdate();
}

void CLabelUI::SetShowHtml(bool on) {
    if (showHtml_ == on) {
        return;
    }
    showHtml_ = on;
    MarkSizeStale();
    Invalidate();
}

void CLabelUI::SetMultiLine(bool on) {
    if (on) {
        textStyle_ = (textStyle_ & ~static_cast<UINT>(DT_SINGLELINE)) | DT_WORDBREAK;
    } else {
        textStyle_ |= DT_SINGLELINE;
    }
    MarkSizeStale();
    Invalidate();
}

void CLabelUI::SetEnabledEffect(bool on) {
    effect_ = on;
    MarkSizeStale();
    Invalidate();
}

void CLabelUI::SetEnabledLuminous(bool on) {
    luminous_ = on;
    Invalidate();
}

void CLabelUI::SetLuminousFuzzy(float fuzzy) {
    luminousFuzzy_ = fuzzy < 0.0001f ? 0.0001f : fuzzy;
    Invalidate();
}

void CLabelUI::SetGradientAngle(int angle) {
    gradientAngle_ = angle;
    Invalidate();
}

void CLabelUI::SetGradientLength(int length) {
    gradientLength_ = length;
    Invalidate();
}

void CLabelUI::SetTextColor1(DWORD color) {
    textColor1_ = color;
    Invalidate();
}

void CLabelUI::SetShadowColorA(DWORD color) {
    shadowColorA_ = color;
    Invalidate();
}

void CLabelUI::SetShadowColorB(DWORD color) {
    shadowColorB_ = color;
    Invalidate();
}

void CLabelUI::SetStrokeColor(DWORD color) {
    strokeColor_ = color;
    Invalidate();
}

void CLabelUI::SetEnabledStroke(bool on) {
    stroke_ = on;
    Invalidate();
}

void CLabelUI::SetEnabledShadow(bool on) {
    shadow_ = on;
    Invalidate();
}

void CLabelUI::SetShadowOffset(int offset, int angle) {
    if (angle < -180 || angle > 180) {
        return;
    }
    shadowOffset_ = offset;
    shadowAngle_ = angle;
    Invalidate();
}

void CLabelUI::SetTextRenderingHint(int hint) {
    renderingHint_ = hint;
    Invalidate();
}

void CLabelUI::ResolveDefaultColors() {
    if (manager_ == nullptr) {
        return;
    }
    if (textColor_ == 0) {
        textColor_ = manager_->GetDefaultFontColor();
    }
    if (disabledTextColor_ == 0) {
        disabledTextColor_ = manager_->GetDefaultDisabledColor();
    }
}

void CLabelUI::PaintBkColor(HDC dc) {
    if (!IsEnabled() && disabledBkColor_ != 0) {
        CRenderKit::DrawColor(dc, paintRect_, disabledBkColor_);
        return;
    }
    CControlUI::PaintBkColor(dc);
}

void CLabelUI::PaintText(HDC dc) {
    PaintLabelText(dc, 0);
}

void CLabelUI::PaintLabelText(HDC dc, DWORD color) {
    ResolveDefaultColors();
    const std::wstring text = GetDisplayText();
    if (text.empty()) {
        return;
    }
    RECT rect = pos_;
    const RECT padding = Scaled(textPadding_);
    rect.left += padding.left;
    rect.top += padding.top;
    rect.right -= padding.right;
    rect.bottom -= padding.bottom;
    if (color == 0) {
        color = IsEnabled() ? textColor_ : disabledTextColor_;
    }
    const std::wstring shown = CLanguageTexts::Replace(text);
    if (effect_) {
        PaintEffectText(dc, rect, shown, color);
        return;
    }
    // Without an HTML renderer, marked-up text is drawn as it is written.
    CRenderKit::DrawText(dc, manager_, rect, shown, color, font_, textStyle_);
}
