// Under Wine every process runs as one user, so the shell's user is always ours: what can be
// shown here is that nothing is taken on, whether a shell runs or not. Taking on another
// user's token needs a second account, which Wine does not have.
#include "util/DesktopUser.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

bool ThreadHasToken() {
    HANDLE token = nullptr;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
        return false;
    }
    ::CloseHandle(token);
    return true;
}

TEST(DesktopUser, AShellOfOurOwnUserIsNotImpersonated) {
    UniqueKernelHandle own;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, own.put()));
    EXPECT_TRUE(SameTokenUser(own.get(), own.get()));
    EXPECT_FALSE(SameTokenUser(own.get(), nullptr)) << "a token that cannot be read is no match";

    // Which path runs depends on the session: with a desktop shell (the end-to-end runs
    // have one), its user is ours and nothing is taken on; without one, nothing is either.
    // No window of this process is made the shell: Wine then holds the process's exit for
    // a minute or more.
    const bool shell = ::GetShellWindow() != nullptr;
    {
        const DesktopUserImpersonation desktop;
        EXPECT_EQ(desktop.State(), shell ? DesktopUserState::OwnUser : DesktopUserState::NoShell)
            << "error " << desktop.Error();
        EXPECT_FALSE(ThreadHasToken());
    }
    EXPECT_FALSE(ThreadHasToken());
}

}  // namespace
