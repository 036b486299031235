#pragma once
// Single-instance marker: a named semaphore that exists while an installer runs. Nobody
// waits on it; only its name matters.
//
// The names live in a private namespace whose boundary holds the Administrators group: only
// a process running with that group enabled can make the namespace, so no standard user
// can create the names first and keep every installer from running (or pass for one).

#include <windows.h>

#include <string>

#include "util/UniqueHandle.h"

// The installer's private namespace, opened or made once and kept for the whole process.
class GuardNamespace {
  public:
    // The namespace in use; made on first use.
    static GuardNamespace& Get();
    // How a guard's `name` is reached: "<namespace>\<name>". Where the system offers no
    // private namespaces (Wine), "Global\<name>", as there is then no other way to share it.
    [[nodiscard]] std::string Qualify(const char* name) const;
    // False when the namespace exists but could neither be made nor opened as ours: nothing
    // may then be guarded and the installer must not run.
    [[nodiscard]] bool usable() const { return usable_; }
    [[nodiscard]] bool isPrivate() const { return private_; }

  private:
    GuardNamespace();
    HANDLE boundary_ = nullptr;
    HANDLE namespace_ = nullptr;
    bool usable_ = false;
    bool private_ = false;
};

class InstanceGuard {
  public:
    // `name` is a bare name inside the installer's namespace; null: no guard wanted.
    explicit InstanceGuard(const char* name);
    ~InstanceGuard() { Close(); }
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // Another installer holds the name, or the name cannot be had at all (then it is
    // counted as held: two installers must never run side by side).
    [[nodiscard]] bool IsAlreadyRunning() const { return lastError_ == ERROR_ALREADY_EXISTS || (wanted_ && !handle_); }
    void Close() { handle_.reset(); }
    [[nodiscard]] HANDLE handle() const { return handle_.get(); }

  private:
    DWORD lastError_ = 0;
    bool wanted_ = false;
    UniqueKernelHandle handle_;
};
