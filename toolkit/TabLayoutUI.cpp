#include "toolkit/TabLayoutUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/BoxLayout.h"
#include "toolkit/ControlLayoutItem.h"
#include "toolkit/UIManager.h"

#include <cwchar>

const wchar_t* CTabLayoutUI::GetClass() const {
    return L"TabLayout";
}

void* CTabLayoutUI::GetInterface(const wchar_t* name) {
    if (std::wcscmp(name, L"TabLayout") == 0) {
        return static_cast<CTabLayoutUI*>(this);
    }
    return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) {
    if (!CContainerUI::Add(control)) {
        return false;
    }
    if (selected_ == -1 && control->IsVisible()) {
        selected_ = GetItemIndex(control);
    } else {
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) {
        return false;
    }
    if (selected_ == -1 && control->IsVisible()) {
        selected_ = GetItemIndex(control);
    } else if (selected_ != -1 && index <= selected_) {
        ++selected_;
        control->SetVisible(false);
    } else {
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control, bool keep) {
    return RemoveAt(GetItemIndex(control), keep);
}

bool CTabLayoutUI::RemoveAt(int index, bool keep) {
    if (GetItemAt(index) == nullptr) {
        return false;
    }
    const bool wasSelected = index == selected_;
    if (!CContainerUI::RemoveAt(index, keep)) {
        return false;
    }
    if (wasSelected) {
        if (GetCount() > 0) {
            selected_ = 0;
            GetItemAt(0)->SetVisible(true);
        } else {
            selected_ = -1;
        }
        NeedParentUpdate();
    } else if (index < selected_) {
        --selected_;
    }
    return true;
}

void CTabLayoutUI::RemoveAll() {
    selected_ = -1;
    CContainerUI::RemoveAll();
    NeedParentUpdate();
}

bool CTabLayoutUI::SelectItem(int index, bool notify) {
    if (index < 0 || index >= GetCount()) {
        return false;
    }
    if (index == selected_) {
        return true;
    }
    const int old = selected_;
    selected_ = index;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* item = GetItemAt(i);
        if (i == index) {
            item->SetVisible(true);
            item->SetFocus();
        } else {
            item->SetVisible(false);
        }
    }
    NeedParentUpdate();
    if (manager_ != nullptr) {
        manager_->SetNextTabControl();
        if (notify) {
            manager_->SendNotify(this, L"tabselect", static_cast<WPARAM>(index), static_cast<LPARAM>(old));
        }
    }
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* control, bool notify) {
    const int index = GetItemIndex(control);
    return index >= 0 && SelectItem(index, notify);
}

void CTabLayoutUI::SetPos(RECT rect, bool needInvalidate) {
    CControlUI::SetPos(rect, needInvalidate);
    CControlUI* selected = GetItemAt(selected_);
    if (selected == nullptr) {
        return;
    }
    const RECT inset = Scaled(inset_);
    const RECT area{pos_.left + inset.left, pos_.top + inset.top, pos_.right - inset.right, pos_.bottom - inset.bottom};
    CControlLayoutItem item(selected);
    CBoxLayout::ArrangeTab(UiRect{area.left, area.top, area.right, area.bottom}, &item);
}

void CTabLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (std::wcscmp(name, L"selectedid") == 0) {
        SelectItem(AttributeValue::ParseInt(value), false);  // nobody listens while building
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}
