#pragma once
// What an install reports to its host (the window, or the unattended install): the stage it
// entered and how it ended. Reports only go one way: a host answers nothing, and neither
// call may block, since both come on the engine's thread.

#include <string>

// How an install ended. Each host turns the kind into what it shows or returns (a box's
// text, an exit code) through a table of its own; the engine logs the cause.
enum class InstallOutcome {
    Installed,
    NoServer,         // no endpoint answered, and the package query failed
    QueryFailed,      // an endpoint answered, but no usable package information came back
    DownloadFailed,   // no complete package (network, or the package file could not be written)
    DigestMismatch,   // the downloaded bytes do not match the stated digest
    ExtractFailed,    // the package could not be unpacked into the folder (it is as it was)
    DiskFull,         // no room for the package or for what it unpacks to
    StalledDownload,  // no byte for five seconds: the transfer was stopped
    Cancelled,        // stopped on request
    Interrupted,      // the sequence ended by an exception (out of memory)
};

// The stages a host can show, in their order. Their values are the progress bar's stage
// numbers: the download has no stage of its own, it runs inside the package query's.
enum class InstallStage {
    ChoosingServer = 1,
    QueryingPackage = 2,
    Extracting = 4,
    Integrating = 5,
    Finished = 6,
};

struct InstallResult {
    InstallOutcome outcome = InstallOutcome::Cancelled;
    // The folder the client was extracted to; empty when the install did not get there.
    std::wstring installedDir;
    // The desktop shortcut this run made; empty when it made none.
    std::wstring desktopShortcut;
};

class IInstallHost {
  public:
    virtual ~IInstallHost() = default;
    virtual void OnStage(InstallStage stage) = 0;
    // The last report of an install, after everything it undoes is undone.
    virtual void OnEnd(const InstallResult& result) = 0;
};
