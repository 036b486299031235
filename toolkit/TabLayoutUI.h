#pragma once
// Pages: only the selected child is shown and laid out.

#include "toolkit/ContainerUI.h"

class CTabLayoutUI : public CContainerUI {
  public:
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control, bool keep = false) override;
    bool RemoveAt(int index, bool keep = false) override;
    void RemoveAll() override;

    [[nodiscard]] int GetCurSel() const { return selected_; }
    // Fails for an index outside the children; the current index succeeds unchanged.
    bool SelectItem(int index, bool notify = true);
    bool SelectItem(CControlUI* control, bool notify = true);

    void SetPos(RECT rect, bool needInvalidate = true) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

  private:
    int selected_ = -1;
};
