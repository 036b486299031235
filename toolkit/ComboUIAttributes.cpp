#include "toolkit/AttributeValue.h"
#include "toolkit/ComboUI.h"
#include "toolkit/TextAlign.h"

#include <cwchar>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

RECT ToRect(const UiRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

}  // namespace

void CComboUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    using namespace AttributeValue;
    ListInfoUI& info = listInfo_;
    if (Is(name, L"textpadding")) {
        SetTextPadding(ToRect(ParseRect(value)));
    } else if (Is(name, L"align")) {
        textStyle_ = ApplyHorizontalAlign(textStyle_, value);
        Invalidate();
    } else if (Is(name, L"itemalign")) {
        info.textStyle = ApplyHorizontalAlign(info.textStyle, value);
    } else if (Is(name, L"font")) {
        SetFont(ParseInt(value));
    } else if (Is(name, L"itemfont")) {
        info.font = ParseInt(value);
    } else if (Is(name, L"itemheight")) {
        info.itemHeight = ParseInt(value);
    } else if (Is(name, L"itemvlinesize")) {
        info.vLineSize = ParseInt(value);
    } else if (Is(name, L"itemhlinesize")) {
        info.hLineSize = ParseInt(value);
    } else if (Is(name, L"textcolor")) {
        SetTextColor(ParseColor(value));
    } else if (Is(name, L"disabledtextcolor")) {
        SetDisabledTextColor(ParseColor(value));
    } else if (Is(name, L"itemtextcolor")) {
        info.textColor = ParseColor(value);
    } else if (Is(name, L"itembkcolor")) {
        info.bkColor = ParseColor(value);
    } else if (Is(name, L"itemselectedtextcolor")) {
        info.selectedTextColor = ParseColor(value);
    } else if (Is(name, L"itemselectedbkcolor")) {
        info.selectedBkColor = ParseColor(value);
    } else if (Is(name, L"itemhottextcolor")) {
        info.hotTextColor = ParseColor(value);
    } else if (Is(name, L"itemhotbkcolor")) {
        info.hotBkColor = ParseColor(value);
    } else if (Is(name, L"itemdisabledtextcolor")) {
        info.disabledTextColor = ParseColor(value);
    } else if (Is(name, L"itemdisabledbkcolor")) {
        info.disabledBkColor = ParseColor(value);
    } else if (Is(name, L"itemvlinecolor") || Is(name, L"itemhlinecolor")) {
        info.lineColor = ParseColor(value);
    } else if (Is(name, L"rhaa")) {
        renderingHint_ = ParseInt(value);
    } else if (Is(name, L"showtext")) {
        SetShowText(IsTrue(value));
    } else if (Is(name, L"selectedid")) {
        SelectItem(ParseInt(value), false, true);
    } else if (Is(name, L"normalimage")) {
        SetNormalImage(value);
    } else if (Is(name, L"hotimage")) {
        SetHotImage(value);
    } else if (Is(name, L"pushedimage")) {
        SetPushedImage(value);
    } else if (Is(name, L"focusedimage")) {
        SetFocusedImage(value);
    } else if (Is(name, L"disabledimage")) {
        SetDisabledImage(value);
    } else if (Is(name, L"itembkimage")) {
        info.bkImage.SetText(value);
    } else if (Is(name, L"itemselectedimage")) {
        info.selectedImage.SetText(value);
    } else if (Is(name, L"itemhotimage")) {
        info.hotImage.SetText(value);
    } else if (Is(name, L"itemdisabledimage")) {
        info.disabledImage.SetText(value);
    } else if (Is(name, L"dropbox")) {
        SetDropBoxAttributeList(value);
    } else if (Is(name, L"dropboxsize")) {
        const UiSize size = ParseSize(value);
        SetDropBoxSize(SIZE{size.cx, size.cy});
    } else if (Is(name, L"itemaltbk")) {
        info.alternateBk = IsTrue(value);
    } else if (Is(name, L"itemshowhtml")) {
        info.showHtml = IsTrue(value);
    } else {
        for (int i = 0; i < 4; ++i) {
            if (Is(name, kDropScrollBarNames[i])) {
                dropScrollBar_[i] = value;
                return;
            }
        }
        CContainerUI::SetAttribute(name, value);
    }
}
