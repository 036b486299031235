#pragma once
// An image-valued property of a control (background, state images, the layered window's
// background): the text as written, parsed on first use. The image itself is looked up
// in the caches on every draw, so a replaced cache entry can never be drawn stale.

#include "toolkit/ImageParams.h"

#include <string>

struct ImageDescriptor {
    std::wstring text;
    bool parsed = false;
    bool failed = false;  // parsed, but no image could be had: draws nothing
    ImageParams params;   // dest, source, corner, fade, hole, tiling, mask
    // The skin writes "dest" in layout units and "source" in units of the picture; code
    // that places a part itself (the filled part of a bar, a column of a strip) gives
    // pixels and says so here.
    bool destInPixels = false;
    bool sourceInPixels = false;

    ImageDescriptor() = default;
    explicit ImageDescriptor(const std::wstring& value) : text(value) {}

    // A new text resets everything to the defaults.
    void SetText(const std::wstring& value) {
        text = value;
        Reset();
    }
    void Reset() {
        parsed = false;
        failed = false;
        destInPixels = false;
        sourceInPixels = false;
        params = ImageParams();
    }
    [[nodiscard]] bool IsEmpty() const { return text.empty(); }
};
