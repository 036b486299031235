#include "toolkit/AttributeValue.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/ControlFactory.h"
#include "toolkit/IScrollBarUI.h"
#include "toolkit/UIManager.h"

#include <algorithm>
#include <cwchar>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

constexpr int kDefaultLineSize = 8;

}  // namespace

IScrollBarUI* CContainerUI::AsScrollBar(CControlUI* control) {
    return control != nullptr ? static_cast<IScrollBarUI*>(control->GetInterface(L"IScrollBar")) : nullptr;
}

SIZE CContainerUI::GetScrollPos() const {
    SIZE pos{0, 0};
    if (IScrollBarUI* bar = AsScrollBar(verticalScrollBar_); bar != nullptr && verticalScrollBar_->IsVisible()) {
        pos.cy = bar->GetScrollPos();
    }
    if (IScrollBarUI* bar = AsScrollBar(horizontalScrollBar_); bar != nullptr && horizontalScrollBar_->IsVisible()) {
        pos.cx = bar->GetScrollPos();
    }
    return pos;
}

SIZE CContainerUI::GetScrollRange() const {
    SIZE range{0, 0};
    if (IScrollBarUI* bar = AsScrollBar(verticalScrollBar_); bar != nullptr && verticalScrollBar_->IsVisible()) {
        range.cy = bar->GetScrollRange();
    }
    if (IScrollBarUI* bar = AsScrollBar(horizontalScrollBar_); bar != nullptr && horizontalScrollBar_->IsVisible()) {
        range.cx = bar->GetScrollRange();
    }
    return range;
}

void CContainerUI::SetScrollPos(SIZE pos) {
    const SIZE range = GetScrollRange();
    pos.cx = std::max<LONG>(0, std::min(pos.cx, range.cx));
    pos.cy = std::max<LONG>(0, std::min(pos.cy, range.cy));
    const SIZE old = GetScrollPos();
    if (pos.cx == old.cx && pos.cy == old.cy) {
        return;
    }
    if (IScrollBarUI* bar = AsScrollBar(verticalScrollBar_)) {
        bar->SetScrollPos(pos.cy);
    }
    if (IScrollBarUI* bar = AsScrollBar(horizontalScrollBar_)) {
        bar->SetScrollPos(pos.cx);
    }
    const SIZE shift{old.cx - pos.cx, old.cy - pos.cy};
    for (CControlUI* item : items_) {
        if (item->IsVisible() && !item->IsFloat()) {
            item->Move(shift, false);
        }
    }
    Invalidate();
}

namespace {

int LineSize(CControlUI* bar) {
    IScrollBarUI* scroll = bar != nullptr ? static_cast<IScrollBarUI*>(bar->GetInterface(L"IScrollBar")) : nullptr;
    return scroll != nullptr && scroll->GetLineSize() > 0 ? scroll->GetLineSize() : kDefaultLineSize;
}

}  // namespace

void CContainerUI::LineUp() {
    SIZE pos = GetScrollPos();
    pos.cy -= LineSize(verticalScrollBar_);
    SetScrollPos(pos);
}

void CContainerUI::LineDown() {
    SIZE pos = GetScrollPos();
    pos.cy += LineSize(verticalScrollBar_);
    SetScrollPos(pos);
}

void CContainerUI::PageUp() {
    SIZE pos = GetScrollPos();
    const RECT area = GetLayoutArea();
    pos.cy -= area.bottom - area.top;
    SetScrollPos(pos);
}

void CContainerUI::PageDown() {
    SIZE pos = GetScrollPos();
    const RECT area = GetLayoutArea();
    pos.cy += area.bottom - area.top;
    SetScrollPos(pos);
}

void CContainerUI::HomeUp() {
    SIZE pos = GetScrollPos();
    pos.cy = 0;
    SetScrollPos(pos);
}

void CContainerUI::EndDown() {
    SIZE pos = GetScrollPos();
    pos.cy = GetScrollRange().cy;
    SetScrollPos(pos);
}

void CContainerUI::LineLeft() {
    SIZE pos = GetScrollPos();
    pos.cx -= LineSize(horizontalScrollBar_);
    SetScrollPos(pos);
}

