#pragma once
// A label that can be pressed: state images for normal, hot, pushed, focused and
// disabled, hot and pushed colours, an optional hover fade, and "click" on release.

#include "toolkit/LabelUI.h"
#include "toolkit/HoverFade.h"
#include "toolkit/PressTracker.h"

class CButtonUI : public CLabelUI {
  public:
    // The local timer id of the hover fade.
    static constexpr UINT kFadeTimerId = 11;
    static constexpr UINT kFadeInterval = 30;

    CButtonUI();

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    bool Activate() override;
    void SetEnabled(bool enabled = true) override;
    void DoEvent(UIEvent& event) override;
    SIZE EstimateSize(SIZE available) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintBkColor(HDC dc) override;
    void PaintStatusImage(HDC dc) override;
    void PaintText(HDC dc) override;

    [[nodiscard]] UINT GetButtonState() const { return state_.GetState(); }

    void SetNormalImage(const std::wstring& descriptor);
    void SetHotImage(const std::wstring& descriptor);
    void SetHotForeImage(const std::wstring& descriptor);
    void SetPushedImage(const std::wstring& descriptor);
    void SetPushedForeImage(const std::wstring& descriptor);
    void SetFocusedImage(const std::wstring& descriptor);
    void SetDisabledImage(const std::wstring& descriptor);
    void SetForeImage(const std::wstring& descriptor);
    // One image of five equal columns: normal, pushed, hot, focused, disabled.
    void SetFiveStatusImage(const std::wstring& descriptor);

    void SetHotBkColor(DWORD color);
    void SetHotTextColor(DWORD color);
    void SetPushedTextColor(DWORD color);
    void SetFocusedTextColor(DWORD color);
    void SetFocusedBkColor(DWORD color);
    void SetFadeDelta(int delta);
    [[nodiscard]] int GetFadeAlpha() const { return fade_.GetAlpha(); }
    // "arrow" gives the arrow cursor over the button, anything else the hand.
    void SetCursor(const std::wstring& name);

  protected:
    // Draws a state image (loaded on first use); false when it has no image.
    bool DrawStateImage(HDC dc, ImageDescriptor& descriptor, int alpha = -1);
    // Paints the state images for `state` (Pushed may be masked out by options).
    void PaintButtonImages(HDC dc, UINT state);
    // The text colour for `state`, or 0 for the label's own rule.
    [[nodiscard]] DWORD StateTextColor(UINT state) const;
    void SyncStateFromControl();
    void StartFade();

    CPressTracker state_;
    std::wstring cursor_ = L"hand";
    DWORD hotBkColor_ = 0;
    DWORD hotTextColor_ = 0;
    DWORD pushedTextColor_ = 0;
    DWORD focusedTextColor_ = 0;
    DWORD focusedBkColor_ = 0;
    CHoverFade fade_;

    ImageDescriptor normalImage_;
    ImageDescriptor hotImage_;
    ImageDescriptor hotForeImage_;
    ImageDescriptor pushedImage_;
    ImageDescriptor pushedForeImage_;
    ImageDescriptor focusedImage_;
    ImageDescriptor disabledImage_;
};
