#include "toolkit/ProgressGeometry.h"

#include <cstdint>

ProgressRange RepairProgressRange(ProgressRange range) {
    if (range.min >= range.max) {
        if (range.min == INT32_MAX) {
            range.min = INT32_MAX - 1;
        }
        range.max = range.min + 1;
    }
    if (range.value < range.min) {
        range.value = range.min;
    }
    if (range.value > range.max) {
        range.value = range.max;
    }
    return range;
}

UiRect ProgressFillRect(const ProgressRange& input, int width, int height, bool horizontal) {
    const ProgressRange range = RepairProgressRange(input);
    // 64-bit products: a skin may give a large range and the bar's pixels multiply it.
    const int64_t span = static_cast<int64_t>(range.max) - range.min;
    if (horizontal) {
        const int64_t filled = (static_cast<int64_t>(range.value) - range.min) * width / span;
        return UiRect{0, 0, static_cast<int>(filled), height};
    }
    const int64_t top = static_cast<int64_t>(height) * (static_cast<int64_t>(range.max) - range.value) / span;
    return UiRect{0, static_cast<int>(top), width, height};
}
