#include "installer/CaptionHitTest.h"

#include <cwchar>

#include "toolkit/ControlUI.h"
#include "toolkit/UIManager.h"

LRESULT CaptionHitTest(HWND window,
                       CUIManager& manager,
                       LPARAM screenPoint,
                       std::initializer_list<const wchar_t*> clickableClasses) {
    POINT point{static_cast<short>(LOWORD(screenPoint)), static_cast<short>(HIWORD(screenPoint))};
    ::ScreenToClient(window, &point);
    RECT client{};
    ::GetClientRect(window, &client);
    const RECT caption = manager.GetCaptionRect();
    if (point.x < client.left + caption.left || point.x >= client.right - caption.right || point.y < caption.top ||
        point.y >= caption.bottom) {
        return HTCLIENT;
    }
    CControlUI* control = manager.FindControl(point);
    if (control == nullptr) {
        return HTCLIENT;
    }
    const wchar_t* cls = control->GetClass();
    for (const wchar_t* clickable : clickableClasses) {
        if (std::wcscmp(cls, clickable) == 0) {
            return HTCLIENT;
        }
    }
    return HTCAPTION;
}
