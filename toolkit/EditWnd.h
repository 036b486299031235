#pragma once
// The native edit window of a CEditUI: a superclass of the system's "Edit" that lives
// only while its control has the focus and closes itself when it loses the native focus.

#include "toolkit/WindowWnd.h"
#include "util/UniqueHandle.h"

#include <string>

class CEditUI;

class CEditWnd : public CWindowWnd {
  public:
    // The caret blink timer on the native window, used in layered windows where the
    // toolkit draws the caret.
    static constexpr UINT_PTR kCaretTimerId = 20;

    // Creates, fills and focuses the window over `owner`; false when it cannot be made.
    bool Init(CEditUI* owner);
    // Follows the control after it moved; hidden when nothing of it can be seen.
    void Reposition();
    // Replaces the text without it counting as a change made by the user.
    void SetTextQuietly(const std::wstring& text);
    // The control is going away: close without reporting back to it.
    void DetachOwner();
    [[nodiscard]] bool IsCaretOn() const { return caretOn_; }

  protected:
    const wchar_t* GetWindowClassName() const override { return L"EditWnd"; }
    const wchar_t* GetSuperClassName() const override { return L"Edit"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND window) override;

  private:
    LRESULT OnControlColor(HDC dc);
    void CaptureBackground(const RECT& rect);
    void RepaintLayered();

    CEditUI* owner_ = nullptr;
    bool quiet_ = false;
    bool layered_ = false;
    bool caretOn_ = true;
    UniqueBitmap background_;
    UniqueBrush brush_;
};
