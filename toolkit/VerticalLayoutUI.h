#pragma once
// Children one above the other; children without a size share what is left.

#include "toolkit/BoxLayoutUI.h"

class CVerticalLayoutUI : public CBoxLayoutUI {
  public:
    CVerticalLayoutUI() : CBoxLayoutUI(Axis::Vertical) {}
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
};
