#pragma once
// A text on the window: GDI text in the control's font and colours, or, with the effect
// switched on, GDI+ text with a gradient brush and optional shadow, stroke and glow.

#include "toolkit/ControlUI.h"

class CLabelUI : public CControlUI {
  public:
    CLabelUI();

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;

    void SetText(const std::wstring& text) override;
    void SetFixedWidth(int width) override;
    void SetFixedHeight(int height) override;
    SIZE EstimateSize(SIZE available) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintBkColor(HDC dc) override;
    void PaintText(HDC dc) override;

    [[nodiscard]] DWORD GetTextColor() const { return textColor_; }
    // A colour written without its alpha byte (six digits) is taken as opaque.
    void SetTextColor(DWORD color);
    [[nodiscard]] DWORD GetDisabledTextColor() const { return disabledTextColor_; }
    void SetDisabledTextColor(DWORD color);
    [[nodiscard]] DWORD GetDisabledBkColor() const { return disabledBkColor_; }
    void SetDisabledBkColor(DWORD color);
    [[nodiscard]] int GetFont() const { return font_; }
    void SetFont(int id);
    [[nodiscard]] UINT GetTextStyle() const { return textStyle_; }
    void SetTextStyle(UINT style);
    [[nodiscard]] RECT GetTextPadding() const { return textPadding_; }
    void SetTextPadding(RECT padding);
    [[nodiscard]] bool IsShowHtml() const { return showHtml_; }
    void SetShowHtml(bool on);
    [[nodiscard]] bool IsMultiLine() const { return (textStyle_ & DT_SINGLELINE) == 0; }
    void SetMultiLine(bool on);

    [[nodiscard]] bool IsEnabledEffect() const { return effect_; }
    void SetEnabledEffect(bool on);
    void SetEnabledLuminous(bool on);
    void SetLuminousFuzzy(float fuzzy);
    void SetGradientAngle(int angle);
    void SetGradientLength(int length);
    void SetTextColor1(DWORD color);
    void SetShadowColorA(DWORD color);
    void SetShadowColorB(DWORD color);
    void SetStrokeColor(DWORD color);
    void SetEnabledStroke(bool on);
    void SetEnabledShadow(bool on);
    // `angle` in degrees, -180 to 180; others are ignored.
    void SetShadowOffset(int offset, int angle);
    [[nodiscard]] int GetTextRenderingHint() const { return renderingHint_; }
    void SetTextRenderingHint(int hint);

  protected:
    // The text colour to use now; `color` 0 means "the label's own rule".
    void PaintLabelText(HDC dc, DWORD color);
    // Replaces unset colours with the manager's defaults (the replacement is kept).
    void ResolveDefaultColors();
    [[nodiscard]] int GetFontLineHeight() const;
    void MarkSizeStale() { sizeStale_ = true; }
    // The text as drawn: what GetText shows, with the password mask for edits.
    [[nodiscard]] virtual std::wstring GetDisplayText() const;

    DWORD textColor_ = 0;
    DWORD disabledTextColor_ = 0;
    DWORD disabledBkColor_ = 0;
    int font_ = -1;
    UINT textStyle_ = DT_VCENTER | DT_SINGLELINE;
    RECT textPadding_{};
    bool showHtml_ = false;

    bool effect_ = false;
    bool luminous_ = false;
    bool stroke_ = false;
    bool shadow_ = false;
    float luminousFuzzy_ = 3.0f;
    int gradientAngle_ = 0;
    int gradientLength_ = 0;
    DWORD textColor1_ = 0xFFFFFFFF;  // -1: no second colour
    DWORD shadowColorA_ = 0xFF000000;
    DWORD shadowColorB_ = 0xFFFFFFFF;  // -1: none
    DWORD strokeColor_ = 0;
    int shadowOffset_ = 0;
    int shadowAngle_ = 0;
    int renderingHint_ = 4;

  private:
    void PaintEffectText(HDC dc, const RECT& rect, const std::wstring& text, DWORD color);

    bool sizeStale_ = true;
    SIZE lastAvailable_{};
    SIZE lastEstimate_{};
};
