#pragma once
// A borderless top-most window built from layout markup, recording every notification,
// with helpers that drive it through real window messages the way a user would.

#include "toolkit/INotifyUI.h"
#include "toolkit/UIManager.h"
#include "toolkit/WindowWnd.h"

#include <functional>
#include <string>
#include <vector>

struct Recorded {
    std::wstring type;
    std::wstring sender;
    WPARAM wParam;
    LPARAM lParam;
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

class CControlsTestWindow : public CWindowWnd, public INotifyUI {
  public:
    explicit CControlsTestWindow(std::wstring markup) : markup_(std::move(markup)) {}
    ~CControlsTestWindow() override;

    // Creates the window at (x, y), shows it and lets it lay out and paint once.
    bool Open(int x, int y);
    void Notify(NotifyMessage& msg) override;

    static void Pump(DWORD ms = 0);
    static bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);

    template <typename T>
    T* Find(const wchar_t* name) {
        return static_cast<T*>(manager.FindControl(name));
    }
    [[nodiscard]] POINT Center(const wchar_t* name);
    // Mouse and keys as the window receives them, client coordinates.
    void MouseMove(POINT point);
    void MouseDown(POINT point);
    void MouseUp(POINT point);
    void Click(const wchar_t* name);
    void Key(UINT key);

    [[nodiscard]] std::vector<Recorded> Take(const wchar_t* onlyType = nullptr);
    [[nodiscard]] size_t Count(const std::wstring& type, const std::wstring& sender = L"") const;
    void Forget() { notifications.clear(); }

    // What the screen shows over the window's client area (or `screenRect`), after a
    // repaint, saved as a BMP when a path is given.
    [[nodiscard]] Shot Capture(const std::string& bmpPath = "");
    [[nodiscard]] static Shot CaptureScreen(const RECT& screenRect, const std::string& bmpPath = "");
    [[nodiscard]] RECT ClientOnScreen() const;

    CUIManager manager;
    std::vector<Recorded> notifications;

  protected:
    const wchar_t* GetWindowClassName() const override { return L"VarloControlsTestWindow"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    std::wstring markup_;
};

// The folder of the generated test images, as a resource path for the toolkit.
std::wstring ControlsSkinFolder();
// Process set-up for these tests: module instance, control classes, skin folder.
void PrepareToolkitForTests();
