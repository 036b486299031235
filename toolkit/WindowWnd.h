#pragma once
// Binds a native window to an object: registers its class, creates, shows, runs a modal
// loop and closes it; every message goes to HandleMessage.

#include <windows.h>

class CWindowWnd {
  public:
    CWindowWnd() = default;
    virtual ~CWindowWnd() = default;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    [[nodiscard]] HWND GetHWND() const { return window_; }
    operator HWND() const { return window_; }

    HWND Create(HWND parent,
                const wchar_t* name,
                DWORD style,
                DWORD exStyle,
                int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT,
                int width = CW_USEDEFAULT,
                int height = CW_USEDEFAULT,
                HMENU menu = nullptr);
    HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rect, HMENU menu = nullptr);
    // Takes over an existing window; the previous procedure gets what is not handled.
    HWND Subclass(HWND window);
    void Unsubclass();

    void ShowWindow(bool show = true, bool takeFocus = true);
    // Shows the window, disables its owner and runs messages until the window is gone.
    UINT ShowModal();
    UINT ShowModal(bool show, bool takeFocus);
    void Close(UINT result = IDOK);
    void CenterWindow();
    void SetIcon(UINT resourceId);
    // Sizes the window so that its client area is cx by cy; -1 keeps that side.
    void ResizeClient(int cx = -1, int cy = -1);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  protected:
    virtual const wchar_t* GetWindowClassName() const = 0;
    virtual const wchar_t* GetSuperClassName() const;
    virtual UINT GetClassStyle() const;
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnFinalMessage(HWND window);

    bool RegisterWindowClass();
    bool RegisterSuperclass();

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SuperclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    WNDPROC previousProc_ = ::DefWindowProcW;
    bool subclassed_ = false;
};
