#include "core/ControlManager.h"

#include <windows.h>

#include <map>
#include <optional>

#include "core/HttpClient.h"
#include "core/NetManager.h"
#include "core/PackageFile.h"
#include "core/PackageInfo.h"
#include "core/PackagePath.h"
#include "util/DiskSpace.h"
#include "util/FileUtil.h"
#include "util/Md5A.h"
#include "util/TextConv.h"
#include "util/WriteLogFile.h"

namespace {

constexpr wchar_t kLogSource[] = L"..\\core\\ControlManager";
constexpr char kPackageInfoPath[] = "/wpapi/version/getClientZipUrl";

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
    {
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
    // Cancelled before the start: a cached package that was being checked stays as it is.
    UniqueKernelHandle file = progress_.IsCancelled() ? UniqueKernelHandle() : PackageFile::CreateNew(destPath);
    std::string streamed;
    bool complete = false;
    uint32_t writeError = 0;
    const uint32_t createError = file ? 0 : ::GetLastError();
    if (file) {
        HttpClient client;
        complete =
            client.DownloadToHandle(this, fileUrl, file.get(), &ControlManager::ProgressThunk, &streamed, &writeError);
    }
    progress_.Finish();
    if (watch != nullptr) {
        watch->StopDownloadWatch();
    }
    cancelSource_ = nullptr;

    const bool created = static_cast<bool>(file);
    if (file && (!complete || IsAborted())) {
        // A partial package is of no use to anybody.
        PackageFile::DeleteOnClose(file.get());
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
    if (!Md5Equal(streamed, fileMd5)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"文件下载错误，md5不一致");
        lastFailure_ = DownloadFailure::Digest;
        return false;
    }
    held = std::move(file);
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
