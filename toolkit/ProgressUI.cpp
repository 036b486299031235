#include "toolkit/ProgressUI.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/ProgressGeometry.h"
#include "toolkit/RenderKit.h"
#include "toolkit/UIManager.h"

#include <cwchar>

namespace {

bool Is(const wchar_t* a, const wchar_t* b) {
    return std::wcscmp(a, b) == 0;
}

}  // namespace

CProgressUI::CProgressUI() {
    textStyle_ = DT_SINGLELINE | DT_CENTER;
    fixedHeight_ = 12;
}

const wchar_t* CProgressUI::GetClass() const {
    return L"Progress";
}

void* CProgressUI::GetInterface(const wchar_t* name) {
    return Is(name, L"Progress") ? this : CLabelUI::GetInterface(name);
}

void CProgressUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    using namespace AttributeValue;
    if (Is(name, L"foreimage")) {
        SetForeImage(value);
    } else if (Is(name, L"hor")) {
        SetHorizontal(IsTrue(value));
    } else if (Is(name, L"min")) {
        SetMinValue(ParseInt(value));
    } else if (Is(name, L"max")) {
        SetMaxValue(ParseInt(value));
    } else if (Is(name, L"value")) {
        SetValue(ParseInt(value));
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

void CProgressUI::SetHorizontal(bool horizontal) {
    if (horizontal_ != horizontal) {
        horizontal_ = horizontal;
        Invalidate();
    }
}

void CProgressUI::SetMinValue(int value) {
    min_ = value;
    Invalidate();
}

void CProgressUI::SetMaxValue(int value) {
    max_ = value;
    Invalidate();
}

void CProgressUI::SetValue(int value) {
    if (value < min_) {
        value = min_;
    }
    if (value > max_) {
        value = max_;
    }
    if (value != value_) {
        value_ = value;
        Invalidate();
    }
}

void CProgressUI::SetForeImage(const std::wstring& descriptor) {
    progressForeImage_.SetText(descriptor);
    Invalidate();
}

void CProgressUI::PaintStatusImage(HDC dc) {
    const ProgressRange range = RepairProgressRange(ProgressRange{min_, max_, value_});
    min_ = range.min;
    max_ = range.max;
    value_ = range.value;
    lastFill_ = ProgressFillRect(range, GetWidth(), GetHeight(), horizontal_);
    if (progressForeImage_.IsEmpty()) {
        return;
    }
    // Parse first: the descriptor's own "dest" gives way to the filled part.
    if (!CRenderKit::DrawImage(nullptr, manager_, pos_, paintRect_, progressForeImage_)) {
        return;
    }
    if (lastFill_.IsEmpty()) {
        return;
    }
    progressForeImage_.params.dest = lastFill_;
    progressForeImage_.destInPixels = true;
    DrawImage(dc, progressForeImage_);
}
