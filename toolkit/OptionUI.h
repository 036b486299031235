#pragma once
// A button with a selected state: alone it toggles on every click, in a named group
// selecting it deselects the other options of the group.

#include "toolkit/ButtonUI.h"

class COptionUI : public CButtonUI {
  public:
    COptionUI();
    ~COptionUI() override;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetManager(CUIManager* manager, CControlUI* parent, bool init = true) override;
    // "click", then the new selection with notification.
    bool Activate() override;
    void SetEnabled(bool enabled = true) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStatusImage(HDC dc) override;
    void PaintText(HDC dc) override;

    // Selecting an option of a group deselects its peers, each with the same `notify`;
    // deselecting one in a group sends nothing. "selectchanged" otherwise, when asked.
    virtual bool Selected(bool selected, bool notify = true);
    [[nodiscard]] bool IsSelected() const { return selected_; }
    [[nodiscard]] const std::wstring& GetGroup() const { return group_; }
    void SetGroup(const std::wstring& group);

    void SetSelectedImage(const std::wstring& descriptor);
    void SetSelectedHotImage(const std::wstring& descriptor);
    // The image drawn over the option's state image.
    void SetForeImage(const std::wstring& descriptor);
    void SetSelectedBkColor(DWORD color);
    void SetSelectedTextColor(DWORD color);

  private:
    bool selected_ = false;
    std::wstring group_;
    DWORD selectedBkColor_ = 0;
    DWORD selectedTextColor_ = 0;
    ImageDescriptor selectedImage_;
    ImageDescriptor selectedHotImage_;
    ImageDescriptor optionForeImage_;
};
