#include "toolkit/RenderKit.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/DpiScale.h"
#include "toolkit/IResourceLookup.h"
#include "toolkit/ImageDecoder.h"
#include "toolkit/ImageResample.h"
#include "toolkit/ImagePlacement.h"
#include "toolkit/SkinArchive.h"
#include "toolkit/UIDefs.h"
#include "toolkit/UIManagerGlobals.h"
#include "util/SystemDll.h"
#include "util/UniqueHandle.h"

#include <algorithm>
#include <cwctype>
#include <iterator>
#include <utility>
#include <vector>

namespace {

using AlphaBlendFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);

bool g_forceSoftwareBlend = false;

AlphaBlendFn GetAlphaBlend() {
    static AlphaBlendFn function = [] {
        HMODULE module = LoadSystemLibrary(L"msimg32.dll");  // kept for the process's life
        return module ? reinterpret_cast<AlphaBlendFn>(reinterpret_cast<void*>(::GetProcAddress(module, "AlphaBlend")))
                      : nullptr;
    }();
    return g_forceSoftwareBlend ? nullptr : function;
}

RECT ToRect(const UiRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

UiRect ToUi(const RECT& r) {
    return UiRect{r.left, r.top, r.right, r.bottom};
}

// An image named by a number is the resource of that id.
bool ReadImageResource(const std::wstring& name, const std::wstring& type, std::vector<uint8_t>& bytes) {
    const wchar_t* resourceName = name.c_str();
    if (!name.empty() && std::iswdigit(name[0])) {
        resourceName = MAKEINTRESOURCEW(_wtoi(name.c_str()));
    }
    return UIManagerGlobals::ReadResourceBytes(resourceName, type.c_str(), bytes);
}

// Blends `source` (32-bit premultiplied, stretched to the destination size) over what the
// destination DC already shows.
bool SoftwareBlend(HDC dest, const RECT& d, HDC source, const RECT& s, BYTE alpha, bool perPixel) {
    const int width = d.right - d.left;
    const int height = d.bottom - d.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    uint32_t* srcBits = nullptr;
    uint32_t* dstBits = nullptr;
    UniqueBitmap srcBitmap(CRenderKit::CreateDib32(dest, width, height, &srcBits));
    UniqueBitmap dstBitmap(CRenderKit::CreateDib32(dest, width, height, &dstBits));
    UniqueMemoryDc work(::CreateCompatibleDC(dest));
    if (!srcBitmap || !dstBitmap || !work) {
        return false;
    }
    {
        ScopedSelectObject select(work.get(), srcBitmap.get());
        ::SetStretchBltMode(work.get(), COLORONCOLOR);
        ::StretchBlt(work.get(), 0, 0, width, height, source, s.left, s.top, s.right - s.left, s.bottom - s.top,
                     SRCCOPY);
    }
    {
        ScopedSelectObject select(work.get(), dstBitmap.get());
        ::BitBlt(work.get(), 0, 0, width, height, dest, d.left, d.top, SRCCOPY);
    }
    ::GdiFlush();
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t sp = srcBits[i];
        const uint32_t dp = dstBits[i];
        const uint32_t sa = perPixel ? ((sp >> 24) * alpha / 255) : alpha;
        uint32_t out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            uint32_t sc = (sp >> shift) & 0xFF;
            if (shift == 24) {
                sc = perPixel ? (sp >> 24) : 255;
            }
            const uint32_t scaled = sc * alpha / 255;
            const uint32_t dc = (dp >> shift) & 0xFF;
            const uint32_t value = std::min<uint32_t>(255, scaled + dc * (255 - sa) / 255);
            out |= value << shift;
        }
        dstBits[i] = out;
    }
    ScopedSelectObject select(work.get(), dstBitmap.get());
    ::BitBlt(dest, d.left, d.top, width, height, work.get(), 0, 0, SRCCOPY);
    return true;
}

