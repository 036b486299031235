#pragma once
// The scale of a window: how many pixels one unit of the skin takes. Layout files, control
// attributes and image descriptors are written in units of a 96-DPI screen; a window turns
// them into pixels with its scale, kept as a whole percentage (100 at 96 DPI, 150 at 144).

#include "toolkit/UiGeometry.h"

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

// The picture set to draw from at `wanted` percent, out of `available` (ascending): the
// nearest one at or above it, else the largest. 0 when none is available.
[[nodiscard]] int ChooseImageSet(int wanted, const int* available, int count);

// The pixel size of a picture made for `madeAt` percent when drawn at `wanted` percent.
[[nodiscard]] UiSize ResampledSize(const UiSize& pixels, int madeAt, int wanted);

}  // namespace DpiScale
