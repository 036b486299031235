#pragma once
// The parts of a scroll bar: two buttons at the ends, the rail between them and the
// thumb on the rail, whose length shows how much of the content is in view.

#include "toolkit/UiGeometry.h"

struct ScrollBarParts {
    UiRect button1;  // up or left; empty when hidden
    UiRect button2;  // down or right; empty when hidden
    UiRect rail;     // between the buttons
    UiRect thumb;    // empty when there is nothing to scroll
};

class CScrollBarGeometry {
  public:
    // `bar` is the scroll bar's rectangle; buttons are square, as long as the bar is
    // thick (less when the bar is too short for both).
    [[nodiscard]] static ScrollBarParts Layout(const UiRect& bar,
                                               bool horizontal,
                                               int range,
                                               int pos,
                                               bool showButton1,
                                               bool showButton2);
    // The position a thumb drag gives: the start position plus the pointer's travel along
    // the rail, in proportion to the range; held to 0..range.
    [[nodiscard]] static int DragPosition(const ScrollBarParts& parts,
                                          bool horizontal,
                                          int range,
                                          int startPos,
                                          int travel);
    // A held button or rail repeats its step on every timer tick after the first 5.
    static constexpr int kRepeatDelayTicks = 5;
    [[nodiscard]] static bool RepeatsOnTick(int tickCount) { return tickCount > kRepeatDelayTicks; }
};
