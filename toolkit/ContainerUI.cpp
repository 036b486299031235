#include "toolkit/ContainerUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/BoxLayout.h"
#include "toolkit/ControlFactory.h"
#include "toolkit/ControlLayoutItem.h"
#include "toolkit/IScrollBarUI.h"
#include "toolkit/RenderClip.h"
#include "toolkit/UIManager.h"

#include <algorithm>
#include <cwchar>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    if (autoDestroy_) {
        for (CControlUI* item : items_) {
            item->Delete();
        }
    }
    items_.clear();
    delete verticalScrollBar_;
    delete horizontalScrollBar_;
}

const wchar_t* CContainerUI::GetClass() const {
    return L"Container";
}

void* CContainerUI::GetInterface(const wchar_t* name) {
    if (Is(name, L"IContainer")) {
        return static_cast<IContainerUI*>(this);
    }
    if (Is(name, L"Container")) {
        return static_cast<CContainerUI*>(this);
    }
    return CControlUI::GetInterface(name);
}

CControlUI* CContainerUI::GetItemAt(int index) const {
    return index >= 0 && index < static_cast<int>(items_.size()) ? items_[static_cast<size_t>(index)] : nullptr;
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
    const auto it = std::find(items_.begin(), items_.end(), control);
    return it != items_.end() ? static_cast<int>(it - items_.begin()) : -1;
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
    const int current = GetItemIndex(control);
    if (current < 0 || index < 0 || index >= static_cast<int>(items_.size())) {
        return false;
    }
    items_.erase(items_.begin() + current);
    items_.insert(items_.begin() + index, control);
    NeedUpdate();
    return true;
}

bool CContainerUI::SetMultiItemIndex(CControlUI* startControl, int count, int newStartIndex) {
    const int start = GetItemIndex(startControl);
    const int size = static_cast<int>(items_.size());
    if (start < 0 || count <= 0 || start + count > size || newStartIndex < 0 || newStartIndex + count > size) {
        return false;
    }
    std::vector<CControlUI*> moved(items_.begin() + start, items_.begin() + start + count);
    items_.erase(items_.begin() + start, items_.begin() + start + count);
    items_.insert(items_.begin() + newStartIndex, moved.begin(), moved.end());
    NeedUpdate();
    return true;
}

int CContainerUI::GetCount() const {
    return static_cast<int>(items_.size());
}

bool CContainerUI::Add(CControlUI* control) {
    // Not the virtual AddAt: a derived container's Add and AddAt each add their own rules.
    return CContainerUI::AddAt(control, static_cast<int>(items_.size()));
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (control == nullptr || index < 0 || index > static_cast<int>(items_.size())) {
        return false;
    }
    if (manager_ != nullptr) {
        manager_->InitControls(control, this);
    } else {
        control->SetManager(nullptr, this, false);
    }
    if (IsVisible()) {
        NeedUpdate();
    } else {
        control->SetInternVisible(false);
    }
    items_.insert(items_.begin() + index, control);
    return true;
}

void CContainerUI::ReleaseChild(CControlUI* control, bool keep) {
    if (keep || !autoDestroy_) {
        return;
    }
    if (delayedDestroy_ && manager_ != nullptr) {
        manager_->AddDelayedCleanup(control);
    } else {
        control->Delete();
    }
}

bool CContainerUI::Remove(CControlUI* control, bool keep) {
    return CContainerUI::RemoveAt(GetItemIndex(control), keep);
}

bool CContainerUI::RemoveAt(int index, bool keep) {
    CControlUI* control = GetItemAt(index);
    if (control == nullptr) {
        return false;
    }
    NeedUpdate();
    items_.erase(items_.begin() + index);
    ReleaseChild(control, keep);
    return true;
}

void CContainerUI::RemoveAll() {
    std::vector<CControlUI*> removed;
    removed.swap(items_);
    for (CControlUI* control : removed) {
        ReleaseChild(control, false);
    }
    NeedUpdate();
}

