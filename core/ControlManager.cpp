#include "core/ControlManager.h"

#include <windows.h>

#include <map>
#include <optional>

#include "core/HttpClient.h"
#include "core/NetManager.h"
#include "core/PackageFile.h"
#include "core/PackageInfo.h"
#include "core/PackagePath.h"
#include "core/PackageTransfer.h"
#include "util/DiskSpace.h"
#include "util/FileUtil.h"
#include "util/Md5A.h"
#include "util/TextConv.h"
#include "util/WriteLogFile.h"

namespace {

constexpr wchar_t kLogSource[] = L"..\\core\\ControlManager";
constexpr char kPackageInfoPath[] = "/wpapi/version/getClientZipUrl";
// Beside the partial package: what it holds (see ResumeRecord.h).
constexpr wchar_t kResumeRecordSuffix[] = L".resume";

uint32_t SystemTicks() {
    return ::GetTickCount();
}

}  // namespace

ControlManager::ControlManager(NetManager& net) : net_(net), endpoints_(CompiledEndpoints()), ticks_(&SystemTicks) {
    progress_.Reset();
}

void ControlManager::SetDownloadWatch(IDownloadWatch* watch) {
    std::lock_guard<std::mutex> hold(seamLock_);
    watch_ = watch;
}

void ControlManager::SetEndpoints(const ServerEndpoints& endpoints) {
    std::lock_guard<std::mutex> hold(seamLock_);
    endpoints_ = endpoints;
}

ServerEndpoints ControlManager::GetEndpoints() {
    std::lock_guard<std::mutex> hold(seamLock_);
    return endpoints_;
}

void ControlManager::SetPauseFunction(PauseFunction pause) {
    std::lock_guard<std::mutex> hold(seamLock_);
    pause_ = pause;
}

void ControlManager::SetTickSource(TickSource ticks) {
    std::lock_guard<std::mutex> hold(seamLock_);
    ticks_ = ticks != nullptr ? ticks : &SystemTicks;
}

std::optional<ApiHosts> ControlManager::SelectServer() {
    const ServerEndpoints e = GetEndpoints();
    ApiHosts hosts;
    hosts.primary = e.primary;
    hosts.fallback = e.fallbackA;
    if (net_.ProbeServer(e.primary)) {
        hosts.index = 1;
    } else if (HttpClient::RequestsAborted()) {
        // Closing: no further probe, and no endpoint for a request to use.
        return std::nullopt;
    } else if (net_.ProbeServer(e.secondary)) {
        hosts.primary = e.secondary;
        hosts.index = 2;
    } else if (HttpClient::RequestsAborted()) {
        return std::nullopt;
    } else {
        HttpClient site;
        const bool online = site.ProbeUrl(e.probeSite, kProbeSiteSeconds);
        const std::string candidate = online ? e.fallbackB : e.fallbackA;
        hosts.index = online ? 4 : 3;
        if (net_.ProbeServer(candidate)) {
            hosts.primary = candidate;
            hosts.fallback = candidate;
        } else {
            hosts.answered = false;
            g_logFile.WriteLog(kLogSource, __LINE__, L"无可访问的服务器");
        }
    }
    g_logFile.WriteLog(kLogSource, __LINE__, L"接口服务器：%s（%d）", AnsiToWideForReading(hosts.primary).c_str(),
                       hosts.index);
    return hosts;
}

bool ControlManager::GetPackageInfo(const ApiHosts& hosts,
                                    std::string& fileUrl,
                                    std::string& fileMd5,
                                    std::string& versionCode) {
    std::map<std::string, std::string> params;
    params["ts"] = net_.MakeTimestamp();
    std::string payload;
    std::wstring message;
    int code = -1;
    if (!net_.SignedRequest(hosts, kPackageInfoPath, params, payload, message, code, kPackageRequestId)) {
        g_logFile.WriteLogText(kLogSource, __LINE__, L"信息请求失败");
        return false;
    }
    PackageInfo info;
    if (ParsePackageInfo(payload, info) != PackageInfoStatus::Ok) {
        // Covers a payload that is no JSON, a member of the wrong type, and a digest that
        // is not 32 hex digits (a download could never be verified against it).
        g_logFile.WriteLogText(kLogSource, __LINE__, L"数据信息解析错误");
        return false;
    }
    fileUrl = info.fileUrl;
    fileMd5 = info.fileMd5;
    versionCode = info.versionCode;
    return true;
}

