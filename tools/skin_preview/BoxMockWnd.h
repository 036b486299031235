#pragma once
// The message box as the installer builds it in code, over the skin's popup images: a
// per-pixel-alpha window with a close button, one text and one or two buttons.

#include "toolkit/INotifyUI.h"
#include "toolkit/UIManager.h"
#include "toolkit/WindowWnd.h"

#include <string>

class CBoxMockWnd : public CWindowWnd, public INotifyUI {
  public:
    CBoxMockWnd(std::wstring text, int buttons, std::wstring okText, std::wstring cancelText)
        : text_(std::move(text)), buttons_(buttons), okText_(std::move(okText)), cancelText_(std::move(cancelText)) {}

    void Notify(NotifyMessage& msg) override;

  protected:
    const wchar_t* GetWindowClassName() const override { return L"VarloSkinPreviewBox"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    CControlUI* BuildControls();

    CUIManager manager_;
    std::wstring text_;
    int buttons_;
    std::wstring okText_;
    std::wstring cancelText_;
};
