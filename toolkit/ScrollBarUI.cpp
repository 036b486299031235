#include "toolkit/ScrollBarUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/RenderKit.h"
#include "toolkit/UIManager.h"

#include <algorithm>
#include <cwchar>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

RECT ToRect(const UiRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

bool Contains(const UiRect& r, POINT p) {
    return !r.IsEmpty() && p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

}  // namespace

CScrollBarUI::CScrollBarUI() {
    fixedWidth_ = 16;
}

const wchar_t* CScrollBarUI::GetClass() const {
    return L"ScrollBar";
}

void* CScrollBarUI::GetInterface(const wchar_t* name) {
    if (Is(name, L"ScrollBar")) {
        return this;
    }
    if (Is(name, L"IScrollBar")) {
        return static_cast<IScrollBarUI*>(this);
    }
    return CControlUI::GetInterface(name);
}

void CScrollBarUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    if (!enabled) {
        held_ = Held::None;
        hot_ = kPartCount;
        state_.Clear();
    }
}

void CScrollBarUI::SetHorizontal(bool horizontal) {
    if (horizontal_ == horizontal) {
        return;
    }
    horizontal_ = horizontal;
    if (horizontal_) {
        fixedHeight_ = fixedWidth_ > 0 ? fixedWidth_ : 16;
        fixedWidth_ = 0;
    } else {
        fixedWidth_ = fixedHeight_ > 0 ? fixedHeight_ : 16;
        fixedHeight_ = 0;
    }
    NeedParentUpdate();
}

void CScrollBarUI::SetScrollRange(int range) {
    range = std::max(range, 0);
    if (range_ == range) {
        return;
    }
    range_ = range;
    scrollPos_ = std::clamp(scrollPos_, 0, range_);
    Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos) {
    pos = std::clamp(pos, 0, range_);
    if (scrollPos_ == pos) {
        return;
    }
    scrollPos_ = pos;
    Invalidate();
}

void CScrollBarUI::SetLineSize(int size) {
    lineSize_ = size > 0 ? size : 1;
}

void CScrollBarUI::SetShowButton1(bool show) {
    showButton1_ = show;
    Invalidate();
}

void CScrollBarUI::SetShowButton2(bool show) {
    showButton2_ = show;
    Invalidate();
}

ScrollBarParts CScrollBarUI::GetParts() const {
    return CScrollBarGeometry::Layout(UiRect{pos_.left, pos_.top, pos_.right, pos_.bottom}, horizontal_, range_,
                                      scrollPos_, showButton1_, showButton2_);
}

// Moves by `delta` units: through the owner, which moves its children and sets our
// position, or on our own.
void CScrollBarUI::Scroll(int delta) {
    const int old = scrollPos_;
    if (owner_ != nullptr) {
        SIZE pos = owner_->GetScrollPos();
        (horizontal_ ? pos.cx : pos.cy) += delta;
        owner_->SetScrollPos(pos);
    } else {
        SetScrollPos(scrollPos_ + delta);
    }
    if (owner_ == nullptr && scrollPos_ != old && manager_ != nullptr) {
        manager_->SendNotify(this, L"scroll", 0, 0, true, false);
    }
}

void CScrollBarUI::StepHeld() {
    const ScrollBarParts parts = GetParts();
    const int page = horizontal_ ? parts.rail.Width() : parts.rail.Height();
    switch (held_) {
        case Held::Button1:
            Scroll(-lineSize_ * scrollUnit_);
            break;
        case Held::Button2:
            Scroll(lineSize_ * scrollUnit_);
            break;
        case Held::RailBefore:
            if (owner_ != nullptr) {
                horizontal_ ? owner_->PageLeft() : owner_->PageUp();
            } else {
                Scroll(-std::max(page, 1));
            }
            break;
        case Held::RailAfter:
            if (owner_ != nullptr) {
                horizontal_ ? owner_->PageRight() : owner_->PageDown();
            } else {
                Scroll(std::max(page, 1));
            }
            break;
        default:
            break;
    }
}

void CScrollBarUI::UpdateHot(POINT point) {
    const ScrollBarParts parts = GetParts();
    Part hot = kPartCount;
    if (Contains(parts.button1, point)) {
        hot = kButton1;
    } else if (Contains(parts.button2, point)) {
        hot = kButton2;
    } else if (Contains(parts.thumb, point)) {
        hot = kThumb;
    }
    if (hot != hot_) {
        hot_ = hot;
        Invalidate();
    }
}

