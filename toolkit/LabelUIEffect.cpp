#include "toolkit/GdiPlusInclude.h"
#include "toolkit/LabelUI.h"
#include "toolkit/UIManager.h"

#include <cmath>

namespace {

Gdiplus::Color ToGdiplus(DWORD argb) {
    return Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb));
}

}  // namespace

void CLabelUI::PaintEffectText(HDC dc, const RECT& rect, const std::wstring& text, DWORD color) {
    if (manager_ == nullptr || rect.right <= rect.left || rect.bottom <= rect.top) {
        return;
    }
    Gdiplus::Graphics graphics(dc);
    graphics.SetTextRenderingHint(static_cast<Gdiplus::TextRenderingHint>(renderingHint_));
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::Font font(dc, manager_->GetFont(font_));
    if (font.GetLastStatus() != Gdiplus::Ok) {
        return;
    }

    Gdiplus::StringFormat format;
    if ((textStyle_ & DT_VCENTER) != 0) {
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    } else if ((textStyle_ & DT_BOTTOM) != 0) {
        format.SetLineAlignment(Gdiplus::StringAlignmentFar);
    } else {
        format.SetLineAlignment(Gdiplus::StringAlignmentNear);
    }
    if ((textStyle_ & DT_CENTER) != 0) {
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
    } else if ((textStyle_ & DT_RIGHT) != 0) {
        format.SetAlignment(Gdiplus::StringAlignmentFar);
    } else {
        format.SetAlignment(Gdiplus::StringAlignmentNear);
    }
    if ((textStyle_ & DT_SINGLELINE) != 0) {
        format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
    }
    if ((textStyle_ & DT_END_ELLIPSIS) != 0) {
        format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
    }

    const Gdiplus::RectF area(static_cast<Gdiplus::REAL>(rect.left), static_cast<Gdiplus::REAL>(rect.top),
                              static_cast<Gdiplus::REAL>(rect.right - rect.left),
                              static_cast<Gdiplus::REAL>(rect.bottom - rect.top));
    const int length = static_cast<int>(text.size());

    if (shadow_) {
        const double radians = shadowAngle_ * 3.14159265358979 / 180.0;
        Gdiplus::RectF shadowArea = area;
        shadowArea.X += static_cast<Gdiplus::REAL>(Scaled(shadowOffset_) * std::cos(radians));
        shadowArea.Y += static_cast<Gdiplus::REAL>(Scaled(shadowOffset_) * std::sin(radians));
        const DWORD second = shadowColorB_ == 0xFFFFFFFF ? shadowColorA_ : shadowColorB_;
        Gdiplus::LinearGradientBrush shadowBrush(shadowArea, ToGdiplus(shadowColorA_), ToGdiplus(second),
                                                 static_cast<Gdiplus::REAL>(gradientAngle_), TRUE);
        graphics.DrawString(text.c_str(), length, &font, shadowArea, &format, &shadowBrush);
    }

    if (luminous_ || stroke_) {
        Gdiplus::FontFamily family;
        font.GetFamily(&family);
        Gdiplus::GraphicsPath path;
        const Gdiplus::REAL emSize = graphics.GetDpiY() * font.GetSize() / 72.0f;
        path.AddString(text.c_str(), length, &family, font.GetStyle(), emSize, area, &format);
        if (luminous_) {
            // A soft glow: the outline drawn wide and faint in the shadow colour.
            const Gdiplus::Color glow(60, (shadowColorA_ >> 16) & 0xFF, (shadowColorA_ >> 8) & 0xFF,
                                      shadowColorA_ & 0xFF);
            Gdiplus::Pen pen(glow, luminousFuzzy_ * 2.0f * GetScale() / 100.0f);
            pen.SetLineJoin(Gdiplus::LineJoinRound);
            graphics.DrawPath(&pen, &path);
        }
        if (stroke_ && strokeColor_ != 0) {
            Gdiplus::Pen pen(ToGdiplus(strokeColor_), 2.0f * GetScale() / 100.0f);
            pen.SetLineJoin(Gdiplus::LineJoinRound);
            graphics.DrawPath(&pen, &path);
        }
    }

    Gdiplus::RectF gradientArea = area;
    if (gradientLength_ > 0) {
        gradientArea.Height = static_cast<Gdiplus::REAL>(gradientLength_);
    }
    const DWORD second = textColor1_ == 0xFFFFFFFF ? color : textColor1_;
    Gdiplus::LinearGradientBrush brush(gradientArea, ToGdiplus(color), ToGdiplus(second),
                                       static_cast<Gdiplus::REAL>(gradientAngle_), TRUE);
    graphics.DrawString(text.c_str(), length, &font, area, &format, &brush);
}
