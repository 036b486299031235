#pragma once
// A control that owns children: it lays them over its inset area, paints them clipped to
// it, routes hit tests to them and scrolls them.

#include "toolkit/ControlUI.h"
#include "toolkit/IContainerUI.h"

#include <vector>

class IScrollBarUI;

class CContainerUI : public CControlUI, public IContainerUI {
  public:
    enum ChildAlign : UINT { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };
    enum ChildVAlign : UINT { AlignTop = 0, AlignVCenter = 4, AlignBottom = 8 };

    CContainerUI();
    ~CContainerUI() override;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;

    // IContainerUI
    CControlUI* GetItemAt(int index) const override;
    int GetItemIndex(CControlUI* control) const override;
    bool SetItemIndex(CControlUI* control, int index) override;
    bool SetMultiItemIndex(CControlUI* startControl, int count, int newStartIndex) override;
    int GetCount() const override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control, bool keep = false) override;
    bool RemoveAt(int index, bool keep = false) override;
    void RemoveAll() override;

    void DoEvent(UIEvent& event) override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;
    void SetPos(RECT rect, bool needInvalidate = true) override;
    void Move(SIZE offset, bool needInvalidate = true) override;
    bool DoPaint(HDC dc, const RECT& paint, CControlUI* stop) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void SetManager(CUIManager* manager, CControlUI* parent, bool init = true) override;
    CControlUI* FindControl(FindControlProc proc, void* data, UINT flags) override;

    [[nodiscard]] bool IsAutoDestroy() const { return autoDestroy_; }
    void SetAutoDestroy(bool on) { autoDestroy_ = on; }
    [[nodiscard]] bool IsDelayedDestroy() const { return delayedDestroy_; }
    void SetDelayedDestroy(bool on) { delayedDestroy_ = on; }
    [[nodiscard]] RECT GetInset() const { return inset_; }
    void SetInset(RECT inset);
    [[nodiscard]] int GetChildPadding() const { return childPadding_; }
    void SetChildPadding(int padding);
    [[nodiscard]] UINT GetChildAlign() const { return childAlign_; }
    void SetChildAlign(UINT align);
    [[nodiscard]] UINT GetChildVAlign() const { return childVAlign_; }
    void SetChildVAlign(UINT align);
    [[nodiscard]] bool IsMouseChildEnabled() const { return mouseChild_; }
    void SetMouseChildEnabled(bool on) { mouseChild_ = on; }

    // Scrolling. Without a registered scroll bar class the container simply does not scroll.
    [[nodiscard]] SIZE GetScrollPos() const;
    [[nodiscard]] SIZE GetScrollRange() const;
    virtual void SetScrollPos(SIZE pos);
    void LineUp();
    void LineDown();
    void PageUp();
    void PageDown();
    void HomeUp();
    void EndDown();
    void LineLeft();
    void LineRight();
    void PageLeft();
    void PageRight();
    void HomeLeft();
    void EndRight();
    void EnableScrollBar(bool vertical = true, bool horizontal = false);
    [[nodiscard]] CControlUI* GetVerticalScrollBar() const { return verticalScrollBar_; }
    [[nodiscard]] CControlUI* GetHorizontalScrollBar() const { return horizontalScrollBar_; }

    // Places a floating child from its fixed position, size and anchor.
    virtual void SetFloatPos(int index);

  protected:
    // The position less the inset and the visible scroll bars.
    [[nodiscard]] RECT GetLayoutArea() const;
    // The area plus the scroll ranges, what layouts offer their children.
    [[nodiscard]] SIZE GetAvailableSize(const RECT& area) const;
    virtual void ProcessScrollBar(RECT area, int neededWidth, int neededHeight);
    void PlaceFloatingChildren();
    void ReleaseChild(CControlUI* control, bool keep);
    [[nodiscard]] static IScrollBarUI* AsScrollBar(CControlUI* control);

    std::vector<CControlUI*> items_;
    RECT inset_{};
    int childPadding_ = 0;
    UINT childAlign_ = AlignLeft;
    UINT childVAlign_ = AlignTop;
    bool autoDestroy_ = true;
    bool delayedDestroy_ = false;
    bool mouseChild_ = true;
    CControlUI* verticalScrollBar_ = nullptr;
    CControlUI* horizontalScrollBar_ = nullptr;
    std::wstring verticalScrollBarStyle_;
    std::wstring horizontalScrollBarStyle_;
};
