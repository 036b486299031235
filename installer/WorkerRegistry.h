#pragma once
// The install workers the window started, so that leaving the installer can stop them.
// A worker is asked to stop (it checks its cancel flag between steps, and the download and
// the extraction check it while they run) and waited for, for a bounded time. No thread is
// ever killed: one that has not left by then is reported, and the caller ends the whole
// process instead, since a killed thread may leave any lock it held taken for good.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "util/UniqueHandle.h"

// How long leaving the installer waits for the workers, in all. The installer must be gone
// within two seconds of the user's "确定"; the rest of that is the window's own end.
inline constexpr uint32_t kWorkerStopWaitMs = 1500;

class CWorkerRegistry {
  public:
    CWorkerRegistry() = default;
    ~CWorkerRegistry() = default;
    CWorkerRegistry(const CWorkerRegistry&) = delete;
    CWorkerRegistry& operator=(const CWorkerRegistry&) = delete;

    // Keeps the thread's handle under its id. A null or invalid handle is not registered
    // (so never waited for nor terminated); false then.
    bool RegisterWorker(uint32_t threadId, UniqueKernelHandle handle);

    struct StopResult {
        int stopped = 0;       // left on their own within the wait
        int stillRunning = 0;  // did not leave in time; left running
    };
    // Calls `requestCancel` (which sets the workers' cancel flag) once, waits up to
    // `waitMs` in all, counted from that call, for the registered workers to end, closes every handle and forgets
    // them all. Threads still running are counted, never terminated.
    StopResult StopWorkers(const std::function<void()>& requestCancel, uint32_t waitMs = kWorkerStopWaitMs);

    [[nodiscard]] size_t Count() const;

  private:
    mutable std::mutex lock_;
    std::map<uint32_t, UniqueKernelHandle> workers_;
};
