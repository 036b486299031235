#pragma once

#include "toolkit/UIDefs.h"

// Receives the notifications of a window's controls.
class INotifyUI {
  public:
    virtual ~INotifyUI() = default;
    virtual void Notify(NotifyMessage& msg) = 0;
};
