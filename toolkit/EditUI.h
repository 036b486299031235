#pragma once
// A one-line text box. It paints its text like a label; while it has the focus a native
// edit window sits over it and does the typing.

#include "toolkit/LabelUI.h"
#include "toolkit/PressTracker.h"

class CEditWnd;

class CEditUI : public CLabelUI {
  public:
    CEditUI();
    ~CEditUI() override;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    // The native edit window while editing, else null.
    HWND GetNativeWindow() const override;
    void SetEnabled(bool enabled = true) override;
    // Also replaces the native window's text; that is no "textchanged".
    void SetText(const std::wstring& text) override;
    void SetPos(RECT rect, bool needInvalidate = true) override;
    void Move(SIZE offset, bool needInvalidate = true) override;
    void DoEvent(UIEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStatusImage(HDC dc) override;
    void DoPostPaint(HDC dc, const RECT& paint) override;

    [[nodiscard]] UINT GetMaxChar() const { return maxChar_; }
    void SetMaxChar(UINT limit);
    [[nodiscard]] bool IsReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);
    [[nodiscard]] bool IsPasswordMode() const { return password_; }
    void SetPasswordMode(bool on);
    [[nodiscard]] wchar_t GetPasswordChar() const { return passwordChar_; }
    void SetPasswordChar(wchar_t c);
    [[nodiscard]] bool IsNumberOnly() const { return numberOnly_; }
    void SetNumberOnly(bool on);
    [[nodiscard]] bool IsAutoSelAll() const { return autoSelAll_; }
    void SetAutoSelAll(bool on) { autoSelAll_ = on; }
    [[nodiscard]] DWORD GetNativeEditBkColor() const { return nativeBkColor_; }
    void SetNativeEditBkColor(DWORD color);
    void SetNormalImage(const std::wstring& descriptor);
    void SetHotImage(const std::wstring& descriptor);
    void SetFocusedImage(const std::wstring& descriptor);
    void SetDisabledImage(const std::wstring& descriptor);
    [[nodiscard]] UINT GetEditState() const { return state_.GetState(); }

    // Where the native window goes: the control less its text padding, clipped by every
    // ancestor. Empty when nothing of it can be seen.
    [[nodiscard]] RECT GetNativeEditRect() const;
    // The text colour to hand to the native window.
    [[nodiscard]] DWORD GetEditTextColor();

    // From the native window.
    void OnNativeTextChanged(const std::wstring& text);
    void OnNativeReturn();
    void OnNativeWindowClosed(HWND window);

  protected:
    [[nodiscard]] std::wstring GetDisplayText() const override;

  private:
    void OpenNativeWindow();

    CEditWnd* window_ = nullptr;
    UINT maxChar_ = 255;
    bool readOnly_ = false;
    bool password_ = false;
    bool autoSelAll_ = false;
    wchar_t passwordChar_ = L'*';
    bool numberOnly_ = false;
    DWORD nativeBkColor_ = 0xFFFFFFFF;
    CPressTracker state_;
    ImageDescriptor normalImage_;
    ImageDescriptor hotImage_;
    ImageDescriptor focusedImage_;
    ImageDescriptor disabledImage_;
};
