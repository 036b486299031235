#pragma once
// The filled part of a progress bar, relative to the bar's own top-left corner.

#include "toolkit/UiGeometry.h"

struct ProgressRange {
    int min = 0;
    int max = 100;
    int value = 0;
};

// Puts a broken range right before drawing: max at least min + 1, value inside.
[[nodiscard]] ProgressRange RepairProgressRange(ProgressRange range);
// Horizontal bars fill from the left, vertical ones from the bottom. The range is
// repaired first, so any input gives a rectangle inside the bar.
[[nodiscard]] UiRect ProgressFillRect(const ProgressRange& range, int width, int height, bool horizontal);
