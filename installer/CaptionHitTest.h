#pragma once
// Where a borderless skinned window can be dragged: inside its manager's caption rectangle,
// on anything but the controls that act on a click.

#include <windows.h>

#include <initializer_list>

class CUIManager;

// The hit-test code for a screen point (as WM_NCHITTEST brings it): HTCAPTION on a control
// of another class than `clickableClasses` (compared exactly) inside the caption rectangle,
// HTCLIENT everywhere else.
LRESULT CaptionHitTest(HWND window,
                       CUIManager& manager,
                       LPARAM screenPoint,
                       std::initializer_list<const wchar_t*> clickableClasses);
