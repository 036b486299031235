#pragma once
// A scroll bar: two buttons, a rail and a thumb. It scrolls its owner container (by
// lines from the buttons, by pages from the rail, proportionally from the thumb), or,
// without an owner, only itself and tells the window with a queued "scroll".

#include "toolkit/ControlUI.h"
#include "toolkit/IScrollBarUI.h"
#include "toolkit/PressTracker.h"
#include "toolkit/ScrollBarGeometry.h"

class CContainerUI;

class CScrollBarUI : public CControlUI, public IScrollBarUI {
  public:
    // The local timer that repeats a held button or rail.
    static constexpr UINT kRepeatTimerId = 10;
    static constexpr UINT kRepeatInterval = 50;

    CScrollBarUI();

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetEnabled(bool enabled = true) override;
    void DoEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintBkImage(HDC dc) override;
    void PaintStatusImage(HDC dc) override;

    // IScrollBarUI
    void SetOwner(CContainerUI* owner) override { owner_ = owner; }
    void SetHorizontal(bool horizontal) override;
    int GetScrollRange() const override { return range_; }
    void SetScrollRange(int range) override;
    int GetScrollPos() const override { return scrollPos_; }
    void SetScrollPos(int pos) override;
    int GetLineSize() const override { return lineSize_; }

    [[nodiscard]] CContainerUI* GetOwner() const { return owner_; }
    [[nodiscard]] bool IsHorizontal() const { return horizontal_; }
    void SetLineSize(int size);
    void SetScrollUnit(int unit) { scrollUnit_ = unit > 0 ? unit : 1; }
    void SetShowButton1(bool show);
    void SetShowButton2(bool show);
    [[nodiscard]] ScrollBarParts GetParts() const;

  private:
    enum Part { kButton1, kButton2, kThumb, kRail, kBackground, kPartCount };
    enum Look { kNormal, kHot, kPushed, kDisabled, kLookCount };
    enum class Held { None, Button1, Button2, Thumb, RailBefore, RailAfter };

    void Scroll(int delta);
    void StepHeld();
    void UpdateHot(POINT point);
    [[nodiscard]] Look LookOf(Part part) const;
    void PaintPart(HDC dc, Part part, const UiRect& rect);

    CContainerUI* owner_ = nullptr;
    bool horizontal_ = false;
    int range_ = 100;
    int scrollPos_ = 0;
    int lineSize_ = 8;
    int scrollUnit_ = 1;
    bool showButton1_ = true;
    bool showButton2_ = true;

    Held held_ = Held::None;
    Part hot_ = kPartCount;
    // The bar's hover and its press; `held_` says which part the press is on.
    CPressTracker state_;
    int ticks_ = 0;
    POINT dragStart_{};
    int dragStartPos_ = 0;

    DWORD colors_[3] = {0, 0, 0};  // button 1, button 2, thumb
    ImageDescriptor images_[kPartCount][kLookCount];
};
