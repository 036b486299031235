#include "toolkit/FocusChain.h"

#include "toolkit/ControlUI.h"

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

bool IsTabStop(const CControlUI* control) {
    return (control->GetControlFlags() & UIFlag::TabStop) != 0;
}

}  // namespace

void CFocusChain::Forget(const CControlUI* control) {
    if (control == focus_) {
        focus_ = nullptr;
    }
}

CControlUI* CFocusChain::FindTabStop(CControlUI* root, CControlUI* from, bool forward) {
    const std::vector<CControlUI*> order = TabOrder(root);
    size_t fromIndex = order.size();
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == from) {
            fromIndex = i;
        }
    }
    if (forward) {
        for (size_t i = fromIndex == order.size() ? 0 : fromIndex + 1; i < order.size(); ++i) {
            if (IsTabStop(order[i])) {
                return order[i];
            }
        }
        for (CControlUI* control : order) {
            if (IsTabStop(control)) {
                return control;
            }
        }
        return nullptr;
    }
    if (fromIndex < order.size()) {
        for (size_t i = fromIndex; i-- > 0;) {
            if (IsTabStop(order[i])) {
                return order[i];
            }
        }
    }
    for (size_t i = order.size(); i-- > 0;) {
        if (IsTabStop(order[i])) {
            return order[i];
        }
    }
    return nullptr;
}
