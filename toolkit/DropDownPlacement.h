#pragma once
// Where a combo box's list window goes, in screen coordinates.

#include "toolkit/UiGeometry.h"

#include <vector>

struct DropDownRequest {
    UiRect combo;                  // the combo box on the screen
    int dropWidth = 0;             // 0 or less: as wide as the combo
    int maxHeight = 150;           // the drop-box height
    std::vector<int> itemHeights;  // estimated heights of the visible items
    UiRect workArea;               // the primary monitor's work area
};

// Under the combo, as high as the items need but at most the drop-box height; upwards,
// ending at the combo's top edge, when it would pass the bottom of the work area.
[[nodiscard]] UiRect PlaceDropDown(const DropDownRequest& request);
