#include "toolkit/RenderClip.h"

CRenderClip::CRenderClip(HDC dc, const RECT& rect) : dc_(dc) {
    UniqueRegion region(::CreateRectRgnIndirect(&rect));
    Apply(region.get());
}

CRenderClip::CRenderClip(HDC dc, const RECT& rect, int roundWidth, int roundHeight) : dc_(dc) {
    UniqueRegion region(
        ::CreateRoundRectRgn(rect.left, rect.top, rect.right + 1, rect.bottom + 1, roundWidth, roundHeight));
    Apply(region.get());
}

void CRenderClip::Apply(HRGN region) {
    if (dc_ == nullptr || region == nullptr) {
        return;
    }
    previous_.reset(::CreateRectRgn(0, 0, 0, 0));
    hadClip_ = previous_ && ::GetClipRgn(dc_, previous_.get()) == 1;
    if (hadClip_) {
        ::ExtSelectClipRgn(dc_, region, RGN_AND);
    } else {
        ::SelectClipRgn(dc_, region);
    }
}

CRenderClip::~CRenderClip() {
    if (dc_ == nullptr) {
        return;
    }
    ::SelectClipRgn(dc_, hadClip_ ? previous_.get() : nullptr);
}
