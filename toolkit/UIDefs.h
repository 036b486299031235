#pragma once
// Types shared by the window, the manager and every control: events, notifications,
// search flags, state bits.

#include "toolkit/ControlState.h"

#include <windows.h>

#include <string>

class CControlUI;

enum class UIEventType {
    KeyDown = 3,
    KeyUp = 4,
    Char = 5,
    SysKey = 6,
    MouseMove = 9,
    MouseLeave = 10,
    MouseEnter = 11,
    MouseHover = 12,
    ButtonDown = 13,
    ButtonUp = 14,
    RButtonDown = 15,
    DblClick = 16,
    ContextMenu = 17,
    ScrollWheel = 18,
    KillFocus = 20,
    SetFocus = 21,
    WindowSize = 22,
    SetCursor = 23,
    Timer = 24,
};

// Mouse events are exactly MouseMove to ScrollWheel.
inline bool IsMouseEvent(UIEventType type) {
    return static_cast<int>(type) >= static_cast<int>(UIEventType::MouseMove) &&
           static_cast<int>(type) <= static_cast<int>(UIEventType::ScrollWheel);
}

// Key state bits of UIEvent::keyState.
namespace UIKeyState {
constexpr WORD LButton = 0x01;
constexpr WORD RButton = 0x02;
constexpr WORD Shift = 0x04;
constexpr WORD Control = 0x08;
constexpr WORD Alt = 0x20;
}  // namespace UIKeyState

struct UIEvent {
    UIEventType type = UIEventType::MouseMove;
    CControlUI* sender = nullptr;
    DWORD timestamp = 0;
    POINT mouse{};
    wchar_t key = 0;
    WORD keyState = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

struct NotifyMessage {
    std::wstring type;
    std::wstring virtualWnd;
    CControlUI* sender = nullptr;
    DWORD timestamp = 0;
    POINT mouse{};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Flags of tree searches (CControlUI::FindControl).
namespace UIFind {
constexpr UINT All = 0x0;
constexpr UINT Visible = 0x1;
constexpr UINT Enabled = 0x2;
constexpr UINT HitTest = 0x4;
constexpr UINT UpdateTest = 0x8;
constexpr UINT TopFirst = 0x10;
constexpr UINT MeFirst = 0x80000000;
}  // namespace UIFind

// What GetControlFlags reports.
namespace UIFlag {
constexpr UINT TabStop = 0x1;
constexpr UINT SetCursor = 0x2;
}  // namespace UIFlag

using FindControlProc = CControlUI* (*)(CControlUI* control, void* data);

// Colours are 0xAARRGGBB; GDI wants 0x00BBGGRR.
inline COLORREF ToColorRef(DWORD argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}
