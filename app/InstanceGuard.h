#pragma once
// Single-instance marker: a named semaphore that exists while an installer runs. Nobody
// waits on it; only its name matters.

#include <windows.h>

#include "util/UniqueHandle.h"

class InstanceGuard {
  public:
    explicit InstanceGuard(const char* name);
    ~InstanceGuard() { Close(); }
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    [[nodiscard]] bool IsAlreadyRunning() const { return lastError_ == ERROR_ALREADY_EXISTS; }
    void Close() { handle_.reset(); }
    [[nodiscard]] HANDLE handle() const { return handle_.get(); }

  private:
    DWORD lastError_ = 0;
    UniqueKernelHandle handle_;
};