void CContainerUI::LineRight() {
    SIZE pos = GetScrollPos();
    pos.cx += LineSize(horizontalScrollBar_);
    SetScrollPos(pos);
}

void CContainerUI::PageLeft() {
    SIZE pos = GetScrollPos();
    const RECT area = GetLayoutArea();
    pos.cx -= area.right - area.left;
    SetScrollPos(pos);
}

void CContainerUI::PageRight() {
    SIZE pos = GetScrollPos();
    const RECT area = GetLayoutArea();
    pos.cx += area.right - area.left;
    SetScrollPos(pos);
}

void CContainerUI::HomeLeft() {
    SIZE pos = GetScrollPos();
    pos.cx = 0;
    SetScrollPos(pos);
}

void CContainerUI::EndRight() {
    SIZE pos = GetScrollPos();
    pos.cx = GetScrollRange().cx;
    SetScrollPos(pos);
}

void CContainerUI::EnableScrollBar(bool vertical, bool horizontal) {
    struct Slot {
        CControlUI*& bar;
        bool wanted;
        bool horizontal;
        const wchar_t* defaults;
        const std::wstring& style;
    };
    Slot slots[] = {
        {verticalScrollBar_, vertical, false, L"VScrollBar", verticalScrollBarStyle_},
        {horizontalScrollBar_, horizontal, true, L"HScrollBar", horizontalScrollBarStyle_},
    };
    for (Slot& slot : slots) {
        if (slot.wanted && slot.bar == nullptr) {
            CControlUI* bar = CControlFactory::Create(L"ScrollBar");
            IScrollBarUI* scroll = AsScrollBar(bar);
            if (scroll == nullptr) {
                delete bar;  // no scroll bar class registered: this container does not scroll
                continue;
            }
            scroll->SetOwner(this);
            scroll->SetHorizontal(slot.horizontal);
            bar->SetManager(manager_, this, false);
            if (manager_ != nullptr) {
                const std::wstring defaults = manager_->GetDefaultAttributeList(slot.defaults);
                if (!defaults.empty()) {
                    bar->SetAttributeList(defaults);
                }
            }
            if (!slot.style.empty()) {
                bar->SetAttributeList(slot.style);
            }
            slot.bar = bar;
        } else if (!slot.wanted && slot.bar != nullptr) {
            delete slot.bar;
            slot.bar = nullptr;
        }
    }
    NeedUpdate();
}

// Shows a bar only while the children need more room than the area has; a bar that
// appears or goes changes the area, so the children are laid out once more.
void CContainerUI::ProcessScrollBar(RECT area, int neededWidth, int neededHeight) {
    bool changed = false;
    if (IScrollBarUI* bar = AsScrollBar(verticalScrollBar_)) {
        const int height = area.bottom - area.top;
        const bool show = neededHeight > height;
        if (show) {
            bar->SetScrollRange(neededHeight - height);
            if (!verticalScrollBar_->IsVisible()) {
                verticalScrollBar_->SetVisible(true);
                changed = true;
            }
        } else if (verticalScrollBar_->IsVisible()) {
            bar->SetScrollPos(0);
            bar->SetScrollRange(0);
            verticalScrollBar_->SetVisible(false);
            changed = true;
        }
        const int width = Scaled(verticalScrollBar_->GetFixedWidth());
        const RECT inset = Scaled(inset_);
        verticalScrollBar_->SetPos(RECT{pos_.right - inset.right - width, pos_.top + inset.top,
                                        pos_.right - inset.right, pos_.bottom - inset.bottom},
                                   false);
    }
    if (IScrollBarUI* bar = AsScrollBar(horizontalScrollBar_)) {
        const int width = area.right - area.left;
        if (neededWidth > width) {
            bar->SetScrollRange(neededWidth - width);
            if (!horizontalScrollBar_->IsVisible()) {
                horizontalScrollBar_->SetVisible(true);
                changed = true;
            }
        } else if (horizontalScrollBar_->IsVisible()) {
            bar->SetScrollPos(0);
            bar->SetScrollRange(0);
            horizontalScrollBar_->SetVisible(false);
            changed = true;
        }
        const int height = Scaled(horizontalScrollBar_->GetFixedHeight());
        const RECT inset = Scaled(inset_);
        horizontalScrollBar_->SetPos(RECT{pos_.left + inset.left, pos_.bottom - inset.bottom - height,
                                          pos_.right - inset.right, pos_.bottom - inset.bottom},
                                     false);
    }
    if (changed) {
        NeedUpdate();
    }
}

