#pragma once
// The install sequence: server choice, package query, download and verification,
// extraction into the chosen directory, the client's settings files, shortcuts, taskbar
// pin, uninstall entry and logon task. It reaches its host only through IInstallHost;
// InstallEngine runs it on a thread of its own.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/InstallHost.h"

class InstallServices;

// The three options the user chose. The window keeps them current while the install runs,
// and each is read at its own step, so a change made meanwhile counts for the steps still
// to come; an unattended install fixes them at the start.
struct InstallChoices {
    std::atomic<bool> desktopShortcut{false};
    std::atomic<bool> taskbarPin{false};
    std::atomic<bool> autostart{false};
};

// Everything the worker is handed when it starts, as values: later edits in the window
// (the directory field, the folder dialog) cannot change or tear what it installs to.
struct InstallJob {
    std::wstring targetDir;
    // The log directory, ending in a separator; the package is kept in its "cache" folder.
    std::wstring logDir;
    // The interface language's code ("zh-cn", "zh-tw"), sent with the requests to the
    // vendor's API; empty keeps what the requests carry already.
    std::string languageCode;
    // Shared with the host that keeps them current; none selects nothing.
    std::shared_ptr<const InstallChoices> choices;
    // How long each stage stays on show before the next begins (a window's bar needs it to
    // be seen; a cancel cuts it short).
    uint32_t stagePauseMs = 0;
    // The user's answer to the question about a folder others can replace, the target's
    // parents or the target itself (the window's "确定", /S's /ALLOWSHAREDPARENT).
    bool acceptReplaceable = false;
    // How the worker looks again, once it has made the missing levels and before the first
    // file goes in (FindReplaceableLocation); null leaves that look to the caller.
    std::function<std::optional<std::wstring>(const std::wstring&)> replaceableLocation;
    // Called on the engine's thread as each step begins, with the name the log gives it;
    // may be empty. A test lands its cancel inside a chosen step this way.
    std::function<void(const wchar_t* step)> stepObserver;
};

// Runs the whole sequence on the calling thread and reports its stages to `host`; the end
// is the caller's to report. `cancel`, when set, stops it at its next check; the download,
// the extraction and the stage pauses look at it while they run.
InstallResult RunInstall(InstallServices& services,
                         IInstallHost& host,
                         const InstallJob& job,
                         const std::atomic<bool>* cancel);
