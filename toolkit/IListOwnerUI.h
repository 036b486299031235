#pragma once
// What list items need of the control that owns them (the combo box): the look shared
// by all items, the current selection, and a way to hand it events.

#include "toolkit/ImageDescriptor.h"
#include "toolkit/UIDefs.h"

class CUIManager;

// Item settings the owner keeps for all of its items.
struct ListInfoUI {
    int font = -1;
    UINT textStyle = DT_VCENTER | DT_SINGLELINE;
    RECT textPadding{};
    int itemHeight = 0;
    DWORD textColor = 0xFF000000;
    DWORD bkColor = 0;
    ImageDescriptor bkImage;
    bool alternateBk = false;
    DWORD selectedTextColor = 0xFF000000;
    DWORD selectedBkColor = 0xFFC1E3FF;
    ImageDescriptor selectedImage;
    DWORD hotTextColor = 0xFF000000;
    DWORD hotBkColor = 0xFFE9F5FF;
    ImageDescriptor hotImage;
    DWORD disabledTextColor = 0xFFCCCCCC;
    DWORD disabledBkColor = 0xFFFFFFFF;
    ImageDescriptor disabledImage;
    int vLineSize = 0;
    int hLineSize = 0;
    DWORD lineColor = 0xFF3C3C3C;
    bool showHtml = false;
};

class IListOwnerUI {
  public:
    virtual ~IListOwnerUI() = default;
    virtual ListInfoUI* GetListInfo() = 0;
    // The manager whose fonts and images the items draw with (the owner's, also while the
    // items sit in a drop-down window).
    virtual CUIManager* GetResourceManager() = 0;
    [[nodiscard]] virtual int GetCurSel() const = 0;
    virtual bool SelectItem(int index, bool takeFocus = false, bool notify = true) = 0;
    virtual void DoEvent(UIEvent& event) = 0;
};
