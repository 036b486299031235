#pragma once
// A borderless window built from a layout, recording every notification, the way the
// installer's windows use the toolkit; with helpers that drive it through real window
// messages as a user would, and read back what the screen shows of it.

#include "toolkit/INotifyUI.h"
#include "toolkit/UIManager.h"
#include "toolkit/WindowWnd.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A notification as it arrived, with the sender's name as it was then: the control may be
// gone, or renamed, by the time a test looks.
struct Recorded : NotifyMessage {
    std::wstring senderName;
};

// Pixels as 0x00RRGGBB, top-down.
struct Shot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    [[nodiscard]] uint32_t At(int x, int y) const {
        return (x < 0 || y < 0 || x >= width || y >= height) ? 0xFFFFFFFFu : pixels[static_cast<size_t>(y) * width + x];
    }
    [[nodiscard]] uint32_t At(POINT p) const { return At(p.x, p.y); }
};

class CTestWindow : public CWindowWnd, public INotifyUI {
  public:
    // `layout` is markup text or a skin file name; empty for a window without a layout of
    // its own, as windows built in code are.
    explicit CTestWindow(std::wstring layout) : layout_(std::move(layout)) {}
    ~CTestWindow() override;

    // Creates the window at (x, y) with the layout's size, shows it without activating and
    // lets it lay out and paint once; false when the window or its layout was not built.
    bool Open(int x, int y, DWORD exStyle = WS_EX_TOPMOST);
    void Notify(NotifyMessage& msg) override;

    // Runs the message loop until `done` holds or `timeoutMs` passes.
    static bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
    // Processes what is queued, then what comes for about `ms` milliseconds.
    static void Pump(DWORD ms = 0);

    template <typename T>
    T* Find(const wchar_t* name) {
        return static_cast<T*>(manager.FindControl(name));
    }
    // The middle of the named control, client coordinates; (-1, -1) when there is none.
    [[nodiscard]] POINT Center(const wchar_t* name);
    // Mouse and keys as the window receives them, client coordinates.
    void MouseMove(POINT point);
    void MouseDown(POINT point);
    void MouseUp(POINT point);
    void Click(const wchar_t* name);
    void Key(UINT key);

    [[nodiscard]] size_t CountNotifications(const std::wstring& type) const;
    // Of `type`, from the named sender only when `sender` is given.
    [[nodiscard]] size_t Count(const std::wstring& type, const std::wstring& sender = L"") const;
    // The notifications so far (of `onlyType` only, when given); forgets all of them.
    [[nodiscard]] std::vector<Recorded> Take(const wchar_t* onlyType = nullptr);
    void Forget() { notifications.clear(); }

    // What the screen shows over the window's client area (or `screenRect`), after a
    // repaint, saved as a BMP when a path is given.
    [[nodiscard]] Shot Capture(const std::string& bmpPath = "");
    [[nodiscard]] static Shot CaptureScreen(const RECT& screenRect, const std::string& bmpPath = "");
    [[nodiscard]] RECT ClientOnScreen() const;

    CUIManager manager;
    std::vector<Recorded> notifications;
    bool rootBuilt = false;
    // Positions of the controls named root, grid, quad, caption and btn at the moment
    // "windowinit" arrived ({-1, -1, -1, -1} for a name the layout lacks).
    std::vector<RECT> positionsAtInit;

  protected:
    const wchar_t* GetWindowClassName() const override { return L"VarloToolkitTestWindow"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    std::wstring layout_;
};
