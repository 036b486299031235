#pragma once
// The base of list rows: index, owner, selection, hover, and "itemclick" on a press.

#include "toolkit/ControlUI.h"
#include "toolkit/IListItemUI.h"
#include "toolkit/IListOwnerUI.h"
#include "toolkit/PressTracker.h"

class CListElementUI : public CControlUI, public IListItemUI {
  public:
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void SetEnabled(bool enabled = true) override;
    bool Activate() override;
    void DoEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    // IListItemUI
    int GetIndex() const override { return index_; }
    void SetIndex(int index) override { index_ = index; }
    IListOwnerUI* GetOwner() override { return owner_; }
    void SetOwner(IListOwnerUI* owner) override;
    bool IsSelected() const override { return selected_; }
    // Selecting tells the owner, which then selects this index (with `notify`).
    bool Select(bool selected = true, bool notify = true) override;

    [[nodiscard]] bool IsHot() const { return state_.Has(UIState::Hot); }

  protected:
    int index_ = -1;
    IListOwnerUI* owner_ = nullptr;
    bool selected_ = false;
    CPressTracker state_;
};
