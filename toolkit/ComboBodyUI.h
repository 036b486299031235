#pragma once
// The body of a combo box's drop-down list: a vertical layout showing the combo's own
// items, which it borrows and never deletes.

#include "toolkit/VerticalLayoutUI.h"

class CComboUI;

class CComboBodyUI : public CVerticalLayoutUI {
  public:
    explicit CComboBodyUI(CComboUI* owner);

    const wchar_t* GetClass() const override;
    [[nodiscard]] CComboUI* GetOwner() const { return owner_; }

  private:
    CComboUI* owner_;
};
