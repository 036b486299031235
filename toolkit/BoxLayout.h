#pragma once
// The arithmetic of the layout containers: how a vertical, horizontal, tab or plain
// container shares its area among its children, and where floating children go.

#include "toolkit/ILayoutItem.h"
#include "toolkit/UiGeometry.h"

#include <vector>

enum class BoxAlign { Start, Center, End };

struct BoxArea {
    UiRect area;       // the container's rectangle minus inset and visible scroll bars
    UiSize available;  // area size plus the scroll ranges of visible scroll bars
    int childPadding = 0;
    BoxAlign align = BoxAlign::Start;  // across the layout's direction
    int scrollX = 0;
    int scrollY = 0;
};

class CBoxLayout {
  public:
    // Both return the size the children need (for the scroll bars).
    static UiSize ArrangeVertical(const BoxArea& box, const std::vector<ILayoutItem*>& items);
    static UiSize ArrangeHorizontal(const BoxArea& box, const std::vector<ILayoutItem*>& items);
    // Only the selected item is placed: over the area minus its padding.
    static void ArrangeTab(const UiRect& area, ILayoutItem* selected);
    // Every visible non-floating item over the whole area, within its size limits.
    static void ArrangeFill(const UiRect& area, int scrollX, int scrollY, const std::vector<ILayoutItem*>& items);
    // A floating child's rectangle relative to its container's top-left corner.
    static UiRect FloatRect(const UiSize& container,
                            int fixedX,
                            int fixedY,
                            int fixedWidth,
                            int fixedHeight,
                            const UiFloatAnchor& anchor);
};
