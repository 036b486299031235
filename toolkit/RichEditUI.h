#pragma once
// A windowless rich edit on the text services of "msftedit.dll". Mouse and keyboard
// messages of its window reach the text services through a message filter while the
// control has the focus. Without the text services it shows nothing and takes no input.

#include "toolkit/ContainerUI.h"
#include "toolkit/IMessageFilterUI.h"

#include <richedit.h>

class CTxtWinHost;

class CRichEditUI : public CContainerUI, public IMessageFilterUI {
  public:
    CRichEditUI();
    ~CRichEditUI() override;

    const wchar_t* GetClass() const override;
    // Also answers "WantTab" while it takes Tab keys, which the window then leaves to it.
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void DoInit() override;
    void SetText(const std::wstring& text) override;
    std::wstring GetText() const override;
    void SetEnabled(bool enabled = true) override;
    void SetPos(RECT rect, bool needInvalidate = true) override;
    void SetScrollPos(SIZE pos) override;
    void DoEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStatusImage(HDC dc) override;
    void PaintText(HDC dc) override;

    // IMessageFilterUI
    LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    [[nodiscard]] bool HasTextServices() const { return host_ != nullptr; }
    // Sends a message to the text services; 0 without them.
    LRESULT TxSendMessage(UINT message, WPARAM wParam, LPARAM lParam) const;

    [[nodiscard]] bool IsWantTab() const { return wantTab_; }
    void SetWantTab(bool on) { wantTab_ = on; }
    void SetWantReturn(bool on) { wantReturn_ = on; }
    void SetWantCtrlReturn(bool on) { wantCtrlReturn_ = on; }
    void SetReadOnly(bool on);
    void SetPasswordMode(bool on);
    void SetMultiLine(bool on);
    void SetRich(bool on);
    void SetTransparent(bool on);
    void SetLimitText(LONG chars);
    void SetFont(int id);
    [[nodiscard]] int GetFont() const { return font_; }
    void SetTextColor(DWORD color);
    [[nodiscard]] DWORD GetTextColor() const { return textColor_; }
    void SetTextPadding(RECT padding);
    // The rectangle the text services draw into.
    [[nodiscard]] RECT GetTextRect() const;

    // From the host.
    void OnTextChanged();
    void OnLinkClicked(LONG position);
    void UpdateScrollBars();

  private:
    void ApplyFont();

    CTxtWinHost* host_ = nullptr;
    bool filterAdded_ = false;
    bool wantTab_ = true;
    bool wantReturn_ = true;
    bool wantCtrlReturn_ = true;
    bool transparent_ = true;
    bool rich_ = true;
    bool readOnly_ = false;
    bool password_ = false;
    bool multiLine_ = true;
    bool wordWrap_ = false;
    DWORD scrollBars_ = 0;
    WORD align_ = PFA_LEFT;
    LONG limitText_ = 32767;
    int font_ = -1;
    DWORD textColor_ = 0;
    RECT textPadding_{};
    ImageDescriptor focusedImage_;
    ImageDescriptor disabledImage_;
};
