#include "engine/InstallEngine.h"

#include <windows.h>

#include <process.h>

#include <utility>

#include "core/HttpClient.h"
#include "engine/InstallServices.h"
#include "util/WriteLogFile.h"

InstallEngine::InstallEngine(InstallServices& services, IInstallHost& host, Sequence sequence)
    : services_(services), host_(host), sequence_(sequence) {}

InstallEngine::~InstallEngine() {
    // A sequence that has ended is left as it ended: a cancel now would abort the requests
    // of whatever comes after it.
    if (thread_ && ::WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT) {
        Cancel();
        ::WaitForSingleObject(thread_.get(), INFINITE);
    }
}

bool InstallEngine::Start(InstallJob job) {
    if (thread_) {
        return false;
    }
    job_ = std::move(job);
    unsigned threadId = 0;
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &InstallEngine::ThreadMain, this, 0, &threadId);
    if (thread == 0) {
        return false;
    }
    thread_.reset(reinterpret_cast<HANDLE>(thread));
    return true;
}

unsigned __stdcall InstallEngine::ThreadMain(void* self) {
    auto* engine = static_cast<InstallEngine*>(self);
    try {
        engine->result_ = engine->sequence_(engine->services_, engine->host_, engine->job_, &engine->cancel_);
    } catch (...) {
        // Nothing may leave the thread, and the host must still hear the end: a window
        // left waiting would sit on its progress page for good. The sequence's own undo
        // ran as the exception passed through it.
        engine->result_ = InstallResult{};
        engine->result_.outcome = InstallOutcome::Interrupted;
        try {
            g_logFile.WriteLog(L".\\InstallEngine", __LINE__, L"安装线程异常结束");
        } catch (...) {
            // Out of memory even for the log line: the outcome still says it.
        }
    }
    try {
        engine->host_.OnEnd(engine->result_);
    } catch (...) {
        // A host that cannot take the end (out of memory) still finds it in Wait().
    }
    return 0;
}

void InstallEngine::Cancel() {
    cancel_.store(true);
    services_.Control().CancelDownload();
    // The server choice and the package query wait on servers too.
    HttpClient::AbortAllRequests();
}

bool InstallEngine::Stop(uint32_t waitMs) {
    const ULONGLONG asked = ::GetTickCount64();
    Cancel();
    if (!thread_) {
        return true;
    }
    const ULONGLONG spent = ::GetTickCount64() - asked;
    const DWORD left = spent >= waitMs ? 0 : static_cast<DWORD>(waitMs - spent);
    return ::WaitForSingleObject(thread_.get(), left) == WAIT_OBJECT_0;
}

InstallResult InstallEngine::Wait() {
    if (!thread_) {
        return InstallResult{};
    }
    ::WaitForSingleObject(thread_.get(), INFINITE);
    return result_;
}
