#pragma once
// The scale of a window: how many pixels one unit of the skin takes. Layout files, control
// attributes and image descriptors are written in units of a 96-DPI screen; a window turns
// them into pixels with its scale, kept as a whole percentage (100 at 96 DPI, 150 at 144).

#include "toolkit/UiGeometry.h"

#include <string>

namespace DpiScale {

constexpr int kBaseDpi = 96;
constexpr int kBasePercent = 100;
// A window reduced to fit its screen steps down by this much, so its pictures and fonts
// stay on sizes a person would pick.
constexpr int kFitStepPercent = 5;

// The percentage for a DPI, rounded to the nearest whole percent; 100 for nonsense.
[[nodiscard]] int PercentForDpi(int dpi);

// `value` units in pixels, rounded half away from zero.
[[nodiscard]] int Scale(int value, int percent);
// Each edge scaled on its own, so neighbouring rectangles still meet without gaps.
[[nodiscard]] UiRect Scale(const UiRect& rect, int percent);
[[nodiscard]] UiSize Scale(const UiSize& size, int percent);
// Pixels back to units (the inverse of Scale, rounded).
[[nodiscard]] int Unscale(int pixels, int percent);

// The largest percentage, at most `wanted` and in steps of kFitStepPercent below it, at
// which a window of `units` (its largest size) fits into `workArea` pixels. Never below
// 100: a screen too small even for that gets the window at 100.
[[nodiscard]] int FitPercent(int wanted, const UiSize& units, const UiSize& workArea);

// A window's scale: the DPI's percentage, reduced by FitPercent when `fitUnits` is not
// empty, and at most `ownerScale` (when that is above 0): a box over a window that had to be
// reduced is not drawn larger than that window.
[[nodiscard]] int WindowPercent(int dpi, const UiSize& fitUnits, const UiSize& workArea, int ownerScale);

// Where a window goes when the DPI of its screen changes. The system suggests its old size
// times the change of DPI; that is taken as it is while the scale follows the DPI both
// before and after. A window reduced to fit (before or after) keeps its units at the new
// scale instead, placed at the suggested top-left corner.
[[nodiscard]] UiRect WindowAfterDpiChange(const UiRect& window,
                                          int oldDpi,
                                          int oldScale,
                                          int newDpi,
                                          int newScale,
                                          const UiRect& suggested);

// The picture set to draw from at `wanted` percent, out of `available` (ascending): the
// nearest one at or above it, else the largest. 0 when none is available.
[[nodiscard]] int ChooseImageSet(int wanted, const int* available, int count);

// The scales the skin's pictures are made at. A picture "btn/close.png" made at 150 % is
// the skin file "btn/close@150.png"; the one at 100 % keeps the plain name.
constexpr int kImageSets[] = {100, 125, 150, 200};
[[nodiscard]] std::wstring ImageSetName(const std::wstring& name, int set);

// The pixel size of a picture made for `madeAt` percent when drawn at `wanted` percent.
[[nodiscard]] UiSize ResampledSize(const UiSize& pixels, int madeAt, int wanted);

}  // namespace DpiScale