bool ControlManager::DownloadPackage(const std::wstring& destPath,
                                     const std::string& fileUrl,
                                     const std::string& fileMd5) {
    UniqueKernelHandle held;
    return DownloadPackage(destPath, fileUrl, fileMd5, held);
}

bool ControlManager::DownloadPackage(const std::wstring& destPath,
                                     const std::string& fileUrl,
                                     const std::string& fileMd5,
                                     UniqueKernelHandle& held,
                                     const std::atomic<bool>* cancel) {
    held.reset();
    lastFailure_ = DownloadFailure::None;
    lastWriteError_ = 0;
    if (destPath.empty()) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装包路径过长，工作目录无法容纳");
        lastFailure_ = DownloadFailure::PathTooLong;
        return false;
    }
    const std::wstring recordPath = destPath + kResumeRecordSuffix;
    ResumeRecord record;
    UniqueKernelHandle file = OpenPartial(destPath, recordPath, fileUrl, fileMd5, record);
    if (!file) {
        // A cached package is checked through the handle that then stays held.
        UniqueKernelHandle cached = PackageFile::OpenExisting(destPath);
        if (cached && Md5Equal(PackageFile::Digest(cached.get(), cancel), fileMd5)) {
            held = std::move(cached);
            return true;
        }
    }
    IDownloadWatch* watch = nullptr;
    {
        std::lock_guard<std::mutex> hold(seamLock_);
        watch = watch_;
    }
    ResetProgress();
    transferFolder_ = GetParentPart(destPath);
    roomChecked_ = false;
    outOfRoom_ = false;
    cancelSource_ = cancel;
    if (cancel != nullptr && cancel->load()) {
        progress_.Cancel();
    }
    if (watch != nullptr) {
        watch->StartDownloadWatch();
    }
    if (progress_.IsCancelled()) {
        // Cancelled before the start: a cached package that was being checked stays as it is.
        file.reset();
    } else if (!file) {
        file = PackageFile::CreateNew(destPath);
    }
    const uint32_t createError = file ? 0 : ::GetLastError();
    record.url = fileUrl;
    record.md5 = fileMd5;
    TransferResult last;
    bool complete = false;
    if (file) {
        // While an attempt runs the record is rewritten now and then (a killed process leaves
        // what the next run continues from); once the transfer ends it says what is kept.
        ::DeleteFileW(recordPath.c_str());
        complete = TransferWithRetries(fileUrl, file.get(), recordPath, record, last);
        ::DeleteFileW(recordPath.c_str());
    }
    progress_.Finish();
    if (watch != nullptr) {
        watch->StopDownloadWatch();
    }
    cancelSource_ = nullptr;

    const bool created = static_cast<bool>(file);
    const uint32_t writeError = last.writeError;
    if (file && (!complete || IsAborted())) {
        // The part already here is kept for the next attempt when what stopped it was the
        // line (a cut, a stall, a busy server) and it can be asked for again by range.
        const bool resumable = !progress_.IsCancelled() && !outOfRoom_ && writeError == 0 &&
                               IsTransient(CauseOf(last)) && record.heldBytes > 0 && !record.validator.empty();
        if (resumable && KeepPartial(recordPath, record)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"保留未完成的下载：%lld 字节，下次继续",
                               static_cast<long long>(record.heldBytes));
        } else {
            PackageFile::DeleteOnClose(file.get());
        }
        file.reset();
    }
    if (outOfRoom_) {
        lastFailure_ = DownloadFailure::DiskFull;
        return false;
    }
    if (progress_.IsCancelled()) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"文件下载已取消");
        lastFailure_ = DownloadFailure::Cancelled;
        return false;
    }
    if (IsAborted()) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"文件下载被终止，下载进度长时间无变化");
        lastFailure_ = DownloadFailure::Stalled;
        return false;
    }
    // The package file could not be made, or not written: the disk's fault, not the network's.
    if (const uint32_t fileError = created ? writeError : createError; !created || writeError != 0) {
        g_logFile.WriteLog(kLogSource, __LINE__,
                           created ? L"安装包文件写入失败，错误码：%lu" : L"安装包文件无法创建，错误码：%lu",
                           static_cast<unsigned long>(fileError));
        lastWriteError_ = fileError;
        lastFailure_ = IsDiskFullError(fileError) ? DownloadFailure::DiskFull : DownloadFailure::WriteFailed;
        return false;
    }
    if (!complete) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"文件下载失败");
        lastFailure_ = DownloadFailure::Network;
        return false;
    }
    // The digest was taken of the bytes as they were written, and nobody else could write.
    if (!Md5Equal(last.md5Hex, fileMd5)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"文件下载错误，md5不一致");
        lastFailure_ = DownloadFailure::Digest;
        return false;
    }
    held = std::move(file);
    return true;
}

