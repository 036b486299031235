#include "toolkit/AttributeValue.h"
#include "toolkit/DpiScale.h"
#include "toolkit/RenderKit.h"
#include "toolkit/UIManager.h"
#include "toolkit/UIManagerGlobals.h"

#include <algorithm>
#include <cwchar>

namespace {

std::unique_ptr<FontEntry> MakeFont(const FontRequest& wanted) {
    LOGFONTW font{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    if (!wanted.face.empty()) {
        // LOGFONT holds 32 characters with the terminator; longer names are cut, never
        // left unterminated.
        const size_t length = std::min(wanted.face.size(), static_cast<size_t>(LF_FACESIZE - 1));
        std::wmemcpy(font.lfFaceName, wanted.face.c_str(), length);
        font.lfFaceName[length] = L'\0';
    }
    font.lfCharSet = DEFAULT_CHARSET;
    if (wanted.size > 0) {
        font.lfHeight = -wanted.size;
    }
    if (wanted.bold) {
        font.lfWeight = std::min<LONG>(font.lfWeight + FW_BOLD, 1000);
    }
    font.lfUnderline = wanted.underline ? TRUE : FALSE;
    font.lfItalic = wanted.italic ? TRUE : FALSE;
    font.lfStrikeOut = wanted.strikeout ? TRUE : FALSE;
    auto entry = std::make_unique<FontEntry>();
    entry->font.reset(::CreateFontIndirectW(&font));
    if (!entry->font) {
        return nullptr;
    }
    static_cast<FontRequest&>(*entry) = wanted;
    entry->face = font.lfFaceName;
    return entry;
}

// The system's default GUI font with the default character set, until a layout names one.
FontEntry* FallbackFont() {
    static std::unique_ptr<FontEntry> font = [] {
        LOGFONTW logFont{};
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
        FontRequest wanted;
        wanted.face = logFont.lfFaceName;
        wanted.size = -logFont.lfHeight;
        return MakeFont(wanted);
    }();
    return font.get();
}

bool Is(const std::wstring& a, const wchar_t* b) {
    return a == b;
}

bool IsIgnoreCase(const std::wstring& a, const wchar_t* b) {
    return AttributeValue::EqualsIgnoreCase(a.c_str(), b);
}

}  // namespace

const ImageEntry* CUIManager::AddImage(const std::wstring& name,
                                       const std::wstring& resourceType,
                                       DWORD mask,
                                       bool useHSL,
                                       bool shared) {
    std::unique_ptr<ImageEntry> image = CRenderKit::LoadImage(name, resourceType, mask, useHSL, scale_);
    if (image == nullptr) {
        return nullptr;
    }
    return (shared ? UIManagerGlobals::Shared() : resources_).SetImage(name, std::move(image));
}

const ImageEntry* CUIManager::GetImage(const std::wstring& name) const {
    if (const ImageEntry* own = resources_.FindImage(name)) {
        return own;
    }
    return UIManagerGlobals::Shared().FindImage(name);
}

const ImageEntry* CUIManager::GetImageEx(const std::wstring& name,
                                         const std::wstring& resourceType,
                                         DWORD mask,
                                         bool useHSL) {
    if (const ImageEntry* found = GetImage(name)) {
        return found;
    }
    return AddImage(name, resourceType, mask, useHSL, false);
}

const ImageEntry* CUIManager::GetSharedImageEx(const std::wstring& name,
                                               const std::wstring& resourceType,
                                               DWORD mask,
                                               bool useHSL) {
    return CRenderKit::GetSharedImage(name, resourceType, mask, useHSL);
}

bool CUIManager::RemoveImage(const std::wstring& name, bool shared) {
    return (shared ? UIManagerGlobals::Shared() : resources_).RemoveImage(name);
}

HFONT CUIManager::AddFont(int id, const FontRequest& wanted, bool shared) {
    std::unique_ptr<FontEntry> font = MakeFont(wanted);
    if (font == nullptr) {
        return nullptr;
    }
    FontEntry* stored = (shared ? UIManagerGlobals::Shared() : resources_).SetFont(id, std::move(font));
    return stored->font.get();
}

FontEntry* CUIManager::GetFontInfo(int id) {
    FontEntry* font = nullptr;
    if (id >= 0) {
        font = resources_.FindFont(id);
        if (font == nullptr) {
            font = UIManagerGlobals::Shared().FindFont(id);
        }
    }
    if (font == nullptr) {
        font = GetDefaultFontInfo();
    }
    if (font != nullptr && scale_ != DpiScale::kBasePercent) {
        // The tables hold sizes in units; this window draws the same font at its scale.
        const FontRequest& units = *font;
        std::unique_ptr<FontEntry>& scaled = scaledFonts_[units];
        if (scaled == nullptr) {
            FontRequest scaledSpec = units;
            scaledSpec.size = Scale(units.size);
            scaled = MakeFont(scaledSpec);
        }
        if (scaled != nullptr) {
            font = scaled.get();
        }
    }
    if (font != nullptr && !font->hasMetrics && windowDc_ != nullptr) {
        ScopedSelectObject select(windowDc_, font->font.get());
        font->hasMetrics = ::GetTextMetricsW(windowDc_, &font->metrics) != FALSE;
    }
    return font;
}

HFONT CUIManager::GetFont(int id) {
    FontEntry* font = GetFontInfo(id);
    return font != nullptr ? font->font.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

void CUIManager::SetDefaultFont(const FontRequest& wanted, bool shared) {
    std::unique_ptr<FontEntry> font = MakeFont(wanted);
    if (font != nullptr) {
        (shared ? UIManagerGlobals::Shared() : resources_).SetDefaultFont(std::move(font));
    }
}

FontEntry* CUIManager::GetDefaultFontInfo() {
    if (FontEntry* own = resources_.GetDefaultFont()) {
        return own;
    }
    if (FontEntry* shared = UIManagerGlobals::Shared().GetDefaultFont()) {
        return shared;
    }
    return FallbackFont();
}

void CUIManager::AddDefaultAttributeList(const std::wstring& element, const std::wstring& list, bool shared) {
    (shared ? UIManagerGlobals::Shared() : resources_).SetDefaultAttributes(element, list);
}

std::wstring CUIManager::GetDefaultAttributeList(const std::wstring& element) const {
    if (const std::wstring* own = resources_.FindDefaultAttributes(element)) {
        return *own;
    }
    if (const std::wstring* shared = UIManagerGlobals::Shared().FindDefaultAttributes(element)) {
        return *shared;
    }
    return std::wstring();
}

void CUIManager::RemoveAllSharedResources() {
    UIManagerGlobals::Shared().Clear();
}

void CUIManager::SetWindowAttribute(const std::wstring& name, const std::wstring& value) {
    using namespace AttributeValue;
    const wchar_t* v = value.c_str();
    if (IsIgnoreCase(name, L"size")) {
        const UiSize size = ParseSize(v);
        SetInitSize(size.cx, size.cy);
    } else if (IsIgnoreCase(name, L"sizebox")) {
        const UiRect rect = ParseRect(v);
        SetSizeBox(RECT{rect.left, rect.top, rect.right, rect.bottom});
    } else if (IsIgnoreCase(name, L"caption")) {
        const UiRect rect = ParseRect(v);
        SetCaptionRect(RECT{rect.left, rect.top, rect.right, rect.bottom});
    } else if (IsIgnoreCase(name, L"roundcorner")) {
        const UiSize size = ParseSize(v);
        SetRoundCorner(size.cx, size.cy);
    } else if (IsIgnoreCase(name, L"mininfo")) {
        const UiSize size = ParseSize(v);
        SetMinInfo(size.cx, size.cy);
    } else if (IsIgnoreCase(name, L"maxinfo")) {
        const UiSize size = ParseSize(v);
        SetMaxInfo(size.cx, size.cy);
    } else if (IsIgnoreCase(name, L"showdirty")) {
        SetShowUpdateRect(IsTrueIgnoreCase(v));
    } else if (Is(name, L"noactivate")) {
        SetNoActivate(IsTrueIgnoreCase(v));
    } else if (IsIgnoreCase(name, L"opacity")) {
        SetOpacity(static_cast<BYTE>(std::max(0, std::min(255, ParseInt(v)))));
    } else if (Is(name, L"layeredopacity")) {
        SetLayeredOpacity(static_cast<BYTE>(std::max(0, std::min(255, ParseInt(v)))));
    } else if (Is(name, L"layeredimage")) {
        SetLayeredImage(value);
    } else if (IsIgnoreCase(name, L"disabledfontcolor")) {
        SetDefaultDisabledColor(ParseColor(v));
    } else if (IsIgnoreCase(name, L"defaultfontcolor")) {
        SetDefaultFontColor(ParseColor(v));
    } else if (IsIgnoreCase(name, L"linkfontcolor")) {
        SetDefaultLinkFontColor(ParseColor(v));
    } else if (IsIgnoreCase(name, L"linkhoverfontcolor")) {
        SetDefaultLinkHoverFontColor(ParseColor(v));
    } else if (IsIgnoreCase(name, L"selectedcolor")) {
        SetDefaultSelectedBkColor(ParseColor(v));
    } else if (!name.empty()) {
        windowAttributes_.emplace(name, value);  // the first value stays
    }
}

std::wstring CUIManager::GetWindowAttribute(const std::wstring& name) const {
    const auto it = windowAttributes_.find(name);
    return it != windowAttributes_.end() ? it->second : std::wstring();
}