// The skin file for `scale`: the nearest set at or above it that the skin has, then the
// larger ones, then the plain file; `madeAt` tells which set it was. The sets are looked
// for in the skin only, never as plain paths beside the program.
bool ReadScaledImageFile(const std::wstring& name, int scale, std::vector<uint8_t>& bytes, int& madeAt) {
    if (scale != DpiScale::kBasePercent) {
        const int count = static_cast<int>(std::size(DpiScale::kImageSets));
        const int first = DpiScale::ChooseImageSet(scale, DpiScale::kImageSets, count);
        std::wstring error;
        for (const int set : DpiScale::kImageSets) {
            if (set >= first && set != DpiScale::kBasePercent &&
                CSkinArchive::ReadFile(DpiScale::ImageSetName(name, set), bytes, error)) {
                madeAt = set;
                return true;
            }
        }
    }
    madeAt = DpiScale::kBasePercent;
    return CSkinArchive::ReadImageFile(name, bytes);
}

}  // namespace

void CRenderKit::UseSoftwareBlend(bool force) {
    g_forceSoftwareBlend = force;
}

HBITMAP CRenderKit::CreateDib32(HDC dc, int width, int height, uint32_t** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    *bits = static_cast<uint32_t*>(pixels);
    return bitmap;
}

std::unique_ptr<ImageEntry> CRenderKit::LoadImage(const std::wstring& name,
                                                  const std::wstring& resourceType,
                                                  DWORD mask,
                                                  bool useHSL,
                                                  int scale) {
    if (name.empty()) {
        return nullptr;
    }
    DecodedImage decoded;
    int madeAt = DpiScale::kBasePercent;
    if (resourceType == ImageParams::kColorType) {
        const uint32_t color = AttributeValue::ParseColor(name.c_str());
        decoded.width = 1;
        decoded.height = 1;
        decoded.rgba = {static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
                        static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 24)};
    } else {
        std::vector<uint8_t> bytes;
        const bool read = resourceType.empty() ? ReadScaledImageFile(name, scale, bytes, madeAt)
                                               : ReadImageResource(name, resourceType, bytes);
        if (!read || !DecodeImage(bytes.data(), bytes.size(), decoded)) {
            return nullptr;
        }
        if (madeAt != scale) {
            const UiSize size = DpiScale::ResampledSize(UiSize{decoded.width, decoded.height}, madeAt, scale);
            DecodedImage resized;
            if (ResampleImage(decoded, size.cx, size.cy, resized)) {
                decoded = std::move(resized);
            } else {
                scale = madeAt;  // drawn stretched from the pixels it has
            }
        }
    }
    auto entry = std::make_unique<ImageEntry>();
    entry->bitmap.reset(CreateDib32(nullptr, decoded.width, decoded.height, &entry->bits));
    if (!entry->bitmap || entry->bits == nullptr) {
        return nullptr;
    }
    entry->width = decoded.width;
    entry->height = decoded.height;
    entry->scale = scale;
    entry->hasAlpha = ConvertToPremultiplied(decoded, mask, entry->bits);
    entry->useHSL = useHSL;
    if (useHSL) {
        const size_t count = static_cast<size_t>(decoded.width) * static_cast<size_t>(decoded.height);
        entry->sourceBits.assign(entry->bits, entry->bits + count);
    }
    entry->resourceType = resourceType;
    entry->mask = mask;
    return entry;
}

const ImageEntry* CRenderKit::GetSharedImage(const std::wstring& name,
                                             const std::wstring& resourceType,
                                             DWORD mask,
                                             bool useHSL) {
    CResourceCache& shared = UIManagerGlobals::Shared();
    if (const ImageEntry* found = shared.FindImage(name)) {
        return found;
    }
    std::unique_ptr<ImageEntry> image = LoadImage(name, resourceType, mask, useHSL, DpiScale::kBasePercent);
    return image != nullptr ? shared.SetImage(name, std::move(image)) : nullptr;
}

