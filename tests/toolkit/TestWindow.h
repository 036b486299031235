#pragma once
// A borderless window built from a layout, recording every notification; the way the
// installer's windows use the toolkit.

#include "toolkit/INotifyUI.h"
#include "toolkit/UIManager.h"
#include "toolkit/WindowWnd.h"

#include <functional>
#include <string>
#include <vector>

class CTestWindow : public CWindowWnd, public INotifyUI {
  public:
    // `layout` is markup text or a skin file name.
    explicit CTestWindow(std::wstring layout) : layout_(std::move(layout)) {}
    ~CTestWindow() override;

    // Creates the window at (x, y) with the layout's size and shows it without activating.
    bool Open(int x, int y, DWORD exStyle = WS_EX_TOPMOST);
    void Notify(NotifyMessage& msg) override;

    // Runs the message loop until `done` holds or `timeoutMs` passes.
    static bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
    // Processes what is queued, for about `ms` milliseconds.
    static void Pump(DWORD ms);

    [[nodiscard]] size_t CountNotifications(const std::wstring& type) const;
    template <typename T>
    T* Find(const wchar_t* name) {
        return static_cast<T*>(manager.FindControl(name));
    }

    CUIManager manager;
    std::vector<NotifyMessage> notifications;
    bool rootBuilt = false;
    // Positions of the controls at the moment "windowinit" arrived.
    std::vector<RECT> positionsAtInit;

  protected:
    const wchar_t* GetWindowClassName() const override { return L"VarloToolkitTestWindow"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    std::wstring layout_;
};
