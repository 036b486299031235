#pragma once
// Presents a control to the layout arithmetic.

#include "toolkit/ControlUI.h"
#include "toolkit/ILayoutItem.h"

#include <vector>

class CControlLayoutItem : public ILayoutItem {
  public:
    explicit CControlLayoutItem(CControlUI* control) : control_(control) {}

    bool IsVisible() const override { return control_->IsVisible(); }
    bool IsFloat() const override { return control_->IsFloat(); }
    // The control keeps skin units; the layout works in the window's pixels.
    UiRect GetPadding() const override {
        const RECT p = control_->Scaled(control_->GetPadding());
        return UiRect{p.left, p.top, p.right, p.bottom};
    }
    int GetFixedWidth() const override { return control_->Scaled(control_->GetFixedWidth()); }
    int GetFixedHeight() const override { return control_->Scaled(control_->GetFixedHeight()); }
    int GetMinWidth() const override { return control_->Scaled(control_->GetMinWidth()); }
    int GetMaxWidth() const override { return control_->Scaled(control_->GetMaxWidth()); }
    int GetMinHeight() const override { return control_->Scaled(control_->GetMinHeight()); }
    int GetMaxHeight() const override { return control_->Scaled(control_->GetMaxHeight()); }
    UiSize EstimateSize(UiSize available) override {
        const SIZE size = control_->EstimateSize(SIZE{available.cx, available.cy});
        return UiSize{size.cx, size.cy};
    }
    void SetPos(const UiRect& rect) override {
        control_->SetPos(RECT{rect.left, rect.top, rect.right, rect.bottom}, false);
    }

    // Adapters for a child list; `items` keeps them alive, `pointers` is what the
    // arithmetic takes.
    static void Wrap(const std::vector<CControlUI*>& controls,
                     std::vector<CControlLayoutItem>& items,
                     std::vector<ILayoutItem*>& pointers) {
        items.clear();
        items.reserve(controls.size());
        pointers.clear();
        for (CControlUI* control : controls) {
            items.emplace_back(control);
        }
        for (CControlLayoutItem& item : items) {
            pointers.push_back(&item);
        }
    }

  private:
    CControlUI* control_;
};
