#include "toolkit/ScrollBarGeometry.h"

#include <algorithm>
#include <cstdint>

namespace {

// The bar seen along its length: [start, end) on the scrolling axis, `thick` across.
struct Axis {
    bool horizontal;
    UiRect bar;

    int Start() const { return horizontal ? bar.left : bar.top; }
    int End() const { return horizontal ? bar.right : bar.bottom; }
    int Thickness() const { return horizontal ? bar.Height() : bar.Width(); }
    UiRect Span(int from, int to) const {
        return horizontal ? UiRect{from, bar.top, to, bar.bottom} : UiRect{bar.left, from, bar.right, to};
    }
};

int RailLength(const ScrollBarParts& parts, bool horizontal) {
    return horizontal ? parts.rail.Width() : parts.rail.Height();
}

int ThumbLength(const ScrollBarParts& parts, bool horizontal) {
    return horizontal ? parts.thumb.Width() : parts.thumb.Height();
}

}  // namespace

ScrollBarParts CScrollBarGeometry::Layout(const UiRect& bar,
                                          bool horizontal,
                                          int range,
                                          int pos,
                                          bool showButton1,
                                          bool showButton2) {
    const Axis axis{horizontal, bar};
    const int length = std::max(0, axis.End() - axis.Start());
    const int buttons = (showButton1 ? 1 : 0) + (showButton2 ? 1 : 0);
    int button = std::max(0, axis.Thickness());
    if (buttons > 0 && button * buttons > length) {
        button = length / buttons;
    }
    ScrollBarParts parts;
    int railStart = axis.Start();
    int railEnd = axis.End();
    if (showButton1) {
        parts.button1 = axis.Span(railStart, railStart + button);
        railStart += button;
    }
    if (showButton2) {
        parts.button2 = axis.Span(railEnd - button, railEnd);
        railEnd -= button;
    }
    parts.rail = axis.Span(railStart, railEnd);
    const int rail = railEnd - railStart;
    if (range <= 0 || rail <= 0) {
        return parts;
    }
    // The thumb shows the visible share: rail / (range + rail), but never thinner than the
    // bar is thick so it stays grabbable.
    int thumb = static_cast<int>(static_cast<int64_t>(rail) * rail / (static_cast<int64_t>(range) + rail));
    thumb = std::min(rail, std::max(thumb, std::max(1, axis.Thickness())));
    pos = std::clamp(pos, 0, range);
    const int offset = static_cast<int>(static_cast<int64_t>(rail - thumb) * pos / range);
    parts.thumb = axis.Span(railStart + offset, railStart + offset + thumb);
    return parts;
}

int CScrollBarGeometry::DragPosition(const ScrollBarParts& parts,
                                     bool horizontal,
                                     int range,
                                     int startPos,
                                     int travel) {
    if (range <= 0) {
        return 0;
    }
    const int free = RailLength(parts, horizontal) - ThumbLength(parts, horizontal);
    if (free <= 0) {
        return std::clamp(startPos, 0, range);
    }
    const int64_t pos = static_cast<int64_t>(startPos) + static_cast<int64_t>(travel) * range / free;
    return static_cast<int>(std::clamp<int64_t>(pos, 0, range));
}