bool CRenderKit::DrawImage(HDC dc,
                           IResourceLookup* resources,
                           const RECT& control,
                           const RECT& paint,
                           ImageDescriptor& descriptor) {
    if (descriptor.IsEmpty()) {
        return false;
    }
    if (!descriptor.parsed) {
        descriptor.parsed = true;
        descriptor.failed = !ParseImageParams(descriptor.text, descriptor.params);
    }
    if (descriptor.failed) {
        return false;
    }
    const ImageParams& params = descriptor.params;
    const ImageEntry* image = resources
                                  ? resources->GetImageEx(params.name, params.resourceType, params.mask, params.hsl)
                                  : GetSharedImage(params.name, params.resourceType, params.mask, params.hsl);
    if (image == nullptr) {
        descriptor.failed = true;
        return false;
    }
    if (dc == nullptr) {
        return true;
    }
    // The destination is in the window's units, the source and the corners in the picture's.
    const int windowScale = resources != nullptr ? resources->GetScale() : DpiScale::kBasePercent;
    const UiRect destOffsets = descriptor.destInPixels ? params.dest : DpiScale::Scale(params.dest, windowScale);
    const RECT dest = ToRect(ImagePlacement::ResolveDest(ToUi(control), destOffsets));
    RECT visible{};
    if (!::IntersectRect(&visible, &dest, &control) || !::IntersectRect(&visible, &dest, &paint)) {
        return true;
    }
    const UiRect source = ImagePlacement::ResolveSource(
        descriptor.sourceInPixels ? params.source : DpiScale::Scale(params.source, image->scale), image->width,
        image->height);
    if (source.IsEmpty()) {
        return true;
    }
    DrawImageParts(dc, *image, dest, ToRect(source), ToRect(DpiScale::Scale(params.corner, image->scale)), params.fade,
                   params.hole, params.xtiled, params.ytiled);
    return true;
}

void CRenderKit::DrawImageParts(HDC dc,
                                const ImageEntry& image,
                                const RECT& dest,
                                const RECT& source,
                                const RECT& corner,
                                BYTE fade,
                                bool hole,
                                bool xtiled,
                                bool ytiled) {
    UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    if (!memory) {
        return;
    }
    ScopedSelectObject select(memory.get(), image.bitmap.get());
    const bool blend = image.hasAlpha || fade < 255;
    const bool noCorners = corner.left == 0 && corner.top == 0 && corner.right == 0 && corner.bottom == 0;
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ImagePlacement::ForEachPart(
        ToUi(dest), ToUi(source), ToUi(corner), hole, xtiled, ytiled, [&](const UiRect& d, const UiRect& s) {
            if (blend) {
                AlphaBlend(dc, ToRect(d), memory.get(), ToRect(s), fade, image.hasAlpha);
            } else if (noCorners && d.Width() == s.Width() && d.Height() == s.Height()) {
                ::BitBlt(dc, d.left, d.top, d.Width(), d.Height(), memory.get(), s.left, s.top, SRCCOPY);
            } else {
                ::StretchBlt(dc, d.left, d.top, d.Width(), d.Height(), memory.get(), s.left, s.top, s.Width(),
                             s.Height(), SRCCOPY);
            }
        });
}

bool CRenderKit::AlphaBlend(HDC dest, const RECT& d, HDC source, const RECT& s, BYTE alpha, bool perPixel) {
    if (AlphaBlendFn function = GetAlphaBlend()) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, static_cast<BYTE>(perPixel ? AC_SRC_ALPHA : 0)};
        return function(dest, d.left, d.top, d.right - d.left, d.bottom - d.top, source, s.left, s.top,
                        s.right - s.left, s.bottom - s.top, blend) != FALSE;
    }
    return SoftwareBlend(dest, d, source, s, alpha, perPixel);
}

void CRenderKit::DrawColor(HDC dc, const RECT& rect, DWORD color) {
    const BYTE alpha = static_cast<BYTE>(color >> 24);
    if (alpha == 0 || rect.right <= rect.left || rect.bottom <= rect.top) {
        return;
    }
    if (alpha == 255) {
        ::SetBkColor(dc, ToColorRef(color));
        ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
        return;
    }
    uint32_t* bits = nullptr;
    UniqueBitmap pixel(CreateDib32(dc, 1, 1, &bits));
    UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    if (!pixel || !memory || bits == nullptr) {
        return;
    }
    const uint32_t r = ((color >> 16) & 0xFF) * alpha / 255;
    const uint32_t g = ((color >> 8) & 0xFF) * alpha / 255;
    const uint32_t b = (color & 0xFF) * alpha / 255;
    *bits = (static_cast<uint32_t>(alpha) << 24) | (r << 16) | (g << 8) | b;
    ScopedSelectObject select(memory.get(), pixel.get());
    AlphaBlend(dc, rect, memory.get(), RECT{0, 0, 1, 1}, 255, true);
}

