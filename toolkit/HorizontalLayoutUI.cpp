#include "toolkit/HorizontalLayoutUI.h"

#include "toolkit/BoxLayout.h"
#include "toolkit/ControlLayoutItem.h"

#include <cwchar>

const wchar_t* CHorizontalLayoutUI::GetClass() const {
    return L"HorizontalLayout";
}

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
    if (std::wcscmp(name, L"HorizontalLayout") == 0) {
        return static_cast<CHorizontalLayoutUI*>(this);
    }
    return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(RECT rect, bool needInvalidate) {
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
    box.align = childVAlign_ == AlignVCenter ? BoxAlign::Center
                                             : (childVAlign_ == AlignBottom ? BoxAlign::End : BoxAlign::Start);
    box.scrollX = scroll.cx;
    box.scrollY = scroll.cy;
    std::vector<CControlLayoutItem> adapters;
    std::vector<ILayoutItem*> pointers;
    CControlLayoutItem::Wrap(items_, adapters, pointers);
    const UiSize needed = CBoxLayout::ArrangeHorizontal(box, pointers);
    PlaceFloatingChildren();
    ProcessScrollBar(area, needed.cx, needed.cy);
}
