#pragma once
// Measures text with a window's fonts, for EstimateTextSize.

#include "toolkit/TextSizing.h"

class CUIManager;

class CGdiTextMeasurer : public ITextMeasurer {
  public:
    explicit CGdiTextMeasurer(CUIManager* manager) : manager_(manager) {}
    int GetLineHeight(int font) override;
    UiSize MeasureText(const std::wstring& text, int font, int wrapWidth) override;

  private:
    CUIManager* manager_;
};