void CContainerUI::SetVisible(bool visible) {
    if (visible_ == visible) {
        return;
    }
    CControlUI::SetVisible(visible);
    for (CControlUI* item : items_) {
        item->SetInternVisible(IsVisible());
    }
}

void CContainerUI::SetInternVisible(bool visible) {
    CControlUI::SetInternVisible(visible);
    for (CControlUI* item : items_) {
        item->SetInternVisible(IsVisible());
    }
}

void CContainerUI::SetInset(RECT inset) {
    inset_ = inset;
    NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
    childPadding_ = padding;
    NeedUpdate();
}

void CContainerUI::SetChildAlign(UINT align) {
    childAlign_ = align;
    NeedUpdate();
}

void CContainerUI::SetChildVAlign(UINT align) {
    childVAlign_ = align;
    NeedUpdate();
}

void CContainerUI::SetManager(CUIManager* manager, CControlUI* parent, bool init) {
    for (CControlUI* item : items_) {
        item->SetManager(manager, this, init);
    }
    if (verticalScrollBar_ != nullptr) {
        verticalScrollBar_->SetManager(manager, this, init);
    }
    if (horizontalScrollBar_ != nullptr) {
        horizontalScrollBar_->SetManager(manager, this, init);
    }
    CControlUI::SetManager(manager, parent, init);
}

RECT CContainerUI::GetLayoutArea() const {
    const RECT inset = Scaled(inset_);
    RECT area{pos_.left + inset.left, pos_.top + inset.top, pos_.right - inset.right, pos_.bottom - inset.bottom};
    if (verticalScrollBar_ != nullptr && verticalScrollBar_->IsVisible()) {
        area.right -= Scaled(verticalScrollBar_->GetFixedWidth());
    }
    if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
        area.bottom -= Scaled(horizontalScrollBar_->GetFixedHeight());
    }
    return area;
}

SIZE CContainerUI::GetAvailableSize(const RECT& area) const {
    SIZE available{area.right - area.left, area.bottom - area.top};
    const SIZE range = GetScrollRange();
    if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
        available.cx += range.cx;
    }
    if (verticalScrollBar_ != nullptr && verticalScrollBar_->IsVisible()) {
        available.cy += range.cy;
    }
    return available;
}

void CContainerUI::SetPos(RECT rect, bool needInvalidate) {
    CControlUI::SetPos(rect, needInvalidate);
    if (items_.empty()) {
        return;
    }
    const RECT area = GetLayoutArea();
    const SIZE scroll = GetScrollPos();
    std::vector<CControlLayoutItem> adapters;
    std::vector<ILayoutItem*> pointers;
    CControlLayoutItem::Wrap(items_, adapters, pointers);
    CBoxLayout::ArrangeFill(UiRect{area.left, area.top, area.right, area.bottom}, scroll.cx, scroll.cy, pointers);
    PlaceFloatingChildren();
    ProcessScrollBar(area, 0, 0);
}

void CContainerUI::PlaceFloatingChildren() {
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
        SetFloatPos(i);
    }
}

void CContainerUI::SetFloatPos(int index) {
    CControlUI* child = GetItemAt(index);
    if (child == nullptr || !child->IsVisible() || !child->IsFloat()) {
        return;
    }
    const SIZE xy = Scaled(child->GetFixedXY());
    const UiRect rect = CBoxLayout::FloatRect(UiSize{pos_.right - pos_.left, pos_.bottom - pos_.top}, xy.cx, xy.cy,
                                              Scaled(child->GetFixedWidth()), Scaled(child->GetFixedHeight()),
                                              child->GetFloatPercent());
    child->SetPos(RECT{rect.left, rect.top, rect.right, rect.bottom}, false);
}

