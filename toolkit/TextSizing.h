#pragma once
// The size a text control asks for, computed behind a text-measuring interface so that
// the rules run (and are tested) without a device context.

#include "toolkit/UiGeometry.h"

#include <string>

class ITextMeasurer {
  public:
    virtual ~ITextMeasurer() = default;
    // Height of a line in the font with that id (-1: the default font).
    [[nodiscard]] virtual int GetLineHeight(int font) = 0;
    // Extent of `text` on one line, or wrapped to `wrapWidth` when it is positive.
    [[nodiscard]] virtual UiSize MeasureText(const std::wstring& text, int font, int wrapWidth) = 0;
};

struct TextSizeRequest {
    std::wstring text;
    int font = -1;
    UiSize fixed;      // 0 on a side: measure that side
    UiSize available;  // what the parent offers
    UiRect textPadding;
    bool multiLine = false;
    bool effect = false;  // drawn through GDI+, which needs a little more room
};

// Single line: a missing height is a line plus 8 pixels, a missing width the measured
// text width; both plus the text padding. Multi-line: a missing width is the available
// width, and a missing height the height of the text wrapped to it.
[[nodiscard]] UiSize EstimateTextSize(const TextSizeRequest& request, ITextMeasurer& measurer);
