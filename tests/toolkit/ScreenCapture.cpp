#include "ScreenCapture.h"

#include "toolkit/RenderKit.h"
#include "util/UniqueHandle.h"

#include <cstdio>
#include <cstdlib>

bool CScreenCapture::Take(const RECT& screenRect) {
    width_ = screenRect.right - screenRect.left;
    height_ = screenRect.bottom - screenRect.top;
    pixels_.assign(static_cast<size_t>(width_) * height_, 0);
    HDC screen = ::GetDC(nullptr);
    UniqueMemoryDc memory(::CreateCompatibleDC(screen));
    uint32_t* bits = nullptr;
    UniqueBitmap bitmap(CRenderKit::CreateDib32(screen, width_, height_, &bits));
    bool ok = false;
    if (memory && bitmap && bits != nullptr) {
        ScopedSelectObject select(memory.get(), bitmap.get());
        ok = ::BitBlt(memory.get(), 0, 0, width_, height_, screen, screenRect.left, screenRect.top, SRCCOPY) != FALSE;
        ::GdiFlush();
        for (size_t i = 0; i < pixels_.size(); ++i) {
            pixels_[i] = bits[i] & 0x00FFFFFF;
        }
    }
    ::ReleaseDC(nullptr, screen);
    return ok;
}

bool CScreenCapture::TakeClientArea(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return Take(client);
}

uint32_t CScreenCapture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0xFFFFFFFF;
    }
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

bool CScreenCapture::SaveBmp(const std::wstring& path) const {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr) {
        return false;
    }
    const uint32_t dataSize = static_cast<uint32_t>(pixels_.size() * 4);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + dataSize;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width_;
    info.biHeight = -height_;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    const bool ok = std::fwrite(&header, sizeof(header), 1, file) == 1 &&
                    std::fwrite(&info, sizeof(info), 1, file) == 1 &&
                    std::fwrite(pixels_.data(), 4, pixels_.size(), file) == pixels_.size();
    std::fclose(file);
    return ok;
}

bool ColorNear(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance) {
            return false;
        }
    }
    return true;
}