void CContainerUI::DoEvent(UIEvent& event) {
    if (PassMouseEventOn(event, parent_)) {
        return;
    }
    if (event.type == UIEventType::SetFocus || event.type == UIEventType::KillFocus) {
        focused_ = event.type == UIEventType::SetFocus;
        return;
    }
    const bool vertical =
        verticalScrollBar_ != nullptr && verticalScrollBar_->IsVisible() && verticalScrollBar_->IsEnabled();
    const bool horizontal =
        horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible() && horizontalScrollBar_->IsEnabled();
    if (event.type == UIEventType::KeyDown && keyboardEnabled_ && enabled_ && (vertical || horizontal)) {
        switch (event.key) {
            case VK_DOWN:
                if (vertical) {
                    LineDown();
                }
                return;
            case VK_UP:
                if (vertical) {
                    LineUp();
                }
                return;
            case VK_LEFT:
                if (horizontal) {
                    LineLeft();
                }
                return;
            case VK_RIGHT:
                if (horizontal) {
                    LineRight();
                }
                return;
            case VK_NEXT:
                vertical ? PageDown() : PageRight();
                return;
            case VK_PRIOR:
                vertical ? PageUp() : PageLeft();
                return;
            case VK_HOME:
                vertical ? HomeUp() : HomeLeft();
                return;
            case VK_END:
                vertical ? EndDown() : EndRight();
                return;
            default:
                break;
        }
    }
    if (event.type == UIEventType::ScrollWheel && (vertical || horizontal)) {
        const bool down = event.wParam == 1;
        if (horizontal) {
            down ? LineRight() : LineLeft();
        } else {
            down ? LineDown() : LineUp();
        }
        return;
    }
    CControlUI::DoEvent(event);
}

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    using namespace AttributeValue;
    if (Is(name, L"inset")) {
        const UiRect rect = ParseRect(value);
        SetInset(RECT{rect.left, rect.top, rect.right, rect.bottom});
    } else if (Is(name, L"mousechild")) {
        SetMouseChildEnabled(IsTrue(value));
    } else if (Is(name, L"vscrollbar")) {
        EnableScrollBar(IsTrue(value), horizontalScrollBar_ != nullptr);
    } else if (Is(name, L"hscrollbar")) {
        EnableScrollBar(verticalScrollBar_ != nullptr, IsTrue(value));
    } else if (Is(name, L"vscrollbarstyle")) {
        verticalScrollBarStyle_ = value;
        if (verticalScrollBar_ != nullptr) {
            verticalScrollBar_->SetAttributeList(value);
        }
    } else if (Is(name, L"hscrollbarstyle")) {
        horizontalScrollBarStyle_ = value;
        if (horizontalScrollBar_ != nullptr) {
            horizontalScrollBar_->SetAttributeList(value);
        }
    } else if (Is(name, L"childpadding")) {
        SetChildPadding(ParseInt(value));
    } else if (Is(name, L"childalign")) {
        if (Is(value, L"left")) {
            SetChildAlign(AlignLeft);
        } else if (Is(value, L"center")) {
            SetChildAlign(AlignCenter);
        } else if (Is(value, L"right")) {
            SetChildAlign(AlignRight);
        }
    } else if (Is(name, L"childvalign")) {
        if (Is(value, L"top")) {
            SetChildVAlign(AlignTop);
        } else if (Is(value, L"vcenter")) {
            SetChildVAlign(AlignVCenter);
        } else if (Is(value, L"bottom")) {
            SetChildVAlign(AlignBottom);
        }
    } else {
        CControlUI::SetAttribute(name, value);
    }
}
