#include "toolkit/ControlUI.h"

#include "toolkit/RenderClip.h"
#include "toolkit/RenderKit.h"

bool CControlUI::Paint(HDC dc, const RECT& paint, CControlUI* stop) {
    if (stop == this) {
        return false;
    }
    if (!::IntersectRect(&paintRect_, &paint, &pos_)) {
        return true;
    }
    if (!DoPaint(dc, paint, stop)) {
        return false;
    }
    if (cover_ != nullptr && cover_->IsVisible()) {
        return cover_->Paint(dc, paint, stop);
    }
    return true;
}

bool CControlUI::DoPaint(HDC dc, const RECT& paint, CControlUI*) {
    if (!::IntersectRect(&paintRect_, &paint, &pos_)) {
        return true;
    }
    if (borderRound_.cx > 0 || borderRound_.cy > 0) {
        const SIZE round = Scaled(borderRound_);
        CRenderClip clip(dc, pos_, round.cx, round.cy);
        PaintBkColor(dc);
        PaintBkImage(dc);
        PaintStatusImage(dc);
        PaintText(dc);
        PaintBorder(dc);
    } else {
        PaintBkColor(dc);
        PaintBkImage(dc);
        PaintStatusImage(dc);
        PaintText(dc);
        PaintBorder(dc);
    }
    return true;
}

void CControlUI::PaintBkColor(HDC dc) {
    if (bkColor_ == 0) {
        return;
    }
    if (bkColor2_ == 0) {
        CRenderKit::DrawColor(dc, paintRect_, bkColor_);
        return;
    }
    if (bkColor3_ == 0) {
        CRenderKit::DrawGradient(dc, pos_, bkColor_, bkColor2_, true, 16);
        return;
    }
    RECT upper = pos_;
    upper.bottom = (pos_.top + pos_.bottom) / 2;
    RECT lower = pos_;
    lower.top = upper.bottom;
    CRenderKit::DrawGradient(dc, upper, bkColor_, bkColor2_, true, 8);
    CRenderKit::DrawGradient(dc, lower, bkColor2_, bkColor3_, true, 8);
}

void CControlUI::PaintBkImage(HDC dc) {
    DrawImage(dc, bkImage_);
}

void CControlUI::PaintStatusImage(HDC) {}

void CControlUI::PaintText(HDC) {}

void CControlUI::PaintBorder(HDC dc) {
    const DWORD color = (focused_ && focusBorderColor_ != 0) ? focusBorderColor_ : borderColor_;
    const RECT b = Scaled(borderSize_);
    if (color == 0 || (b.left <= 0 && b.top <= 0 && b.right <= 0 && b.bottom <= 0)) {
        return;
    }
    if (borderRound_.cx > 0 || borderRound_.cy > 0) {
        const SIZE round = Scaled(borderRound_);
        CRenderKit::DrawRoundRect(dc, pos_, b.left, round.cx, round.cy, color, borderStyle_);
        return;
    }
    if (b.left == b.top && b.left == b.right && b.left == b.bottom) {
        CRenderKit::DrawRect(dc, pos_, b.left, color, borderStyle_);
        return;
    }
    // One line per side, each inside the control along its edge.
    if (b.left > 0) {
        const int x = pos_.left + b.left / 2;
        CRenderKit::DrawLine(dc, RECT{x, pos_.top, x, pos_.bottom}, b.left, color, borderStyle_);
    }
    if (b.top > 0) {
        const int y = pos_.top + b.top / 2;
        CRenderKit::DrawLine(dc, RECT{pos_.left, y, pos_.right, y}, b.top, color, borderStyle_);
    }
    if (b.right > 0) {
        const int x = pos_.right - (b.right + 1) / 2;
        CRenderKit::DrawLine(dc, RECT{x, pos_.top, x, pos_.bottom}, b.right, color, borderStyle_);
    }
    if (b.bottom > 0) {
        const int y = pos_.bottom - (b.bottom + 1) / 2;
        CRenderKit::DrawLine(dc, RECT{pos_.left, y, pos_.right, y}, b.bottom, color, borderStyle_);
    }
}

void CControlUI::DoPostPaint(HDC, const RECT&) {}