void CContainerUI::Move(SIZE offset, bool needInvalidate) {
    CControlUI::Move(offset, needInvalidate);
    for (CControlUI* item : items_) {
        item->Move(offset, false);
    }
    if (verticalScrollBar_ != nullptr) {
        verticalScrollBar_->Move(offset, false);
    }
    if (horizontalScrollBar_ != nullptr) {
        horizontalScrollBar_->Move(offset, false);
    }
}

bool CContainerUI::DoPaint(HDC dc, const RECT& paint, CControlUI* stop) {
    RECT visible{};
    if (!::IntersectRect(&visible, &paint, &pos_)) {
        return true;
    }
    CRenderClip clip(dc, visible);
    if (!CControlUI::DoPaint(dc, paint, stop)) {
        return false;
    }
    const RECT area = GetLayoutArea();
    RECT areaVisible{};
    const bool areaShows = ::IntersectRect(&areaVisible, &paint, &area) != FALSE;
    for (CControlUI* child : items_) {
        if (child == stop) {
            return false;
        }
        RECT childVisible{};
        if (!child->IsVisible() || !::IntersectRect(&childVisible, &paint, &child->GetPos())) {
            continue;
        }
        if (child->IsFloat()) {
            if (!::IntersectRect(&childVisible, &pos_, &child->GetPos())) {
                continue;
            }
            if (!child->Paint(dc, paint, stop)) {
                return false;
            }
        } else {
            if (!areaShows || !::IntersectRect(&childVisible, &area, &child->GetPos())) {
                continue;
            }
            CRenderClip childClip(dc, areaVisible);
            if (!child->Paint(dc, paint, stop)) {
                return false;
            }
        }
    }
    for (CControlUI* bar : {verticalScrollBar_, horizontalScrollBar_}) {
        if (bar == nullptr || !bar->IsVisible()) {
            continue;
        }
        if (bar == stop) {
            return false;
        }
        RECT barVisible{};
        if (::IntersectRect(&barVisible, &paint, &bar->GetPos()) && !bar->Paint(dc, paint, stop)) {
            return false;
        }
    }
    return true;
}

CControlUI* CContainerUI::FindControl(FindControlProc proc, void* data, UINT flags) {
    if ((flags & UIFind::Visible) != 0 && !IsVisible()) {
        return nullptr;
    }
    if ((flags & UIFind::Enabled) != 0 && !IsEnabled()) {
        return nullptr;
    }
    const bool hitTest = (flags & UIFind::HitTest) != 0;
    if (hitTest && !::PtInRect(&pos_, *static_cast<POINT*>(data))) {
        return nullptr;
    }
    if ((flags & UIFind::UpdateTest) != 0 && proc(this, data) == nullptr) {
        return nullptr;
    }
    CControlUI* result = nullptr;
    if ((flags & UIFind::MeFirst) != 0 && (!hitTest || mouseEnabled_)) {
        result = proc(this, data);
    }
    if (result == nullptr && cover_ != nullptr) {
        result = cover_->FindControl(proc, data, flags);
    }
    for (CControlUI* bar : {verticalScrollBar_, horizontalScrollBar_}) {
        if (result == nullptr && bar != nullptr) {
            result = bar->FindControl(proc, data, flags);
        }
    }
    if (result != nullptr) {
        return result;
    }
    if (!hitTest || mouseChild_) {
        const RECT area = GetLayoutArea();
        const bool topFirst = (flags & UIFind::TopFirst) != 0;
        const int count = static_cast<int>(items_.size());
        for (int n = 0; n < count; ++n) {
            CControlUI* child = items_[static_cast<size_t>(topFirst ? count - 1 - n : n)];
            CControlUI* found = child->FindControl(proc, data, flags);
            if (found == nullptr) {
                continue;
            }
            if (hitTest && !child->IsFloat() && !::PtInRect(&area, *static_cast<POINT*>(data))) {
                continue;
            }
            return found;
        }
    }
    if ((flags & UIFind::MeFirst) == 0 && (!hitTest || mouseEnabled_)) {
        result = proc(this, data);
    }
    return result;
}
