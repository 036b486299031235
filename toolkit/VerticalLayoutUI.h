#pragma once
// Children one above the other; children without a size share what is left.

#include "toolkit/ContainerUI.h"

class CVerticalLayoutUI : public CContainerUI {
  public:
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetPos(RECT rect, bool needInvalidate = true) override;
};
