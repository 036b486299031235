#include "toolkit/TextSizing.h"

UiSize EstimateTextSize(const TextSizeRequest& request, ITextMeasurer& measurer) {
    const UiSize& fixed = request.fixed;
    if (fixed.cx > 0 && fixed.cy > 0) {
        return fixed;
    }
    const UiRect& pad = request.textPadding;
    UiSize size = fixed;
    if (!request.multiLine) {
        if (size.cy == 0) {
            size.cy = measurer.GetLineHeight(request.font) + 8 + pad.top + pad.bottom;
        }
        if (size.cx == 0) {
            size.cx = measurer.MeasureText(request.text, request.font, 0).cx + pad.left + pad.right;
        }
    } else {
        if (size.cx == 0) {
            size.cx = request.available.cx;
        }
        if (size.cy == 0) {
            const int wrap = size.cx - pad.left - pad.right;
            size.cy = measurer.MeasureText(request.text, request.font, wrap > 0 ? wrap : 1).cy + pad.top + pad.bottom;
        }
    }
    if (request.effect) {
        size.cx = static_cast<int>(size.cx * 1.03);
    }
    return size;
}
