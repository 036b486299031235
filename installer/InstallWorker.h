#pragma once
// The install itself, on its own thread: package query, download and verification,
// extraction into the chosen directory, the client's settings files, shortcuts, taskbar
// pin, uninstall entry and logon task. It reaches the window only through IInstallHost.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "installer/InstallHost.h"
#include "util/UniqueHandle.h"

// Everything the worker is handed when it starts, as values: later edits in the window
// (the directory field, the folder dialog) cannot change or tear what it installs to.
struct InstallJob {
    std::wstring targetDir;
    // The log directory, ending in a separator; the package is kept in its "cache" folder.
    std::wstring logDir;
    // Set (through CancelInstall) to stop the worker. Checked between the steps, and by
    // the download and the extraction while they run. Null: never cancelled.
    std::shared_ptr<std::atomic<bool>> cancel;
    // The window's language, for the boxes that have a text in both.
    bool simplified = true;
    // The interface language's code ("zh-cn", "zh-tw"), sent with the requests to the
    // vendor's API; empty keeps what the requests carry already.
    std::string languageCode;
};

// How an install ended. Every failure has posted its one error to the host; the kinds are
// told apart for a caller that must name the cause without a window.
enum class InstallOutcome {
    Installed,
    NoServer,         // no endpoint answered, and the package query failed
    QueryFailed,      // an endpoint answered, but no usable package information came back
    DownloadFailed,   // no complete package (network, or the package file could not be written)
    DigestMismatch,   // the downloaded bytes do not match the stated digest
    ExtractFailed,    // the package could not be unpacked into the folder (it is as it was)
    DiskFull,         // no room for the package or for what it unpacks to
    StalledDownload,  // no byte for five seconds: the transfer was stopped
    Cancelled,        // stopped on request; nothing posted
};

// Runs the whole sequence on the calling thread.
InstallOutcome RunInstall(IInstallHost& host, const InstallJob& job);

// Asks an install to stop: sets its flag and cancels the transfer in progress, if any.
void CancelInstall(std::atomic<bool>& cancel);

struct StartedWorker {
    uint32_t threadId = 0;
    UniqueKernelHandle handle;
};

// Starts RunInstall on a new thread. One install per process: refused (nullopt) once a
// worker has been started, whether it still runs or has finished. `host` must outlive
// the thread (the window lives until the process ends).
[[nodiscard]] std::optional<StartedWorker> StartInstallWorker(IInstallHost& host, InstallJob job);
