#pragma once
// An option on its own: each click turns it on or off.

#include "toolkit/OptionUI.h"

class CCheckBoxUI : public COptionUI {
  public:
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;

    void SetCheck(bool checked, bool notify = true) { Selected(checked, notify); }
    [[nodiscard]] bool GetCheck() const { return IsSelected(); }
};
