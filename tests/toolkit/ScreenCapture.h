#pragma once
// Reads what the screen shows, the way a person would see the window, and keeps a copy as
// a BMP file for looking at.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CScreenCapture {
  public:
    // Captures the screen rectangle; false when the screen cannot be read.
    bool Take(const RECT& screenRect);
    // Captures what the screen shows of the window's client area.
    bool TakeClientArea(HWND window);
    // 0x00RRGGBB of the pixel at (x, y) relative to the captured rectangle.
    [[nodiscard]] uint32_t At(int x, int y) const;
    bool SaveBmp(const std::wstring& path) const;
    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

// Channel-wise comparison with a tolerance.
bool ColorNear(uint32_t actual, uint32_t expected, int tolerance = 6);
