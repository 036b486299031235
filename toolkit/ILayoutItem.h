#pragma once
// What the layout arithmetic needs of a child: its size rules, a size estimate and a way
// to take its rectangle. Controls implement it through a thin adapter; tests use fakes.

#include "toolkit/UiGeometry.h"

class ILayoutItem {
  public:
    virtual ~ILayoutItem() = default;
    [[nodiscard]] virtual bool IsVisible() const = 0;
    [[nodiscard]] virtual bool IsFloat() const = 0;
    [[nodiscard]] virtual UiRect GetPadding() const = 0;
    [[nodiscard]] virtual int GetFixedWidth() const = 0;
    [[nodiscard]] virtual int GetFixedHeight() const = 0;
    [[nodiscard]] virtual int GetMinWidth() const = 0;
    [[nodiscard]] virtual int GetMaxWidth() const = 0;
    [[nodiscard]] virtual int GetMinHeight() const = 0;
    [[nodiscard]] virtual int GetMaxHeight() const = 0;
    [[nodiscard]] virtual UiSize EstimateSize(UiSize available) = 0;
    virtual void SetPos(const UiRect& rect) = 0;
};
