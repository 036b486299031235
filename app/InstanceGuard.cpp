#include "app/InstanceGuard.h"

InstanceGuard::InstanceGuard(const char* name) {
    if (name == nullptr) {
        return;  // no guard wanted
    }
    // Default security and a handle children do not inherit: a null DACL would let any
    // process, at any integrity level, seize or signal the object.
    handle_.reset(::CreateSemaphoreA(nullptr, 1, 1, name));
    lastError_ = ::GetLastError();
}
