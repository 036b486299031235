#pragma once
// The install sequence: server choice, package query, download and verification,
// extraction into the chosen directory, the client's settings files, shortcuts, taskbar
// pin, uninstall entry and logon task. It reaches its host only through IInstallHost;
// InstallEngine runs it on a thread of its own.

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "installer/InstallHost.h"

class InstallServices;

// Everything the worker is handed when it starts, as values: later edits in the window
// (the directory field, the folder dialog) cannot change or tear what it installs to.
struct InstallJob {
    std::wstring targetDir;
    // The log directory, ending in a separator; the package is kept in its "cache" folder.
    std::wstring logDir;
    // The window's language, for the boxes that have a text in both.
    bool simplified = true;
    // The interface language's code ("zh-cn", "zh-tw"), sent with the requests to the
    // vendor's API; empty keeps what the requests carry already.
    std::string languageCode;
    // The user's answer to the question about a folder others can replace, the target's
    // parents or the target itself (the window's "确定", /S's /ALLOWSHAREDPARENT).
    bool acceptReplaceable = false;
    // How the worker looks again, once it has made the missing levels and before the first
    // file goes in (FindReplaceableLocation); null leaves that look to the caller.
    std::function<std::optional<std::wstring>(const std::wstring&)> replaceableLocation;
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
    Interrupted,      // the sequence ended by an exception (out of memory); its error posted by the engine
};

// Runs the whole sequence on the calling thread. `cancel`, when set, stops it at its next
// check; the download and the extraction look at it while they run.
InstallOutcome RunInstall(InstallServices& services,
                          IInstallHost& host,
                          const InstallJob& job,
                          const std::atomic<bool>* cancel);
