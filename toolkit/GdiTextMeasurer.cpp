#include "toolkit/GdiTextMeasurer.h"

#include "toolkit/RenderKit.h"
#include "toolkit/UIManager.h"

int CGdiTextMeasurer::GetLineHeight(int font) {
    if (manager_ == nullptr) {
        return 0;
    }
    const FontEntry* entry = manager_->GetFontInfo(font);
    return entry != nullptr && entry->hasMetrics ? entry->metrics.tmHeight : 0;
}

UiSize CGdiTextMeasurer::MeasureText(const std::wstring& text, int font, int wrapWidth) {
    if (manager_ == nullptr) {
        return UiSize{};
    }
    const SIZE size = CRenderKit::GetTextSize(manager_->GetPaintDC(), manager_, text, font,
                                              wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE, wrapWidth);
    return UiSize{size.cx, size.cy};
}
