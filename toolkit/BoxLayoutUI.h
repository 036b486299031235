#pragma once
// What a row and a column share: children one after the other along one axis, those
// without a size sharing what is left, aligned across the axis as the container says.

#include "toolkit/BoxLayout.h"
#include "toolkit/ContainerUI.h"

class CBoxLayoutUI : public CContainerUI {
  public:
    void SetPos(RECT rect, bool needInvalidate = true) override;

  protected:
    enum class Axis { Horizontal, Vertical };
    explicit CBoxLayoutUI(Axis axis) : axis_(axis) {}

  private:
    [[nodiscard]] BoxAlign CrossAlign() const;

    Axis axis_;
};
