#include "toolkit/BoxLayout.h"

#include <algorithm>

namespace {

int Clamp(int value, int low, int high) {
    return std::max(low, std::min(value, high));
}

// Which of the two axes a box lays out along; the other one is "across".
struct Axis {
    bool vertical;

    int Along(const UiSize& s) const { return vertical ? s.cy : s.cx; }
    int Across(const UiSize& s) const { return vertical ? s.cx : s.cy; }
    UiSize Make(int along, int across) const { return vertical ? UiSize{across, along} : UiSize{along, across}; }
    int PadBefore(const UiRect& r) const { return vertical ? r.top : r.left; }
    int PadAfter(const UiRect& r) const { return vertical ? r.bottom : r.right; }
    int PadAcrossBefore(const UiRect& r) const { return vertical ? r.left : r.top; }
    int PadAcrossAfter(const UiRect& r) const { return vertical ? r.right : r.bottom; }
    int Fixed(const ILayoutItem* i) const { return vertical ? i->GetFixedHeight() : i->GetFixedWidth(); }
    int FixedAcross(const ILayoutItem* i) const { return vertical ? i->GetFixedWidth() : i->GetFixedHeight(); }
    int Min(const ILayoutItem* i) const { return vertical ? i->GetMinHeight() : i->GetMinWidth(); }
    int Max(const ILayoutItem* i) const { return vertical ? i->GetMaxHeight() : i->GetMaxWidth(); }
    int MinAcross(const ILayoutItem* i) const { return vertical ? i->GetMinWidth() : i->GetMinHeight(); }
    int MaxAcross(const ILayoutItem* i) const { return vertical ? i->GetMaxWidth() : i->GetMaxHeight(); }
};

bool Participates(const ILayoutItem* item) {
    return item != nullptr && item->IsVisible() && !item->IsFloat();
}

// The size an item may use: the available size less its padding across, each side held
// to the item's fixed size, or to its maximum when it has none.
UiSize ItemAvailable(const Axis& axis, const ILayoutItem* item, int along, int across) {
    const UiRect pad = item->GetPadding();
    int acrossAvail = across - axis.PadAcrossBefore(pad) - axis.PadAcrossAfter(pad);
    const int fixedAcross = axis.FixedAcross(item);
    acrossAvail = std::min(acrossAvail, fixedAcross >= 1 ? fixedAcross : axis.MaxAcross(item));
    const int fixedAlong = axis.Fixed(item);
    const int alongAvail = std::min(along, fixedAlong >= 1 ? fixedAlong : axis.Max(item));
    return axis.Make(alongAvail, acrossAvail);
}

// Measures an item along the axis; 0 marks it adjustable. A horizontal box does not
// measure children without a fixed width: they share the free width.
int MeasureAlong(const Axis& axis, ILayoutItem* item, const UiSize& avail, UiSize* estimated) {
    if (!axis.vertical && item->GetFixedWidth() == 0) {
        *estimated = UiSize{};
        return 0;
    }
    *estimated = item->EstimateSize(avail);
    const int along = axis.Along(*estimated);
    return along == 0 ? 0 : Clamp(along, axis.Min(item), axis.Max(item));
}

UiSize Arrange(const Axis& axis, const BoxArea& box, const std::vector<ILayoutItem*>& items) {
    const UiRect& area = box.area;
    const int availAlong = axis.Along(box.available);
    const int availAcross = axis.Across(box.available);

    // Measuring pass.
    int adjustables = 0;
    int fixedTotal = 0;
    int measured = 0;
    int neededAcross = 0;
    for (ILayoutItem* item : items) {
        if (!Participates(item)) {
            continue;
        }
        const UiRect pad = item->GetPadding();
        UiSize estimated;
        const int along = MeasureAlong(axis, item, ItemAvailable(axis, item, availAlong, availAcross), &estimated);
        if (along == 0) {
            ++adjustables;
        }
        fixedTotal += along + axis.PadBefore(pad) + axis.PadAfter(pad);
        const int across = Clamp(std::max(axis.Across(estimated), 0), axis.MinAcross(item), axis.MaxAcross(item));
        neededAcross = std::max(neededAcross, across + axis.PadAcrossBefore(pad) + axis.PadAcrossAfter(pad));
        ++measured;
    }
    if (measured > 0) {
        fixedTotal += (measured - 1) * box.childPadding;
    }
    const int share = adjustables > 0 ? std::max(0, (availAlong - fixedTotal) / adjustables) : 0;

    // Placing pass.
    const int areaAlongStart = axis.vertical ? area.top - box.scrollY : area.left - box.scrollX;
    const int areaAcrossStart = axis.vertical ? area.left - box.scrollX : area.top - box.scrollY;
    const int areaAcross = axis.vertical ? area.Width() : area.Height();
    int position = areaAlongStart;
    int remaining = availAlong;
    int stillNeeded = fixedTotal;
    int adjustableIndex = 0;
    int placed = 0;
    for (ILayoutItem* item : items) {
        if (!Participates(item)) {
            continue;
        }
        const UiRect pad = item->GetPadding();
        const int gap = placed > 0 ? box.childPadding : 0;
        position += gap;
        remaining -= gap + axis.PadBefore(pad);
        stillNeeded -= gap + axis.PadBefore(pad) + axis.PadAfter(pad);

        const UiSize avail = ItemAvailable(axis, item, remaining, availAcross);
        UiSize estimated;
        int along = MeasureAlong(axis, item, avail, &estimated);
        if (along == 0) {
            ++adjustableIndex;
            along = share;
            if (adjustableIndex == adjustables) {
                along = std::max(0, remaining - axis.PadAfter(pad) - stillNeeded);
            }
            along = Clamp(along, axis.Min(item), axis.Max(item));
        } else {
            stillNeeded -= along;
        }

        const int maxAcross = axis.MaxAcross(item);
        int across = maxAcross != 0 ? maxAcross : areaAcross - axis.PadAcrossBefore(pad) - axis.PadAcrossAfter(pad);
        across = std::min(across, axis.Across(avail));
        across = std::max(across, axis.MinAcross(item));

        int acrossStart = 0;
        switch (box.align) {
            case BoxAlign::Center:
                acrossStart = areaAcrossStart + (areaAcross - across) / 2;
                break;
            case BoxAlign::End:
                acrossStart = areaAcrossStart + areaAcross - axis.PadAcrossAfter(pad) - across;
                break;
            case BoxAlign::Start:
            default:
                acrossStart = areaAcrossStart + axis.PadAcrossBefore(pad);
                break;
        }
        const int alongStart = position + axis.PadBefore(pad);
        UiRect rect;
        if (axis.vertical) {
            rect = UiRect{acrossStart, alongStart, acrossStart + across, alongStart + along};
        } else {
            rect = UiRect{alongStart, acrossStart, alongStart + along, acrossStart + across};
        }
        item->SetPos(rect);

        position += axis.PadBefore(pad) + along + axis.PadAfter(pad);
        remaining -= along + axis.PadAfter(pad);
        ++placed;
    }
    return axis.Make(position - areaAlongStart, neededAcross);
}

}  // namespace

