#include "toolkit/ListElementUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/UIManager.h"

#include <cwchar>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

}  // namespace

const wchar_t* CListElementUI::GetClass() const {
    return L"ListElement";
}

void* CListElementUI::GetInterface(const wchar_t* name) {
    if (Is(name, L"ListElement")) {
        return this;
    }
    if (Is(name, L"IListItem")) {
        return static_cast<IListItemUI*>(this);
    }
    return CControlUI::GetInterface(name);
}

UINT CListElementUI::GetControlFlags() const {
    return UIFlag::TabStop;
}

void CListElementUI::SetOwner(IListOwnerUI* owner) {
    owner_ = owner;
}

void CListElementUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    if (!enabled) {
        state_.Clear();
    }
}

bool CListElementUI::Activate() {
    if (!CControlUI::Activate()) {
        return false;
    }
    if (manager_ != nullptr) {
        manager_->SendNotify(this, L"itemactivate");
    }
    return true;
}

bool CListElementUI::Select(bool selected, bool notify) {
    if (!IsEnabled()) {
        return false;
    }
    if (selected == selected_) {
        return true;
    }
    selected_ = selected;
    if (selected && owner_ != nullptr) {
        owner_->SelectItem(index_, false, notify);
    }
    Invalidate();
    return true;
}

void CListElementUI::DoEvent(UIEvent& event) {
    if (PassMouseEventOn(event, owner_)) {
        return;
    }
    switch (event.type) {
        case UIEventType::ButtonDown:
        case UIEventType::RButtonDown:
            if (IsEnabled()) {
                if (manager_ != nullptr) {
                    manager_->SendNotify(this, L"itemclick");
                }
                Select(true, true);
                Invalidate();
            }
            return;
        case UIEventType::DblClick:
            if (IsEnabled()) {
                Activate();
                Invalidate();
            }
            return;
        case UIEventType::ButtonUp:
        case UIEventType::MouseMove:
            return;
        case UIEventType::MouseEnter:
            state_.Enter(IsEnabled());
            Invalidate();
            return;
        case UIEventType::MouseLeave:
            state_.Leave(IsEnabled());
            Invalidate();
            return;
        case UIEventType::KeyDown:
        case UIEventType::ScrollWheel:
            // The owner moves the selection.
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

void CListElementUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (Is(name, L"selected")) {
        Select(AttributeValue::IsTrue(value), true);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}
