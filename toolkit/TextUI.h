#pragma once
// A label for running text: word-wrapped, with a little room at the sides.

#include "toolkit/LabelUI.h"

class CTextUI : public CLabelUI {
  public:
    CTextUI();

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
};