UiSize CBoxLayout::ArrangeVertical(const BoxArea& box, const std::vector<ILayoutItem*>& items) {
    return Arrange(Axis{true}, box, items);
}

UiSize CBoxLayout::ArrangeHorizontal(const BoxArea& box, const std::vector<ILayoutItem*>& items) {
    return Arrange(Axis{false}, box, items);
}

void CBoxLayout::ArrangeTab(const UiRect& area, ILayoutItem* selected) {
    if (selected == nullptr || !selected->IsVisible()) {
        return;
    }
    const UiRect pad = selected->GetPadding();
    const UiRect inner{area.left + pad.left, area.top + pad.top, area.right - pad.right, area.bottom - pad.bottom};
    const UiSize available{std::max(0, inner.Width()), std::max(0, inner.Height())};
    UiSize size = selected->EstimateSize(available);
    if (size.cx == 0) {
        size.cx = available.cx;
    }
    if (size.cy == 0) {
        size.cy = available.cy;
    }
    size.cx = Clamp(size.cx, selected->GetMinWidth(), selected->GetMaxWidth());
    size.cy = Clamp(size.cy, selected->GetMinHeight(), selected->GetMaxHeight());
    selected->SetPos(UiRect{inner.left, inner.top, inner.left + size.cx, inner.top + size.cy});
}

void CBoxLayout::ArrangeFill(const UiRect& area, int scrollX, int scrollY, const std::vector<ILayoutItem*>& items) {
    for (ILayoutItem* item : items) {
        if (!Participates(item)) {
            continue;
        }
        UiRect rect{area.left - scrollX, area.top - scrollY, area.right - scrollX, area.bottom - scrollY};
        rect.right = rect.left + Clamp(rect.Width(), item->GetMinWidth(), item->GetMaxWidth());
        rect.bottom = rect.top + Clamp(rect.Height(), item->GetMinHeight(), item->GetMaxHeight());
        item->SetPos(rect);
    }
}

UiRect CBoxLayout::FloatRect(const UiSize& container,
                             int fixedX,
                             int fixedY,
                             int fixedWidth,
                             int fixedHeight,
                             const UiFloatAnchor& anchor) {
    UiRect rect;
    rect.left = fixedX + static_cast<int>(anchor.left * container.cx);
    rect.top = fixedY + static_cast<int>(anchor.top * container.cy);
    rect.right = fixedX + static_cast<int>(anchor.right * container.cx) + fixedWidth;
    rect.bottom = fixedY + static_cast<int>(anchor.bottom * container.cy) + fixedHeight;
    return rect;
}
