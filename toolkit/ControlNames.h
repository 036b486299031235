#pragma once
// The names of one window's controls. The first control to take a name keeps it; a name
// is only given up by the control holding it, so a later namesake going away leaves the
// holder findable.

#include <map>
#include <string>

class CControlUI;

class CControlNames {
  public:
    // False when the name is empty or already held.
    bool Add(const std::wstring& name, CControlUI* control);
    // Drops the name only when `control` holds it.
    void Remove(const std::wstring& name, const CControlUI* control);
    [[nodiscard]] CControlUI* Find(const std::wstring& name) const;
    void Clear();

  private:
    std::map<std::wstring, CControlUI*> names_;
};
