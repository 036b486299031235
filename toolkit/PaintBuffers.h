#pragma once
// A window's off-screen pixels: the frame the controls paint into before it reaches the
// screen and, for a per-pixel-alpha window, its background image drawn once. Both are
// made on first use at the client size and dropped when the size or the mode changes.

#include "util/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <functional>

class CPaintBuffers {
  public:
    void Release();

    // The frame, made when there is none: a 32-bit DIB whose pixels can be reached with
    // `withPixels` (a layered window), else a bitmap like `reference`'s. False when the
    // frame cannot be had.
    bool EnsureFrame(HDC reference, int width, int height, bool withPixels);
    [[nodiscard]] HDC FrameDc() const { return frameDc_.get(); }
    [[nodiscard]] HBITMAP FrameBitmap() const { return frameBitmap_.get(); }
    [[nodiscard]] bool HasFramePixels() const { return framePixels_ != nullptr; }
    // Full transparency over `area` of the frame; `width` is the frame's.
    void ClearFrame(int width, const RECT& area);

    // The background under `area` of the frame: made and drawn by `draw` when there is none
    // or `redraw` asks for it; full transparency when it cannot be made.
    void CopyBackground(HDC reference,
                        int width,
                        int height,
                        bool redraw,
                        const std::function<void(HDC)>& draw,
                        const RECT& area);
    // GDI leaves the alpha byte at 0 where it drew; such pixels of `area` become opaque.
    void MakeDrawnPixelsOpaque(int width, const RECT& area);

  private:
    UniqueMemoryDc frameDc_;
    UniqueBitmap frameBitmap_;
    uint32_t* framePixels_ = nullptr;
    UniqueMemoryDc backgroundDc_;
    UniqueBitmap backgroundBitmap_;
    uint32_t* backgroundPixels_ = nullptr;
};
