#pragma once
// The install engine: runs the install sequence on a thread of its own and reports to its
// host (the window, or the unattended install). It owns that thread and the cancel flag;
// a stop asks and waits, bounded, and never kills the thread, since a killed thread may
// leave any lock it held taken for good.

#include <atomic>
#include <cstdint>

#include "engine/InstallHost.h"
#include "engine/InstallWorker.h"
#include "util/UniqueHandle.h"

class InstallServices;

// How long leaving the installer waits for the engine. The installer must be gone within
// two seconds of the user's "确定"; the rest of that is the window's own end.
inline constexpr uint32_t kWorkerStopWaitMs = 1500;

class InstallEngine {
  public:
    // What the thread runs: RunInstall, unless a test hands another (one that throws).
    using Sequence = InstallResult (*)(InstallServices&, IInstallHost&, const InstallJob&, const std::atomic<bool>*);

    // Both must outlive the engine.
    InstallEngine(InstallServices& services, IInstallHost& host, Sequence sequence = &RunInstall);
    // Stops a sequence still running and waits for its thread to leave.
    ~InstallEngine();
    InstallEngine(const InstallEngine&) = delete;
    InstallEngine& operator=(const InstallEngine&) = delete;

    // Starts the sequence for `job` on the engine's thread. One install per engine: false
    // once one was started, or when no thread could be made (a later call may then try
    // again).
    [[nodiscard]] bool Start(InstallJob job);
    // Any thread: the sequence stops at its next check, and the transfers in progress are
    // aborted. A cancel before Start makes the install end at once, as cancelled.
    void Cancel();
    [[nodiscard]] bool CancelRequested() const { return cancel_.load(); }
    // Cancels, then waits up to `waitMs`, counted from the request, for the thread to
    // leave. True when it has (or none was started); false when it still runs, left alone.
    [[nodiscard]] bool Stop(uint32_t waitMs = kWorkerStopWaitMs);
    // Waits for the started sequence to end and gives its result (Cancelled when none was
    // started).
    InstallResult Wait();

  private:
    static unsigned __stdcall ThreadMain(void* self);

    InstallServices& services_;
    IInstallHost& host_;
    std::atomic<bool> cancel_{false};
    InstallJob job_;
    const Sequence sequence_;
    InstallResult result_;  // written by the thread before it ends
    UniqueKernelHandle thread_;
};