TransferCause ControlManager::CauseOf(const TransferResult& result) {
    if (result.abortedByProgress && !progress_.IsCancelled() && !outOfRoom_ && progress_.IsAborted()) {
        return TransferCause::Stalled;
    }
    return result.cause;
}

bool ControlManager::TransferWithRetries(const std::string& fileUrl,
                                         HANDLE file,
                                         const std::wstring& recordPath,
                                         ResumeRecord& record,
                                         TransferResult& last) {
    RetrySchedule schedule(::GetTickCount() ^ (::GetCurrentProcessId() << 16));
    bool restartedFromZero = false;
    int attempt = 1;
    for (;;) {
        TransferRequest request;
        request.url = fileUrl;
        request.file = file;
        request.held = record.heldBytes;
        request.validator = record.validator;
        request.knownTotal = progress_.TotalBytes();
        request.owner = this;
        request.progress = &ControlManager::ProgressThunk;
        request.checkpoint = [&recordPath, &record](int64_t fileBytes, const std::string& validator) {
            ResumeRecord now = record;
            now.heldBytes = fileBytes;
            now.validator = validator;
            ::DeleteFileW(recordPath.c_str());
            static_cast<void>(KeepPartial(recordPath, now));
        };
        if (request.held > 0) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"从第 %lld 字节继续下载", static_cast<long long>(request.held));
        }
        last = RunPackageTransfer(request);
        if (last.startedOver) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"服务器发来整个文件（文件已变或不支持续传），从头下载");
        }
        record.heldBytes = last.fileBytes;
        if (!last.validator.empty() || last.startedOver) {
            record.validator = last.validator;
        }
        if (last.complete) {
            return true;
        }
        if (progress_.IsCancelled() || outOfRoom_ || last.writeError != 0) {
            return false;
        }
        const TransferCause cause = CauseOf(last);
        g_logFile.WriteLog(kLogSource, __LINE__, L"第 %d 次下载未完成：%s（HTTP %d，%s），已有 %lld 字节", attempt,
                           DescribeCause(cause), last.status, AnsiToWideForReading(last.error).c_str(),
                           static_cast<long long>(record.heldBytes));
        ++attempt;
        if (last.refused && !restartedFromZero) {
            // A partial answer that does not fit what is held: the whole file, at once.
            g_logFile.WriteLog(kLogSource, __LINE__, L"续传的应答与已有部分不符，从头下载");
            restartedFromZero = true;
            record.heldBytes = 0;
            record.validator.clear();
            progress_.Rearm();
            continue;
        }
        const std::optional<uint32_t> pause = schedule.Next(cause, last.retryAfterSeconds);
        if (!pause) {
            if (IsTransient(cause)) {
                g_logFile.WriteLog(kLogSource, __LINE__, L"重试已用尽（%d 次，共等待 %u 毫秒）",
                                   schedule.RetriesTaken(), schedule.PausedMs());
            }
            return false;
        }
        g_logFile.WriteLog(kLogSource, __LINE__, L"%u 毫秒后重试（第 %d 次重试）", *pause, schedule.RetriesTaken());
        if (!PauseBeforeRetry(*pause)) {
            return false;
        }
        progress_.Rearm();
        roomChecked_ = false;
    }
}

bool ControlManager::PauseBeforeRetry(uint32_t milliseconds) {
    PauseFunction pause = nullptr;
    {
        std::lock_guard<std::mutex> hold(seamLock_);
        pause = pause_;
    }
    const auto stopped = [this] {
        const std::atomic<bool>* cancel = cancelSource_;
        if (cancel != nullptr && cancel->load()) {
            progress_.Cancel();
        }
        if (HttpClient::RequestsAborted()) {
            progress_.Cancel();
        }
        return progress_.IsCancelled();
    };
    if (pause != nullptr) {
        pause(milliseconds);
        return !stopped();
    }
    // In short slices, so that a cancel ends the pause at once.
    constexpr uint32_t kSlice = 50;
    for (uint32_t waited = 0; waited < milliseconds; waited += kSlice) {
        if (stopped()) {
            return false;
        }
        ::Sleep(milliseconds - waited < kSlice ? milliseconds - waited : kSlice);
    }
    return !stopped();
}

