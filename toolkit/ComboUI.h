#pragma once
// A combo box: shows the selected item's text and opens a drop-down list window with its
// items. The items are its children; the list window borrows them while it is open.

#include "toolkit/ContainerUI.h"
#include "toolkit/IListOwnerUI.h"
#include "toolkit/PressTracker.h"

#include <vector>

class CComboWnd;

class CComboUI : public CContainerUI, public IListOwnerUI {
  public:
    CComboUI();
    ~CComboUI() override;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void DoInit() override;
    void SetEnabled(bool enabled = true) override;
    void SetPos(RECT rect, bool needInvalidate = true) override;
    SIZE EstimateSize(SIZE available) override;
    CControlUI* FindControl(FindControlProc proc, void* data, UINT flags) override;
    // Opens the drop-down list (when visible, enabled and not open yet), then "dropdown".
    bool Activate() override;
    void DoEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    bool DoPaint(HDC dc, const RECT& paint, CControlUI* stop) override;
    void PaintStatusImage(HDC dc) override;
    void PaintText(HDC dc) override;

    // Items: every list item added learns its owner and index.
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control, bool keep = false) override;
    bool RemoveAt(int index, bool keep = false) override;
    void RemoveAll() override;

    // IListOwnerUI
    ListInfoUI* GetListInfo() override { return &listInfo_; }
    CUIManager* GetResourceManager() override { return manager_; }
    int GetCurSel() const override { return curSel_; }
    bool SelectItem(int index, bool takeFocus = false, bool notify = true) override;

    // The drop-down, while open.
    [[nodiscard]] CComboWnd* GetDropWindow() const { return dropWindow_; }
    [[nodiscard]] HWND GetDropWindowHandle() const;
    [[nodiscard]] const std::wstring& GetDropBoxAttributeList() const { return dropBoxAttributes_; }
    void SetDropBoxAttributeList(const std::wstring& list) { dropBoxAttributes_ = list; }
    [[nodiscard]] SIZE GetDropBoxSize() const { return dropBoxSize_; }
    void SetDropBoxSize(SIZE size) { dropBoxSize_ = size; }
    [[nodiscard]] bool IsShowText() const { return showText_; }
    void SetShowText(bool show);
    [[nodiscard]] UINT GetComboState() const { return state_.GetState(); }
    [[nodiscard]] int FindSelectable(int index, bool forward) const;
    // "vscrollbar", "hscrollbar", "vscrollbarstyle", "hscrollbarstyle" as given for the
    // drop-down list (empty when not given).
    static constexpr const wchar_t* kDropScrollBarNames[4] = {L"vscrollbar", L"hscrollbar", L"vscrollbarstyle",
                                                              L"hscrollbarstyle"};
    [[nodiscard]] const std::wstring& GetDropScrollBarAttribute(int index) const { return dropScrollBar_[index]; }

    void SetTextPadding(RECT padding);
    void SetFont(int id);
    void SetTextColor(DWORD color);
    void SetDisabledTextColor(DWORD color);
    void SetNormalImage(const std::wstring& descriptor);
    void SetHotImage(const std::wstring& descriptor);
    void SetPushedImage(const std::wstring& descriptor);
    void SetFocusedImage(const std::wstring& descriptor);
    void SetDisabledImage(const std::wstring& descriptor);

  private:
    friend class CComboWnd;

    void Reindex();
    void MoveSelection(int target);
    [[nodiscard]] std::vector<bool> SelectableItems() const;

    CComboWnd* dropWindow_ = nullptr;
    int curSel_ = -1;
    bool showText_ = true;
    bool selectCloseFlag_ = true;
    RECT textPadding_{};
    int font_ = -1;
    DWORD textColor_ = 0;
    DWORD disabledTextColor_ = 0;
    UINT textStyle_ = DT_VCENTER | DT_SINGLELINE;
    int renderingHint_ = 4;
    CPressTracker state_;
    ImageDescriptor normalImage_;
    ImageDescriptor hotImage_;
    ImageDescriptor pushedImage_;
    ImageDescriptor focusedImage_;
    ImageDescriptor disabledImage_;
    std::wstring dropBoxAttributes_;
    SIZE dropBoxSize_{0, 150};
    std::wstring dropScrollBar_[4];
    ListInfoUI listInfo_;
};
