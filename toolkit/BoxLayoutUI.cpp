#include "toolkit/BoxLayoutUI.h"

#include "toolkit/ControlLayoutItem.h"

BoxAlign CBoxLayoutUI::CrossAlign() const {
    if (axis_ == Axis::Horizontal) {
        return childVAlign_ == AlignVCenter ? BoxAlign::Center
                                            : (childVAlign_ == AlignBottom ? BoxAlign::End : BoxAlign::Start);
    }
    return childAlign_ == AlignCenter ? BoxAlign::Center
                                      : (childAlign_ == AlignRight ? BoxAlign::End : BoxAlign::Start);
}

void CBoxLayoutUI::SetPos(RECT rect, bool needInvalidate) {
    CControlUI::SetPos(rect, needInvalidate);
    const RECT area = GetLayoutArea();
    if (items_.empty()) {
        ProcessScrollBar(area, 0, 0);
        return;
    }
    const SIZE available = GetAvailableSize(area);
    const SIZE scroll = GetScrollPos();
    BoxArea box;
    box.area = UiRect{area.left, area.top, area.right, area.bottom};
    box.available = UiSize{available.cx, available.cy};
    box.childPadding = Scaled(childPadding_);
    box.align = CrossAlign();
    box.scrollX = scroll.cx;
    box.scrollY = scroll.cy;
    std::vector<CControlLayoutItem> adapters;
    std::vector<ILayoutItem*> pointers;
    CControlLayoutItem::Wrap(items_, adapters, pointers);
    const UiSize needed = axis_ == Axis::Horizontal ? CBoxLayout::ArrangeHorizontal(box, pointers)
                                                    : CBoxLayout::ArrangeVertical(box, pointers);
    PlaceFloatingChildren();
    ProcessScrollBar(area, needed.cx, needed.cy);
}
