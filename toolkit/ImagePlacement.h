#pragma once
// Where the parts of an image descriptor go: the destination inside the control, the
// source inside the image, and the nine-grid split with optional tiling of the middle.

#include "toolkit/UiGeometry.h"

#include <functional>

namespace ImagePlacement {

// The control rectangle, or control origin + `dest` with right and bottom held inside the
// control. Empty when nothing is left.
[[nodiscard]] UiRect ResolveDest(const UiRect& control, const UiRect& dest);
// The whole image when `source` is all zero; otherwise `source` with right and bottom
// held inside the image. Empty when nothing is left.
[[nodiscard]] UiRect ResolveSource(const UiRect& source, int imageWidth, int imageHeight);

using PartSink = std::function<void(const UiRect& dest, const UiRect& source)>;

// Calls `sink` for each part: the middle (stretched, tiled, or left out for a hole), then
// the four corners unscaled, then the four edges stretched along their length.
void ForEachPart(const UiRect& dest,
                 const UiRect& source,
                 const UiRect& corner,
                 bool hole,
                 bool xtiled,
                 bool ytiled,
                 const PartSink& sink);

}  // namespace ImagePlacement
