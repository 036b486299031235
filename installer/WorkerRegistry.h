#pragma once
// The install workers the window started, so that leaving the installer can stop them.
// A worker is first asked to stop (it checks its cancel flag between steps, and the
// download and the extraction check it while they run); only one that has not left after
// a bounded wait is terminated.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "util/UniqueHandle.h"

// How long leaving the installer waits for the workers, in all, before terminating.
inline constexpr uint32_t kWorkerStopWaitMs = 2000;

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
        int stopped = 0;     // left on their own within the wait
        int terminated = 0;  // did not leave in time and were terminated
    };
    // Calls `requestCancel` (which sets the workers' cancel flag) once, waits up to
    // `waitMs` in all for the registered workers to end, terminates those still running
    // with exit code 0, closes every handle and forgets them all.
    StopResult StopWorkers(const std::function<void()>& requestCancel, uint32_t waitMs = kWorkerStopWaitMs);

    [[nodiscard]] size_t Count() const;

  private:
    mutable std::mutex lock_;
    std::map<uint32_t, UniqueKernelHandle> workers_;
};
