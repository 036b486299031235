#include "installer/WorkerRegistry.h"

#include <utility>

bool CWorkerRegistry::RegisterWorker(uint32_t threadId, UniqueKernelHandle handle) {
    if (!handle.valid()) {
        return false;
    }
    std::lock_guard<std::mutex> hold(lock_);
    workers_[threadId] = std::move(handle);
    return true;
}

CWorkerRegistry::StopResult CWorkerRegistry::StopWorkers(const std::function<void()>& requestCancel, uint32_t waitMs) {
    // Taken out under the lock and waited for outside it: a worker that is ending must
    // never wait for this lock while we wait for the worker.
    std::map<uint32_t, UniqueKernelHandle> workers;
    {
        std::lock_guard<std::mutex> hold(lock_);
        workers.swap(workers_);
    }
    // The bound counts from the request: whatever the caller does in it (hiding the
    // window) is time the workers already spend winding down.
    const DWORD start = ::GetTickCount();
    if (requestCancel) {
        requestCancel();
    }
    StopResult result;
    for (auto& [id, handle] : workers) {
        static_cast<void>(id);
        const DWORD elapsed = ::GetTickCount() - start;
        const DWORD left = elapsed < waitMs ? waitMs - elapsed : 0;
        if (::WaitForSingleObject(handle.get(), left) == WAIT_OBJECT_0) {
            ++result.stopped;
            continue;
        }
        ++result.stillRunning;
    }
    return result;
}

size_t CWorkerRegistry::Count() const {
    std::lock_guard<std::mutex> hold(lock_);
    return workers_.size();
}