void CScrollBarUI::DoEvent(UIEvent& event) {
    if (PassMouseEventOn(event, owner_)) {
        return;
    }
    switch (event.type) {
        case UIEventType::ButtonDown:
        case UIEventType::DblClick: {
            if (!IsEnabled()) {
                return;
            }
            const ScrollBarParts parts = GetParts();
            const POINT p = event.mouse;
            ticks_ = 0;
            if (Contains(parts.button1, p)) {
                held_ = Held::Button1;
            } else if (Contains(parts.button2, p)) {
                held_ = Held::Button2;
            } else if (Contains(parts.thumb, p)) {
                held_ = Held::Thumb;
                dragStart_ = p;
                dragStartPos_ = scrollPos_;
            } else if (Contains(parts.rail, p)) {
                const bool before = horizontal_ ? p.x < parts.thumb.left : p.y < parts.thumb.top;
                held_ = before ? Held::RailBefore : Held::RailAfter;
            } else {
                return;
            }
            (void)state_.Press(true, true);
            StepHeld();
            if (manager_ != nullptr && held_ != Held::Thumb) {
                manager_->SetTimer(this, kRepeatTimerId, kRepeatInterval);
            }
            Invalidate();
            return;
        }
        case UIEventType::ButtonUp:
            held_ = Held::None;
            (void)state_.Release(false, IsEnabled());
            if (manager_ != nullptr) {
                manager_->KillTimer(this, kRepeatTimerId);
            }
            Invalidate();
            return;
        case UIEventType::MouseMove:
            if (held_ == Held::Thumb) {
                const int travel = horizontal_ ? event.mouse.x - dragStart_.x : event.mouse.y - dragStart_.y;
                const int target =
                    CScrollBarGeometry::DragPosition(GetParts(), horizontal_, range_, dragStartPos_, travel);
                Scroll(target - scrollPos_);
            } else if (IsEnabled()) {
                UpdateHot(event.mouse);
            }
            return;
        case UIEventType::MouseEnter:
            if (IsEnabled()) {
                state_.Enter(true);
                UpdateHot(event.mouse);
                Invalidate();
            }
            return;
        case UIEventType::MouseLeave:
            if (IsEnabled()) {
                state_.Leave(true);
                hot_ = kPartCount;
                Invalidate();
            }
            return;
        case UIEventType::Timer:
            if (event.wParam == kRepeatTimerId) {
                ++ticks_;
                if (held_ == Held::None) {
                    if (manager_ != nullptr) {
                        manager_->KillTimer(this, kRepeatTimerId);
                    }
                } else if (CScrollBarGeometry::RepeatsOnTick(ticks_)) {
                    StepHeld();
                }
                return;
            }
            break;
        case UIEventType::ScrollWheel:
            if (owner_ != nullptr) {
                owner_->DoEvent(event);
                return;
            }
            break;
        default:
            break;
    }
    CControlUI::DoEvent(event);
}

void CScrollBarUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    using namespace AttributeValue;
    struct ImageName {
        const wchar_t* prefix;
        Part part;
    };
    static const ImageName kPrefixes[] = {
        {L"button1", kButton1}, {L"button2", kButton2}, {L"thumb", kThumb}, {L"rail", kRail}, {L"bk", kBackground},
    };
    static const wchar_t* const kLooks[] = {L"normalimage", L"hotimage", L"pushedimage", L"disabledimage"};
    for (const ImageName& image : kPrefixes) {
        const size_t length = std::wcslen(image.prefix);
        if (std::wcsncmp(name, image.prefix, length) != 0) {
            continue;
        }
        for (int look = 0; look < kLookCount; ++look) {
            if (Is(name + length, kLooks[look])) {
                images_[image.part][look].SetText(value);
                Invalidate();
                return;
            }
        }
    }
    if (Is(name, L"button1color")) {
        colors_[0] = ParseColor(value);
        Invalidate();
    } else if (Is(name, L"button2color")) {
        colors_[1] = ParseColor(value);
        Invalidate();
    } else if (Is(name, L"thumbcolor")) {
        colors_[2] = ParseColor(value);
        Invalidate();
    } else if (Is(name, L"hor")) {
        SetHorizontal(IsTrue(value));
    } else if (Is(name, L"linesize")) {
        SetLineSize(ParseInt(value));
    } else if (Is(name, L"range")) {
        SetScrollRange(ParseInt(value));
    } else if (Is(name, L"value")) {
        SetScrollPos(ParseInt(value));
    } else if (Is(name, L"scrollunit")) {
        SetScrollUnit(ParseInt(value));
    } else if (Is(name, L"showbutton1")) {
        SetShowButton1(IsTrue(value));
    } else if (Is(name, L"showbutton2")) {
        SetShowButton2(IsTrue(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

CScrollBarUI::Look CScrollBarUI::LookOf(Part part) const {
    if (!IsEnabled()) {
        return kDisabled;
    }
    const bool pushed = (part == kButton1 && held_ == Held::Button1) || (part == kButton2 && held_ == Held::Button2) ||
                        (part == kThumb && held_ == Held::Thumb) ||
                        ((part == kRail || part == kBackground) && state_.Has(UIState::Pushed));
    if (pushed) {
        return kPushed;
    }
    if (part == kRail || part == kBackground) {
        return state_.Has(UIState::Hot) ? kHot : kNormal;
    }
    return hot_ == part ? kHot : kNormal;
}

void CScrollBarUI::PaintPart(HDC dc, Part part, const UiRect& rect) {
    if (rect.IsEmpty()) {
        return;
    }
    const RECT area = ToRect(rect);
    const Look look = LookOf(part);
    if (CRenderKit::DrawImage(dc, manager_, area, paintRect_, images_[part][look])) {
        return;
    }
    if (look != kNormal && CRenderKit::DrawImage(dc, manager_, area, paintRect_, images_[part][kNormal])) {
        return;
    }
    if (part <= kThumb && colors_[part] != 0) {
        RECT visible{};
        if (::IntersectRect(&visible, &area, &paintRect_)) {
            CRenderKit::DrawColor(dc, visible, colors_[part]);
        }
    }
}

void CScrollBarUI::PaintBkImage(HDC dc) {
    CControlUI::PaintBkImage(dc);
    PaintPart(dc, kBackground, UiRect{pos_.left, pos_.top, pos_.right, pos_.bottom});
}

void CScrollBarUI::PaintStatusImage(HDC dc) {
    const ScrollBarParts parts = GetParts();
    PaintPart(dc, kButton1, parts.button1);
    PaintPart(dc, kButton2, parts.button2);
    PaintPart(dc, kRail, parts.rail);
    PaintPart(dc, kThumb, parts.thumb);
}
