#include "toolkit/ImagePlacement.h"

#include <algorithm>

namespace ImagePlacement {
namespace {

bool Valid(const UiRect& r) {
    return r.right > r.left && r.bottom > r.top;
}

void Emit(const PartSink& sink, const UiRect& dest, const UiRect& source) {
    if (Valid(dest) && Valid(source)) {
        sink(dest, source);
    }
}

// Whole source-sized tiles along the tiled directions, the last one cut; a direction that
// is not tiled stretches the source over the whole middle.
void TileMiddle(const UiRect& dest, const UiRect& source, bool xtiled, bool ytiled, const PartSink& sink) {
    const int tileWidth = source.Width();
    const int tileHeight = source.Height();
    if (tileWidth <= 0 || tileHeight <= 0) {
        return;  // nothing to repeat; stepping by zero would never end
    }
    const int stepX = xtiled ? tileWidth : dest.Width();
    const int stepY = ytiled ? tileHeight : dest.Height();
    for (int y = dest.top; y < dest.bottom; y += stepY) {
        const int height = std::min(stepY, dest.bottom - y);
        for (int x = dest.left; x < dest.right; x += stepX) {
            const int width = std::min(stepX, dest.right - x);
            UiRect part{x, y, x + width, y + height};
            UiRect from = source;
            if (xtiled) {
                from.right = from.left + width;
            }
            if (ytiled) {
                from.bottom = from.top + height;
            }
            Emit(sink, part, from);
        }
    }
}

}  // namespace

UiRect ResolveDest(const UiRect& control, const UiRect& dest) {
    if (dest.left == 0 && dest.top == 0 && dest.right == 0 && dest.bottom == 0) {
        return control;
    }
    UiRect rect{control.left + dest.left, control.top + dest.top, control.left + dest.right, control.top + dest.bottom};
    rect.right = std::min(rect.right, control.right);
    rect.bottom = std::min(rect.bottom, control.bottom);
    return Valid(rect) ? rect : UiRect{};
}

UiRect ResolveSource(const UiRect& source, int imageWidth, int imageHeight) {
    if (source.left == 0 && source.top == 0 && source.right == 0 && source.bottom == 0) {
        return UiRect{0, 0, imageWidth, imageHeight};
    }
    UiRect rect = source;
    rect.right = std::min(rect.right, imageWidth);
    rect.bottom = std::min(rect.bottom, imageHeight);
    rect.left = std::max(rect.left, 0);
    rect.top = std::max(rect.top, 0);
    return Valid(rect) ? rect : UiRect{};
}

void ForEachPart(const UiRect& dest,
                 const UiRect& source,
                 const UiRect& corner,
                 bool hole,
                 bool xtiled,
                 bool ytiled,
                 const PartSink& sink) {
    const UiRect& c = corner;
    if (!hole) {
        const UiRect middleDest{dest.left + c.left, dest.top + c.top, dest.right - c.right, dest.bottom - c.bottom};
        const UiRect middleSource{source.left + c.left, source.top + c.top, source.right - c.right,
                                  source.bottom - c.bottom};
        if (Valid(middleDest)) {
            if (xtiled || ytiled) {
                TileMiddle(middleDest, middleSource, xtiled, ytiled, sink);
            } else {
                Emit(sink, middleDest, middleSource);
            }
        }
    }
    // Corners, unscaled.
    if (c.left > 0 && c.top > 0) {
        Emit(sink, {dest.left, dest.top, dest.left + c.left, dest.top + c.top},
             {source.left, source.top, source.left + c.left, source.top + c.top});
    }
    if (c.right > 0 && c.top > 0) {
        Emit(sink, {dest.right - c.right, dest.top, dest.right, dest.top + c.top},
             {source.right - c.right, source.top, source.right, source.top + c.top});
    }
    if (c.left > 0 && c.bottom > 0) {
        Emit(sink, {dest.left, dest.bottom - c.bottom, dest.left + c.left, dest.bottom},
             {source.left, source.bottom - c.bottom, source.left + c.left, source.bottom});
    }
    if (c.right > 0 && c.bottom > 0) {
        Emit(sink, {dest.right - c.right, dest.bottom - c.bottom, dest.right, dest.bottom},
             {source.right - c.right, source.bottom - c.bottom, source.right, source.bottom});
    }
    // Edges, stretched along their length.
    if (c.left > 0) {
        Emit(sink, {dest.left, dest.top + c.top, dest.left + c.left, dest.bottom - c.bottom},
             {source.left, source.top + c.top, source.left + c.left, source.bottom - c.bottom});
    }
    if (c.top > 0) {
        Emit(sink, {dest.left + c.left, dest.top, dest.right - c.right, dest.top + c.top},
             {source.left + c.left, source.top, source.right - c.right, source.top + c.top});
    }
    if (c.right > 0) {
        Emit(sink, {dest.right - c.right, dest.top + c.top, dest.right, dest.bottom - c.bottom},
             {source.right - c.right, source.top + c.top, source.right, source.bottom - c.bottom});
    }
    if (c.bottom > 0) {
        Emit(sink, {dest.left + c.left, dest.bottom - c.bottom, dest.right - c.right, dest.bottom},
             {source.left + c.left, source.bottom - c.bottom, source.right - c.right, source.bottom});
    }
}

}  // namespace ImagePlacement
