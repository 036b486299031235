#include "toolkit/FocusChain.h"

#include "toolkit/ControlUI.h"

#include <algorithm>
#include <vector>

namespace {

CControlUI* CollectProc(CControlUI* control, void* data) {
    static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    return nullptr;
}

std::vector<CControlUI*> TabOrder(CControlUI* root) {
    std::vector<CControlUI*> all;
    if (root != nullptr) {
        root->FindControl(CollectProc, &all, UIFind::Visible | UIFind::Enabled | UIFind::MeFirst);
    }
    return all;
}

// A combo box takes the focus as one control: its items are chosen with the arrow keys or
// in its drop-down list, never reached by Tab.
bool IsInsideComboBox(const CControlUI* control) {
    for (CControlUI* parent = control->GetParent(); parent != nullptr; parent = parent->GetParent()) {
        if (parent->GetInterface(L"Combo") != nullptr) {
            return true;
        }
    }
    return false;
}

bool IsTabStop(const CControlUI* control) {
    return (control->GetControlFlags() & UIFlag::TabStop) != 0 && !IsInsideComboBox(control);
}

}  // namespace

void CFocusChain::Forget(const CControlUI* control) {
    if (control == focus_) {
        focus_ = nullptr;
    }
}

// The order is walked as a ring from `from`; a control outside it stands just before the
// first control going forward and just after the last going back.
CControlUI* CFocusChain::FindTabStop(CControlUI* root, CControlUI* from, bool forward) {
    const std::vector<CControlUI*> order = TabOrder(root);
    const size_t count = order.size();
    size_t at = static_cast<size_t>(std::find(order.begin(), order.end(), from) - order.begin());
    if (at == count) {
        at = forward ? count - 1 : 0;
    }
    for (size_t step = 1; step <= count; ++step) {
        CControlUI* control = order[forward ? (at + step) % count : (at + count - step) % count];
        if (IsTabStop(control)) {
            return control;
        }
    }
    return nullptr;
}
