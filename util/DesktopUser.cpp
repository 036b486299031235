#include "util/DesktopUser.h"

#include <vector>

namespace {

// The token's user SID, in a buffer of its own; empty when it cannot be read.
std::vector<BYTE> TokenUserBytes(HANDLE token) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0) {
        return {};
    }
    std::vector<BYTE> bytes(size);
    if (!::GetTokenInformation(token, TokenUser, bytes.data(), size, &size)) {
        return {};
    }
    return bytes;
}

}  // namespace

bool SameTokenUser(HANDLE first, HANDLE second) {
    std::vector<BYTE> a = TokenUserBytes(first);
    std::vector<BYTE> b = TokenUserBytes(second);
    if (a.empty() || b.empty()) {
        return false;
    }
    PSID sidA = reinterpret_cast<TOKEN_USER*>(a.data())->User.Sid;
    PSID sidB = reinterpret_cast<TOKEN_USER*>(b.data())->User.Sid;
    return ::IsValidSid(sidA) && ::IsValidSid(sidB) && ::EqualSid(sidA, sidB);
}

DesktopUserImpersonation::DesktopUserImpersonation() {
    const HWND shell = ::GetShellWindow();
    DWORD shellPid = 0;
    if (shell == nullptr || ::GetWindowThreadProcessId(shell, &shellPid) == 0 || shellPid == 0) {
        state_ = DesktopUserState::NoShell;
        return;
    }
    const auto fail = [this] {
        error_ = ::GetLastError();
        state_ = DesktopUserState::Failed;
    };
    UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellPid));
    if (!process) {
        fail();
        return;
    }
    UniqueKernelHandle shellToken;
    if (!::OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_DUPLICATE, shellToken.put())) {
        fail();
        return;
    }
    UniqueKernelHandle ownToken;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, ownToken.put())) {
        fail();
        return;
    }
    if (SameTokenUser(shellToken.get(), ownToken.get())) {
        state_ = DesktopUserState::OwnUser;
        return;
    }
    UniqueKernelHandle impersonation;
    if (!::DuplicateTokenEx(shellToken.get(), TOKEN_IMPERSONATE | TOKEN_QUERY, nullptr, SecurityImpersonation,
                            TokenImpersonation, impersonation.put())) {
        fail();
        return;
    }
    if (!::SetThreadToken(nullptr, impersonation.get())) {
        fail();
        return;
    }
    state_ = DesktopUserState::Impersonated;
}

DesktopUserImpersonation::~DesktopUserImpersonation() {
    if (state_ == DesktopUserState::Impersonated) {
        static_cast<void>(::SetThreadToken(nullptr, nullptr));
    }
}
