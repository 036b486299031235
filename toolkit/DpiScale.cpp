#include "toolkit/DpiScale.h"

#include <algorithm>
#include <cstdint>

namespace DpiScale {

namespace {

// a * b / c rounded half away from zero, without overflow for the ranges used here.
int MulDivRound(int a, int b, int c) {
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t half = c / 2;
    const int64_t result = product >= 0 ? (product + half) / c : -((-product + half) / c);
    return static_cast<int>(result);
}

}  // namespace

int PercentForDpi(int dpi) {
    if (dpi <= 0 || dpi > 100 * kBaseDpi) {
        return kBasePercent;
    }
    return MulDivRound(dpi, kBasePercent, kBaseDpi);
}

int Scale(int value, int percent) {
    if (percent == kBasePercent) {
        return value;
    }
    return MulDivRound(value, percent, kBasePercent);
}

UiRect Scale(const UiRect& rect, int percent) {
    return UiRect{Scale(rect.left, percent), Scale(rect.top, percent), Scale(rect.right, percent),
                  Scale(rect.bottom, percent)};
}

UiSize Scale(const UiSize& size, int percent) {
    return UiSize{Scale(size.cx, percent), Scale(size.cy, percent)};
}

int Unscale(int pixels, int percent) {
    if (percent <= 0 || percent == kBasePercent) {
        return pixels;
    }
    return MulDivRound(pixels, kBasePercent, percent);
}

int FitPercent(int wanted, const UiSize& units, const UiSize& workArea) {
    const auto fits = [&](int percent) {
        const UiSize pixels = Scale(units, percent);
        return pixels.cx <= workArea.cx && pixels.cy <= workArea.cy;
    };
    if (wanted <= kBasePercent || fits(wanted)) {
        return std::max(wanted, 1);
    }
    // Down from the step at or below `wanted`: 192 DPI (200) tries 195, 190, ...
    int percent = (wanted - 1) / kFitStepPercent * kFitStepPercent;
    for (; percent > kBasePercent; percent -= kFitStepPercent) {
        if (fits(percent)) {
            return percent;
        }
    }
    return kBasePercent;
}

int WindowPercent(int dpi, const UiSize& fitUnits, const UiSize& workArea, int ownerScale) {
    int percent = PercentForDpi(dpi);
    if (fitUnits.cx > 0 || fitUnits.cy > 0) {
        percent = FitPercent(percent, fitUnits, workArea);
    }
    if (ownerScale > 0 && ownerScale < percent) {
        percent = ownerScale;
    }
    return percent;
}

UiRect WindowAfterDpiChange(const UiRect& window,
                            int oldDpi,
                            int oldScale,
                            int newDpi,
                            int newScale,
                            const UiRect& suggested) {
    if (oldScale == PercentForDpi(oldDpi) && newScale == PercentForDpi(newDpi)) {
        return suggested;
    }
    const int width = Scale(Unscale(window.Width(), oldScale), newScale);
    const int height = Scale(Unscale(window.Height(), oldScale), newScale);
    return UiRect{suggested.left, suggested.top, suggested.left + width, suggested.top + height};
}

int ChooseImageSet(int wanted, const int* available, int count) {
    if (available == nullptr || count <= 0) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        if (available[i] >= wanted) {
            return available[i];
        }
    }
    return available[count - 1];
}

std::wstring ImageSetName(const std::wstring& name, int set) {
    if (set == kBasePercent) {
        return name;
    }
    // The suffix goes before the extension of the last path element, if it has one.
    const size_t slash = name.find_last_of(L"/\\");
    const size_t dot = name.find_last_of(L'.');
    const size_t at = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash) ? dot : name.size();
    return name.substr(0, at) + L"@" + std::to_wstring(set) + name.substr(at);
}

UiSize ResampledSize(const UiSize& pixels, int madeAt, int wanted) {
    if (madeAt <= 0 || madeAt == wanted) {
        return pixels;
    }
    const auto one = [&](int value) { return std::max(1, MulDivRound(value, wanted, madeAt)); };
    return UiSize{one(pixels.cx), one(pixels.cy)};
}

}  // namespace DpiScale
