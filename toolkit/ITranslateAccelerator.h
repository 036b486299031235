#pragma once

#include <windows.h>

// Offered every queued message of its window first; 0 means the message is consumed.
class ITranslateAccelerator {
  public:
    virtual ~ITranslateAccelerator() = default;
    virtual LRESULT TranslateAccelerator(MSG* msg) = 0;
};
