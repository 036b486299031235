#include "toolkit/OptionGroups.h"

#include "toolkit/PointerList.h"

bool COptionGroups::Add(const std::wstring& group, CControlUI* control) {
    return AddUnique(groups_[group], control);
}

const std::vector<CControlUI*>* COptionGroups::Find(const std::wstring& group) const {
    const auto it = groups_.find(group);
    return it != groups_.end() ? &it->second : nullptr;
}

void COptionGroups::Remove(const std::wstring& group, CControlUI* control) {
    const auto it = groups_.find(group);
    if (it == groups_.end()) {
        return;
    }
    RemoveItem(it->second, control);
    if (it->second.empty()) {
        groups_.erase(it);
    }
}

void COptionGroups::RemoveEverywhere(CControlUI* control) {
    for (auto& group : groups_) {
        RemoveItem(group.second, control);
    }
}

void COptionGroups::Clear() {
    groups_.clear();
}
