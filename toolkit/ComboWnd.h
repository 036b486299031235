#pragma once
// The drop-down list of a combo box: a popup window under (or above) the box whose body
// shows the combo's items while it is open.

#include "toolkit/INotifyUI.h"
#include "toolkit/UIManager.h"
#include "toolkit/WindowWnd.h"

class CComboBodyUI;
class CComboUI;

class CComboWnd : public CWindowWnd, public INotifyUI {
  public:
    // Creates and shows the list for `owner`; false when no window could be made.
    bool Init(CComboUI* owner);
    // Asks the list to close once the current message is done (only the first request
    // counts).
    void RequestClose();
    // The combo is being deleted: give its items back and go at once.
    void Abandon();
    // Scrolls the body so that item `index` is in view.
    void EnsureVisible(int index);
    void Notify(NotifyMessage& msg) override;

    [[nodiscard]] CUIManager& GetManager() { return manager_; }
    [[nodiscard]] CComboBodyUI* GetBody() const { return body_; }

  protected:
    const wchar_t* GetWindowClassName() const override { return L"ComboWnd"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND window) override;

  private:
    void OnCreate();
    // Items go back to the combo's manager; `restore` also lays the combo out again and
    // gives it the focus.
    void HandItemsBack(bool restore);
    [[nodiscard]] bool IsOverScrollBar(LPARAM lParam) const;

    CComboUI* owner_ = nullptr;
    CUIManager manager_;
    CComboBodyUI* body_ = nullptr;
    int openedWith_ = -1;
    bool scrollBarPressed_ = false;
    bool closeRequested_ = false;
    bool itemsHandedBack_ = false;
};
