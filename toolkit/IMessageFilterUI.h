#pragma once

#include <windows.h>

// Sees a window's messages before the manager handles them.
class IMessageFilterUI {
  public:
    virtual ~IMessageFilterUI() = default;
    virtual LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};
