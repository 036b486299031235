#pragma once
// Acting as the desktop's user for a while. An installer started with another account's
// administrator password runs as that account, yet the person at the desktop is the one
// whose settings (the proxy, for one) the install must follow. The desktop's user is the
// one running its shell.

#include <windows.h>

#include "util/UniqueHandle.h"

enum class DesktopUserState {
    OwnUser,       // the shell runs as this process's user: nothing to do
    Impersonated,  // this thread acts as the shell's user until the object goes
    NoShell,       // no shell window on this desktop
    Failed,        // the shell's token could not be had or taken on (see Error)
};

// While alive, this thread acts as the shell's user when that user is not the process's
// own; the thread's own token comes back when it goes.
class DesktopUserImpersonation {
  public:
    DesktopUserImpersonation();
    ~DesktopUserImpersonation();
    DesktopUserImpersonation(const DesktopUserImpersonation&) = delete;
    DesktopUserImpersonation& operator=(const DesktopUserImpersonation&) = delete;

    [[nodiscard]] DesktopUserState State() const { return state_; }
    // The system's code when the state is Failed.
    [[nodiscard]] DWORD Error() const { return error_; }

  private:
    DesktopUserState state_ = DesktopUserState::Failed;
    DWORD error_ = 0;
};

// True when the tokens' users are one and the same account; false also when either
// cannot be read.
[[nodiscard]] bool SameTokenUser(HANDLE first, HANDLE second);
