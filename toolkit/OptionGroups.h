#pragma once
// The option groups of one window: each group lists its members once, in the order they
// joined. A group is dropped when its last member leaves it by name.

#include <map>
#include <string>
#include <vector>

class CControlUI;

class COptionGroups {
  public:
    // False when the control is null or already in the group.
    bool Add(const std::wstring& group, CControlUI* control);
    // Null when there is no such group.
    [[nodiscard]] const std::vector<CControlUI*>* Find(const std::wstring& group) const;
    void Remove(const std::wstring& group, CControlUI* control);
    // The control is going away: out of every group it is in.
    void RemoveEverywhere(CControlUI* control);
    void Clear();

  private:
    std::map<std::wstring, std::vector<CControlUI*>> groups_;
};
