#include "toolkit/ListLabelElementUI.h"

#include "toolkit/GdiTextMeasurer.h"
#include "toolkit/LanguageTexts.h"
#include "toolkit/RenderKit.h"
#include "toolkit/UIManager.h"

#include <cwchar>

const wchar_t* CListLabelElementUI::GetClass() const {
    return L"ListLabelElement";
}

void* CListLabelElementUI::GetInterface(const wchar_t* name) {
    return std::wcscmp(name, L"ListLabelElement") == 0 ? this : CListElementUI::GetInterface(name);
}

SIZE CListLabelElementUI::EstimateSize(SIZE available) {
    if (fixedHeight_ > 0) {
        return Scaled(SIZE{fixedWidth_, fixedHeight_});
    }
    const ListInfoUI* info = owner_ != nullptr ? owner_->GetListInfo() : nullptr;
    if (info != nullptr && info->itemHeight > 0) {
        return Scaled(SIZE{fixedWidth_, info->itemHeight});
    }
    CUIManager* resources = owner_ != nullptr ? owner_->GetResourceManager() : manager_;
    const int font = info != nullptr ? info->font : -1;
    const int padding = info != nullptr ? Scaled(info->textPadding.top + info->textPadding.bottom) : 0;
    (void)available;
    return SIZE{Scaled(fixedWidth_), CGdiTextMeasurer(resources).GetLineHeight(font) + Scaled(8) + padding};
}

void CListLabelElementUI::DrawItemBk(HDC dc, ListInfoUI& info, CUIManager* resources) {
    DWORD color = 0;
    ImageDescriptor* image = nullptr;
    if (!IsEnabled()) {
        color = info.disabledBkColor;
        image = &info.disabledImage;
    } else if (selected_) {
        color = info.selectedBkColor;
        image = &info.selectedImage;
    } else if (IsHot()) {
        color = info.hotBkColor;
        image = &info.hotImage;
    } else {
        color = info.bkColor;
        image = &info.bkImage;
        if (info.alternateBk && index_ % 2 == 1 && color != 0) {
            // Every other row a little darker.
            color = (color & 0xFF000000) | (((color >> 16) & 0xFF) * 15 / 16 << 16) |
                    (((color >> 8) & 0xFF) * 15 / 16 << 8) | ((color & 0xFF) * 15 / 16);
        }
    }
    if (color != 0) {
        CRenderKit::DrawColor(dc, paintRect_, color);
    }
    if (image != nullptr && !image->IsEmpty()) {
        // The owner's descriptors serve every row; each row draws into its own rectangle.
        CRenderKit::DrawImage(dc, resources, pos_, paintRect_, *image);
    }
    if (info.hLineSize > 0) {
        CRenderKit::DrawLine(dc, RECT{pos_.left, pos_.bottom - 1, pos_.right, pos_.bottom - 1}, info.hLineSize,
                             info.lineColor);
    }
    if (info.vLineSize > 0) {
        CRenderKit::DrawLine(dc, RECT{pos_.right - 1, pos_.top, pos_.right - 1, pos_.bottom}, info.vLineSize,
                             info.lineColor);
    }
}

void CListLabelElementUI::DrawItemText(HDC dc, const ListInfoUI& info, CUIManager* resources) {
    if (text_.empty()) {
        return;
    }
    DWORD color = info.textColor;
    if (!IsEnabled()) {
        color = info.disabledTextColor;
    } else if (selected_) {
        color = info.selectedTextColor;
    } else if (IsHot()) {
        color = info.hotTextColor;
    }
    RECT rect = pos_;
    const RECT padding = Scaled(info.textPadding);
    rect.left += padding.left;
    rect.top += padding.top;
    rect.right -= padding.right;
    rect.bottom -= padding.bottom;
    CRenderKit::DrawText(dc, resources, rect, CLanguageTexts::Replace(text_), color, info.font, info.textStyle);
}

bool CListLabelElementUI::DoPaint(HDC dc, const RECT& paint, CControlUI* stop) {
    if (!::IntersectRect(&paintRect_, &paint, &pos_)) {
        return true;
    }
    ListInfoUI* info = owner_ != nullptr ? owner_->GetListInfo() : nullptr;
    if (info == nullptr) {
        return CControlUI::DoPaint(dc, paint, stop);
    }
    CUIManager* resources = owner_->GetResourceManager();
    DrawItemBk(dc, *info, resources);
    DrawItemText(dc, *info, resources);
    return true;
}
