#pragma once
// The toolkit's GDI drawing: images (nine-grid, tiling, per-pixel alpha), colours,
// gradients, borders and text, plus loading images into premultiplied DIB sections.

#include "toolkit/ImageDescriptor.h"
#include "toolkit/ImageEntry.h"

#include <windows.h>

#include <memory>
#include <string>

class IResourceLookup;

class CRenderKit {
  public:
    // Loads an image: a colour ("*COLOR*"), a Win32 resource of `resourceType`, or the skin
    // file `name`, for drawing at `scale` percent. A skin file comes from the nearest set
    // made at or above that scale (DpiScale::kImageSets), else from the plain file, and is
    // resized smoothly to the scale where the set does not match. Null when nothing can be
    // read or decoded.
    [[nodiscard]] static std::unique_ptr<ImageEntry> LoadImage(const std::wstring& name,
                                                               const std::wstring& resourceType,
                                                               DWORD mask,
                                                               bool useHSL,
                                                               int scale);
    // The process-wide image of that name, loaded into the shared tables on first use.
    static const ImageEntry* GetSharedImage(const std::wstring& name,
                                            const std::wstring& resourceType,
                                            DWORD mask,
                                            bool useHSL);
    // A 32-bit top-down DIB section; `bits` gets its pixels.
    [[nodiscard]] static HBITMAP CreateDib32(HDC dc, int width, int height, uint32_t** bits);

    // Parses the descriptor on first use, loads its image through the window's resources (or
    // the shared tables without them) and draws it. With no DC it only parses and loads. True when the
    // descriptor has an image.
    static bool DrawImage(HDC dc,
                          IResourceLookup* resources,
                          const RECT& control,
                          const RECT& paint,
                          ImageDescriptor& descriptor);
    static void DrawImageParts(HDC dc,
                               const ImageEntry& image,
                               const RECT& dest,
                               const RECT& source,
                               const RECT& corner,
                               BYTE fade,
                               bool hole,
                               bool xtiled,
                               bool ytiled);

    // Colours are 0xAARRGGBB; an alpha below 0xFF blends, an alpha of 0 draws nothing.
    static void DrawColor(HDC dc, const RECT& rect, DWORD color);
    // Bands of colour from `from` to `to`, top to bottom (or left to right).
    static void DrawGradient(HDC dc, const RECT& rect, DWORD from, DWORD to, bool vertical, int bands);
    static void DrawLine(HDC dc, const RECT& line, int size, DWORD color, int style = PS_SOLID);
    static void DrawRect(HDC dc, const RECT& rect, int size, DWORD color, int style = PS_SOLID);
    static void
    DrawRoundRect(HDC dc, const RECT& rect, int size, int width, int height, DWORD color, int style = PS_SOLID);
    // Pure black is drawn as 0x000001: a layered window takes zero pixels as transparent.
    static void DrawText(HDC dc,
                         IResourceLookup* resources,
                         RECT& rect,
                         const std::wstring& text,
                         DWORD color,
                         int font,
                         UINT style);
    [[nodiscard]] static SIZE GetTextSize(HDC dc,
                                          IResourceLookup* resources,
                                          const std::wstring& text,
                                          int font,
                                          UINT style,
                                          int wrapWidth = 0);

    // Per-pixel alpha composition: msimg32's AlphaBlend when it can be had, otherwise an
    // equivalent software blend.
    static bool AlphaBlend(HDC dest,
                           const RECT& destRect,
                           HDC source,
                           const RECT& sourceRect,
                           BYTE alpha,
                           bool perPixel);
    // Tests can force the software path.
    static void UseSoftwareBlend(bool force);
};
