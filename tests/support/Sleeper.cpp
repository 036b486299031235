#include "tests/support/Sleeper.h"

HANDLE StartSleeperProcess(const std::wstring& image,
                           std::wstring commandLine,
                           const std::wstring& folder,
                           const wchar_t* environment) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE null = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, 0, nullptr);
    if (null == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = null;
    si.hStdOutput = null;
    si.hStdError = null;
    PROCESS_INFORMATION pi{};
    ::SetEnvironmentVariableW(environment, L"1");
    const BOOL started = ::CreateProcessW(image.c_str(), &commandLine[0], nullptr, nullptr, TRUE, DETACHED_PROCESS,
                                          nullptr, folder.c_str(), &si, &pi);
    ::SetEnvironmentVariableW(environment, nullptr);
    ::CloseHandle(null);
    if (!started) {
        return nullptr;
    }
    ::CloseHandle(pi.hThread);
    return pi.hProcess;
}
