#pragma once
// The installer's one skinned, modal message box: a close button, one text and one or two
// buttons, built in code from the skin's images. Its result tells which button closed it.

#include <string>

#include "toolkit/INotifyUI.h"
#include "toolkit/UIManager.h"
#include "toolkit/WindowWnd.h"

// What a box shows; the installer's boxes are 444 x 266 and owned by the main window.
struct MessageBoxRequest {
    std::wstring title;
    std::wstring text;
    int buttons = 2;  // 1: only the first button; 2: both; anything else: none
    std::wstring okText;
    std::wstring cancelText;
    int width = 444;
    int height = 266;
};

inline constexpr UINT kMessageBoxOk = 1;
inline constexpr UINT kMessageBoxCancel = 0;

class CMessageBoxExWnd : public CWindowWnd, public INotifyUI {
  public:
    explicit CMessageBoxExWnd(MessageBoxRequest request);

    void Notify(NotifyMessage& msg) override;
    [[nodiscard]] CUIManager& Manager() { return manager_; }

  protected:
    const wchar_t* GetWindowClassName() const override;
    UINT GetClassStyle() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    LRESULT OnCreate();
    LRESULT OnNcHitTest(LPARAM lParam);
    CControlUI* BuildControls();

    CUIManager manager_;
    MessageBoxRequest request_;
};

// Shows the box modally over `owner` (shown without activation) and returns 1 for the
// first button, 0 for the second, the close button, Alt+F4 or a quit message.
UINT ShowMessageBoxEx(HWND owner, const MessageBoxRequest& request);
