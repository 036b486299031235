#pragma once
// A list row showing one line of text in the owner's item look: colours and images for
// normal, alternate, hot, selected and disabled rows.

#include "toolkit/ListElementUI.h"

class CListLabelElementUI : public CListElementUI {
  public:
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    SIZE EstimateSize(SIZE available) override;
    bool DoPaint(HDC dc, const RECT& paint, CControlUI* stop) override;

  private:
    void DrawItemBk(HDC dc, ListInfoUI& info, CUIManager* resources);
    void DrawItemText(HDC dc, const ListInfoUI& info, CUIManager* resources);
};
