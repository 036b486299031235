#include "toolkit/DropDownPlacement.h"

UiRect PlaceDropDown(const DropDownRequest& request) {
    int height = 0;
    for (int itemHeight : request.itemHeights) {
        if (itemHeight > 0) {
            height += itemHeight;
        }
        if (height >= request.maxHeight) {
            break;
        }
    }
    if (height > request.maxHeight) {
        height = request.maxHeight;
    }
    const int width = request.dropWidth > 0 ? request.dropWidth : request.combo.Width();
    UiRect rect{request.combo.left, request.combo.bottom, request.combo.left + width, request.combo.bottom + height};
    if (rect.bottom > request.workArea.bottom) {
        rect.top = request.combo.top - height;
        rect.bottom = request.combo.top;
    }
    return rect;
}
