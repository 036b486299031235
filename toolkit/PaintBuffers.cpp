#include "toolkit/PaintBuffers.h"

#include "toolkit/RenderKit.h"

#include <cstring>

namespace {

void ClearPixels(uint32_t* bits, int stride, const RECT& rect) {
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        std::memset(bits + static_cast<size_t>(y) * stride + rect.left, 0,
                    static_cast<size_t>(rect.right - rect.left) * sizeof(uint32_t));
    }
}

}  // namespace

void CPaintBuffers::Release() {
    frameBitmap_.reset();
    frameDc_.reset();
    framePixels_ = nullptr;
    backgroundBitmap_.reset();
    backgroundDc_.reset();
    backgroundPixels_ = nullptr;
}

bool CPaintBuffers::EnsureFrame(HDC reference, int width, int height, bool withPixels) {
    if (!frameDc_ && width > 0 && height > 0) {
        frameDc_.reset(::CreateCompatibleDC(reference));
        if (withPixels) {
            frameBitmap_.reset(CRenderKit::CreateDib32(reference, width, height, &framePixels_));
        } else {
            frameBitmap_.reset(::CreateCompatibleBitmap(reference, width, height));
        }
    }
    return frameDc_ && frameBitmap_;
}

void CPaintBuffers::ClearFrame(int width, const RECT& area) {
    if (framePixels_ != nullptr) {
        ClearPixels(framePixels_, width, area);
    }
}

void CPaintBuffers::CopyBackground(HDC reference,
                                   int width,
                                   int height,
                                   bool redraw,
                                   const std::function<void(HDC)>& draw,
                                   const RECT& area) {
    if (!backgroundDc_ || redraw) {
        backgroundBitmap_.reset();
        backgroundDc_.reset(::CreateCompatibleDC(reference));
        backgroundBitmap_.reset(CRenderKit::CreateDib32(reference, width, height, &backgroundPixels_));
        if (backgroundDc_ && backgroundBitmap_ && backgroundPixels_ != nullptr) {
            std::memset(backgroundPixels_, 0, static_cast<size_t>(width) * height * sizeof(uint32_t));
            ScopedSelectObject select(backgroundDc_.get(), backgroundBitmap_.get());
            draw(backgroundDc_.get());
            ::GdiFlush();
        }
    }
    if (backgroundPixels_ == nullptr) {
        ClearFrame(width, area);
        return;
    }
    for (LONG y = area.top; y < area.bottom; ++y) {
        const size_t offset = static_cast<size_t>(y) * width + area.left;
        std::memcpy(framePixels_ + offset, backgroundPixels_ + offset,
                    static_cast<size_t>(area.right - area.left) * sizeof(uint32_t));
    }
}

void CPaintBuffers::MakeDrawnPixelsOpaque(int width, const RECT& area) {
    ::GdiFlush();
    if (framePixels_ == nullptr) {
        return;
    }
    for (LONG y = area.top; y < area.bottom; ++y) {
        uint32_t* row = framePixels_ + static_cast<size_t>(y) * width;
        for (LONG x = area.left; x < area.right; ++x) {
            if (row[x] != 0 && (row[x] >> 24) == 0) {
                row[x] |= 0xFF000000;
            }
        }
    }
}
