#pragma once
// Narrows a DC's clip region to a rectangle (optionally with round corners) for the
// lifetime of the object, then puts the previous clip back.

#include "util/UniqueHandle.h"

#include <windows.h>

class CRenderClip {
  public:
    CRenderClip(HDC dc, const RECT& rect);
    CRenderClip(HDC dc, const RECT& rect, int roundWidth, int roundHeight);
    ~CRenderClip();
    CRenderClip(const CRenderClip&) = delete;
    CRenderClip& operator=(const CRenderClip&) = delete;

  private:
    void Apply(HRGN region);

    HDC dc_;
    UniqueRegion previous_;
    bool hadClip_ = false;
};
