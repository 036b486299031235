#pragma once
// A window's one tooltip: a tracking tooltip control made on first use, showing the text
// of the control the mouse rests on until the mouse moves on or leaves.

#include <windows.h>
#include <commctrl.h>

#include <string>

class CToolTipHost {
  public:
    CToolTipHost() = default;
    ~CToolTipHost();
    CToolTipHost(const CToolTipHost&) = delete;
    CToolTipHost& operator=(const CToolTipHost&) = delete;

    // Shows `text` for `area` of `owner` at the client point `point`, wrapped at `maxWidth`.
    void Show(HWND owner, HINSTANCE instance, const std::wstring& text, const RECT& area, int maxWidth, POINT point);
    void Hide();
    // The owner is closing; a later Show makes a new tooltip.
    void Destroy();
    // How long the mouse has to rest before the tooltip shows.
    [[nodiscard]] DWORD HoverTime() const;

  private:
    HWND window_ = nullptr;
    TOOLINFOW info_{};
    std::wstring text_;  // the tool record points at it until the next update
    int maxWidth_ = -1;
};
