#pragma once
// A bar filled by its fore image in proportion to value within min..max.

#include "toolkit/LabelUI.h"

class CProgressUI : public CLabelUI {
  public:
    CProgressUI();

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStatusImage(HDC dc) override;

    [[nodiscard]] bool IsHorizontal() const { return horizontal_; }
    void SetHorizontal(bool horizontal);
    [[nodiscard]] int GetMinValue() const { return min_; }
    void SetMinValue(int value);
    [[nodiscard]] int GetMaxValue() const { return max_; }
    void SetMaxValue(int value);
    [[nodiscard]] int GetValue() const { return value_; }
    // Held to min..max.
    void SetValue(int value);
    void SetForeImage(const std::wstring& descriptor);
    // Where the fore image went at the last paint, relative to the bar.
    [[nodiscard]] UiRect GetLastFillRect() const { return lastFill_; }

  private:
    bool horizontal_ = true;
    int min_ = 0;
    int max_ = 100;
    int value_ = 0;
    ImageDescriptor progressForeImage_;
    UiRect lastFill_;
};
