#pragma once
// Children side by side; children without a size share what is left.

#include "toolkit/BoxLayoutUI.h"

class CHorizontalLayoutUI : public CBoxLayoutUI {
  public:
    CHorizontalLayoutUI() : CBoxLayoutUI(Axis::Horizontal) {}
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
};
