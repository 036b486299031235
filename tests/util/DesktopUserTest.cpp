// Under Wine every process runs as one user, so the shell's user is always ours: what can be
// shown here is that path (the shell found, its token read and compared, nothing taken on).
// Taking on another user's token needs a second account, which Wine does not have.
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

    // The test session runs no desktop shell; this process's window stands in for one.
    HWND standIn = nullptr;
    if (::GetShellWindow() == nullptr) {
        standIn = ::CreateWindowExW(0, L"STATIC", L"shell", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(standIn, nullptr);
        // Not in the SDK headers mingw ships; user32 exports it.
        using SetShell = BOOL(WINAPI*)(HWND);
        const auto setShell = reinterpret_cast<SetShell>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetShellWindow")));
        ASSERT_NE(setShell, nullptr);
        ASSERT_TRUE(setShell(standIn));
    }
    {
        const DesktopUserImpersonation desktop;
        EXPECT_EQ(desktop.State(), DesktopUserState::OwnUser) << "error " << desktop.Error();
        EXPECT_FALSE(ThreadHasToken());
    }
    EXPECT_FALSE(ThreadHasToken());
    if (standIn != nullptr) {
        ::DestroyWindow(standIn);
        EXPECT_EQ(DesktopUserImpersonation().State(), DesktopUserState::NoShell);
    }
}

}  // namespace