UniqueKernelHandle ControlManager::OpenPartial(const std::wstring& destPath,
                                               const std::wstring& recordPath,
                                               const std::string& fileUrl,
                                               const std::string& fileMd5,
                                               ResumeRecord& record) {
    record = ResumeRecord();
    // The cache folder is the installer's own (only administrators may write in it), and
    // the record is opened as the package is, through no link; still, it is read as
    // untrusted text, and whatever it claims, the digest of the whole file decides.
    UniqueKernelHandle recordFile = PackageFile::OpenExisting(recordPath);
    if (!recordFile) {
        return UniqueKernelHandle();
    }
    std::string text(kMaxResumeRecordBytes + 1, '\0');
    DWORD got = 0;
    if (!::ReadFile(recordFile.get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr)) {
        got = 0;
    }
    text.resize(got);
    recordFile.reset();
    ResumeRecord read;
    if (!ParseResumeRecord(text, read)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"未完成下载的记录无法识别，丢弃");
        ::DeleteFileW(recordPath.c_str());
        return UniqueKernelHandle();
    }
    if (read.url != fileUrl || !Md5Equal(read.md5, fileMd5)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装包地址或MD5已变，丢弃未完成的下载");
        ::DeleteFileW(recordPath.c_str());
        return UniqueKernelHandle();
    }
    UniqueKernelHandle partial = PackageFile::OpenHeld(destPath, true);
    LARGE_INTEGER size = {};
    if (!partial || !::GetFileSizeEx(partial.get(), &size) || size.QuadPart < read.heldBytes) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"未完成的下载文件缺失或短于记录，丢弃");
        ::DeleteFileW(recordPath.c_str());
        return UniqueKernelHandle();
    }
    g_logFile.WriteLog(kLogSource, __LINE__, L"发现未完成的下载：已有 %lld 字节",
                       static_cast<long long>(read.heldBytes));
    record = read;
    return partial;
}

bool ControlManager::KeepPartial(const std::wstring& recordPath, ResumeRecord& record) {
    const std::string text = FormatResumeRecord(record);
    UniqueKernelHandle out = PackageFile::CreateNew(recordPath);
    DWORD written = 0;
    if (!out || !::WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        if (out) {
            PackageFile::DeleteOnClose(out.get());
        }
        return false;
    }
    return true;
}

bool ControlManager::ProgressThunk(void* owner, int64_t total, int64_t received, double speed) {
    if (owner == nullptr) {
        return false;
    }
    return static_cast<ControlManager*>(owner)->OnDownloadProgress(total, received, speed);
}

bool ControlManager::OnDownloadProgress(int64_t total, int64_t received, double /*speed*/) {
    const std::atomic<bool>* cancel = cancelSource_;
    if (cancel != nullptr && cancel->load()) {
        progress_.Cancel();
    }
    if (!roomChecked_ && total > 0 && !transferFolder_.empty()) {
        // The size is known once the answer's headers are in: a drive without room for it
        // is told now, not after a long transfer into a full disk.
        roomChecked_ = true;
        const DiskSpace space = QueryDiskSpace(transferFolder_);
        const uint64_t needed = static_cast<uint64_t>(total - (received < total ? received : total));
        if (space.known && space.freeBytes < needed) {
            g_logFile.WriteLogText(kLogSource, __LINE__, DescribeShortage(space, needed));
            outOfRoom_ = true;
        }
    }
    if (outOfRoom_) {
        return false;
    }
    TickSource ticks = nullptr;
    {
        std::lock_guard<std::mutex> hold(seamLock_);
        ticks = ticks_;
    }
    return progress_.OnProgress(total, received, ticks());
}

void ControlManager::ResetProgress() {
    progress_.Reset();
}

void ControlManager::CancelDownload() {
    progress_.Cancel();
}

bool ControlManager::CheckStall() {
    TickSource ticks = nullptr;
    {
        std::lock_guard<std::mutex> hold(seamLock_);
        ticks = ticks_;
    }
    return progress_.CheckStall(ticks());
}

bool ControlManager::IsAborted() {
    return progress_.IsAborted();
}

bool ControlManager::IsCancelled() {
    return progress_.IsCancelled();
}

int ControlManager::GetPercent() {
    return progress_.Percent();
}

std::wstring ControlManager::MakePackagePath(const std::wstring& logDir, const std::string& fileUrl) {
    // An address the code page cannot hold names no file: empty, as a path too long is (the
    // install sequence refuses such an address before it gets here).
    const std::optional<std::wstring> url = AnsiToWide(fileUrl);
    return url ? BuildPackagePath(logDir, PackageFileNameFromUrl(*url)) : std::wstring();
}
