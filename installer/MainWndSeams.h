#pragma once
// What the main window takes from the process and the system that a test must be able to
// replace: its boxes, the end of the process, the locale, where the installer
// runs from, and the start of the install worker. The defaults are the real ones.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "installer/MessageBoxExWnd.h"

class IInstallHost;

struct MainWndSeams {
    std::function<UINT(HWND owner, const MessageBoxRequest& request)> showBox;
    std::function<void(UINT exitCode)> endProcess;
    // Ends the process at once, running no clean-up that could wait on a lock a worker
    // still holds.
    std::function<void(UINT exitCode)> endProcessNow;
    std::function<uint32_t()> userLocale;
    std::function<std::wstring()> installerDirectory;
    // The folder above an install target that others than the administrators could
    // replace; nothing when there is none.
    std::function<std::optional<std::wstring>(const std::wstring& target)> replaceableAncestor;
    // Starts the install worker for `targetDir`; false when it could not be started.
    std::function<bool(IInstallHost& host, const std::wstring& targetDir)> startWorker;

    // The real ones, for everything left empty.
    void FillDefaults();
};
