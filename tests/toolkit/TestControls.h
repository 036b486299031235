#pragma once
// Small controls for driving the manager in tests: a button that records the events it
// gets and reports a click when released inside, and a text block.

#include "toolkit/ControlUI.h"

#include <vector>

class CTestButtonUI : public CControlUI {
  public:
    const wchar_t* GetClass() const override { return L"TestButton"; }
    UINT GetControlFlags() const override;
    void DoEvent(UIEvent& event) override;

    std::vector<UIEvent> events;

  private:
    bool pressed_ = false;
};

class CTestTextUI : public CControlUI {
  public:
    const wchar_t* GetClass() const override { return L"TestText"; }
    void PaintText(HDC dc) override;
};

// Lets layouts use the two elements above.
void RegisterTestControls();
