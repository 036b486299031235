#include "toolkit/ControlNames.h"

bool CControlNames::Add(const std::wstring& name, CControlUI* control) {
    if (name.empty() || control == nullptr) {
        return false;
    }
    return names_.emplace(name, control).second;
}

void CControlNames::Remove(const std::wstring& name, const CControlUI* control) {
    const auto it = names_.find(name);
    if (it != names_.end() && it->second == control) {
        names_.erase(it);
    }
}

CControlUI* CControlNames::Find(const std::wstring& name) const {
    const auto it = names_.find(name);
    return it != names_.end() ? it->second : nullptr;
}

void CControlNames::Clear() {
    names_.clear();
}