void CRenderKit::DrawGradient(HDC dc, const RECT& rect, DWORD from, DWORD to, bool vertical, int bands) {
    const int length = vertical ? rect.bottom - rect.top : rect.right - rect.left;
    if (bands <= 0 || length <= 0) {
        return;
    }
    bands = std::min(bands, length);
    for (int i = 0; i < bands; ++i) {
        DWORD color = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const int a = static_cast<int>((from >> shift) & 0xFF);
            const int b = static_cast<int>((to >> shift) & 0xFF);
            const int value = bands > 1 ? a + (b - a) * i / (bands - 1) : a;
            color |= static_cast<DWORD>(value) << shift;
        }
        RECT band = rect;
        if (vertical) {
            band.top = rect.top + length * i / bands;
            band.bottom = rect.top + length * (i + 1) / bands;
        } else {
            band.left = rect.left + length * i / bands;
            band.right = rect.left + length * (i + 1) / bands;
        }
        DrawColor(dc, band, color);
    }
}

void CRenderKit::DrawLine(HDC dc, const RECT& line, int size, DWORD color, int style) {
    UniquePen pen(::CreatePen(style, size, ToColorRef(color)));
    ScopedSelectObject select(dc, pen.get());
    ::MoveToEx(dc, line.left, line.top, nullptr);
    ::LineTo(dc, line.right, line.bottom);
}

void CRenderKit::DrawRect(HDC dc, const RECT& rect, int size, DWORD color, int style) {
    UniquePen pen(::CreatePen(style | PS_INSIDEFRAME, size, ToColorRef(color)));
    ScopedSelectObject selectPen(dc, pen.get());
    ScopedSelectObject selectBrush(dc, ::GetStockObject(HOLLOW_BRUSH));
    ::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
}

void CRenderKit::DrawRoundRect(HDC dc, const RECT& rect, int size, int width, int height, DWORD color, int style) {
    UniquePen pen(::CreatePen(style | PS_INSIDEFRAME, size, ToColorRef(color)));
    ScopedSelectObject selectPen(dc, pen.get());
    ScopedSelectObject selectBrush(dc, ::GetStockObject(HOLLOW_BRUSH));
    ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, width, height);
}

void CRenderKit::DrawText(HDC dc,
                          IResourceLookup* resources,
                          RECT& rect,
                          const std::wstring& text,
                          DWORD color,
                          int font,
                          UINT style) {
    if (text.empty() || dc == nullptr) {
        return;
    }
    if ((color & 0x00FFFFFF) == 0) {
        color = (color & 0xFF000000) | 0x000001;
    }
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ToColorRef(color));
    HFONT hfont = resources ? resources->GetFont(font) : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ScopedSelectObject select(dc, hfont);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, style | DT_NOPREFIX);
}

SIZE CRenderKit::GetTextSize(HDC dc,
                             IResourceLookup* resources,
                             const std::wstring& text,
                             int font,
                             UINT style,
                             int wrapWidth) {
    SIZE size{0, 0};
    if (dc == nullptr) {
        return size;
    }
    HFONT hfont = resources ? resources->GetFont(font) : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ScopedSelectObject select(dc, hfont);
    RECT rect{0, 0, wrapWidth > 0 ? wrapWidth : 9999, 9999};
    if (wrapWidth > 0) {
        style = (style & ~static_cast<UINT>(DT_SINGLELINE)) | DT_WORDBREAK;
    }
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, style | DT_CALCRECT | DT_NOPREFIX);
    size.cx = rect.right - rect.left;
    size.cy = rect.bottom - rect.top;
    return size;
}
