#pragma once
// Gets the client package onto the disk for the install worker: chooses the API endpoint,
// asks for the current package and downloads it with a verified digest. The transfer
// stops itself once no byte has come for five seconds.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "core/DownloadProgress.h"
#include "core/Endpoints.h"
#include "core/ResumeRecord.h"
#include "core/RetrySchedule.h"
#include "util/UniqueHandle.h"

class NetManager;
struct TransferResult;

// An observer of the transfers (tests, the benchmark). Start is called on the worker right
// before a transfer (the progress record is already reset), Stop right after it; the
// observer may call CheckStall from another thread meanwhile.
class IDownloadWatch {
  public:
    virtual ~IDownloadWatch() = default;
    virtual void StartDownloadWatch() = 0;
    virtual void StopDownloadWatch() = 0;
};

// Why the last DownloadPackage failed, so the install can name the cause.
enum class DownloadFailure {
    None,
    PathTooLong,  // the package path did not fit
    Network,      // no complete answer
    Digest,       // the bytes do not match the digest
    WriteFailed,  // the package file could not be written (see LastWriteError)
    DiskFull,     // the work folder's drive has no room for the stated size, or filled up
    Cancelled,
    Stalled,
};

class ControlManager {
  public:
    using TickSource = uint32_t (*)();
    // Waits before a retry; tests record the pauses instead of sleeping them.
    using PauseFunction = void (*)(uint32_t milliseconds);

    // `net` makes the API's requests; it must outlive this object.
    explicit ControlManager(NetManager& net);
    ControlManager(const ControlManager&) = delete;
    ControlManager& operator=(const ControlManager&) = delete;

    // Probes the endpoints in order of preference and returns the choice (with `answered`
    // false when no endpoint answered: a last try). Empty only when the requests were
    // aborted (the installer is closing) before a choice was made.
    [[nodiscard]] std::optional<ApiHosts> SelectServer();
    [[nodiscard]] bool GetPackageInfo(const ApiHosts& hosts,
                                      std::string& fileUrl,
                                      std::string& fileMd5,
                                      std::string& versionCode);
    // True when `destPath` holds the package with digest `fileMd5`. An empty `destPath`
    // (a package path that did not fit) fails like a download that left no file.
    [[nodiscard]] bool DownloadPackage(const std::wstring& destPath,
                                       const std::string& fileUrl,
                                       const std::string& fileMd5);
    // The same, with the package held for its extraction. On success `held` is a handle to
    // the package that can read it (positioned reads, see OpenZipFileHandle) and lets nobody
    // else write, rename or delete it; it has been open since the file was created, or since
    // a cached copy was checked, and the digest was taken over exactly the bytes it reads.
    // Extract through it (ExtractZipHandleToDirectory), then let it go. A package folder
    // ("cache" or the one above it) that is a link or junction, or a cached file that is
    // one, is never used. `cancel`, when given, is read at every progress call (and before
    // the transfer starts) like CancelDownload, so a cancel that comes before the transfer
    // has begun is not lost. On failure `held` is empty.
    [[nodiscard]] bool DownloadPackage(const std::wstring& destPath,
                                       const std::string& fileUrl,
                                       const std::string& fileMd5,
                                       UniqueKernelHandle& held,
                                       const std::atomic<bool>* cancel = nullptr);

    // libcurl's progress, relayed; false cancels the transfer.
    [[nodiscard]] bool OnDownloadProgress(int64_t total, int64_t received, double speed);
    // Clears the progress record, a fired stall and a cancel; DownloadPackage calls it
    // before each transfer.
    void ResetProgress();
    // Any thread (the window's exit): a running DownloadPackage stops at libcurl's next
    // progress call and returns false. The stall watch never fires for it.
    void CancelDownload();
    // The watch tick (UI thread): true once no byte has arrived for five seconds.
    [[nodiscard]] bool CheckStall();
    // True when the last transfer was stopped on purpose, by the stall watch or by
    // CancelDownload: no failure to report. IsCancelled tells the two apart.
    [[nodiscard]] bool IsAborted();
    [[nodiscard]] bool IsCancelled();
    [[nodiscard]] int GetPercent();
    // The cause of the last failed DownloadPackage (None after a success), and the
    // system's code when a write to the package file failed.
    [[nodiscard]] DownloadFailure LastFailure() const { return lastFailure_; }
    [[nodiscard]] uint32_t LastWriteError() const { return lastWriteError_; }

    // <logDir>cache\<file name of fileUrl>; empty when the path would not fit.
    [[nodiscard]] static std::wstring MakePackagePath(const std::wstring& logDir, const std::string& fileUrl);

    // Seams: an observer of the transfers, the endpoints (tests point them at the
    // simulator) and the stall clock.
    void SetDownloadWatch(IDownloadWatch* watch);
    void SetEndpoints(const ServerEndpoints& endpoints);
    [[nodiscard]] ServerEndpoints GetEndpoints();
    void SetTickSource(TickSource ticks);
    // Null restores the real wait, which a cancel ends at once.
    void SetPauseFunction(PauseFunction pause);

    static constexpr int kPackageRequestId = 100;
    static constexpr long kProbeSiteSeconds = 5;

  private:
    static bool ProgressThunk(void* owner, int64_t total, int64_t received, double speed);
    // The transfer, tried again by resuming while its failures are a blip (RetrySchedule);
    // `record` follows the bytes held. `last` is the final attempt's result.
    bool TransferWithRetries(const std::string& fileUrl,
                             HANDLE file,
                             const std::wstring& recordPath,
                             ResumeRecord& record,
                             TransferResult& last);
    TransferCause CauseOf(const TransferResult& result);
    // False when a cancel ended the pause.
    bool PauseBeforeRetry(uint32_t milliseconds);
    // The partial package of `fileUrl` with digest `fileMd5` left by an earlier attempt,
    // opened for continuing, with its record; empty (and the record gone) otherwise.
    UniqueKernelHandle OpenPartial(const std::wstring& destPath,
                                   const std::wstring& recordPath,
                                   const std::string& fileUrl,
                                   const std::string& fileMd5,
                                   ResumeRecord& record);
    static bool KeepPartial(const std::wstring& recordPath, ResumeRecord& record);

    NetManager& net_;
    DownloadProgress progress_;
    std::mutex seamLock_;
    IDownloadWatch* watch_ = nullptr;
    ServerEndpoints endpoints_;
    TickSource ticks_ = nullptr;
    PauseFunction pause_ = nullptr;
    std::atomic<const std::atomic<bool>*> cancelSource_{nullptr};  // the running transfer's
    // The running transfer's folder and its one room check, once the size is stated; both
    // touched only on the thread that runs the transfer.
    std::wstring transferFolder_;
    bool roomChecked_ = false;
    bool outOfRoom_ = false;
    DownloadFailure lastFailure_ = DownloadFailure::None;
    uint32_t lastWriteError_ = 0;
};
