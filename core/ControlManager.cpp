#include "core/ControlManager.h"

#include <windows.h>

#include <map>

#include "core/DataManager.h"
#include "core/HttpClient.h"
#include "core/NetManager.h"
#include "core/PackageInfo.h"
#include "core/PackagePath.h"
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

ControlManager* ControlManager::Instance() {
    static ControlManager* const instance = new ControlManager();
    return instance;
}

ControlManager::ControlManager() : endpoints_(CompiledEndpoints()), ticks_(&SystemTicks) {
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

bool ControlManager::SelectServer() {
    const ServerEndpoints e = GetEndpoints();
    NetManager* net = NetManager::Instance();
    std::string primary = e.primary;
    std::string fallback = e.fallbackA;
    int index = 0;
    if (net->ProbeServer(e.primary)) {
        index = 1;
    } else if (net->ProbeServer(e.secondary)) {
        primary = e.secondary;
        index = 2;
    } else {
        HttpClient site;
        const bool online = site.ProbeUrl(e.probeSite, kProbeSiteSeconds);
        const std::string candidate = online ? e.fallbackB : e.fallbackA;
        index = online ? 4 : 3;
        if (net->ProbeServer(candidate)) {
            primary = candidate;
            fallback = candidate;
        } else {
            g_logFile.WriteLog(kLogSource, __LINE__, L"无可访问的服务器");
        }
    }
    DataManager::Instance()->SetApiHosts(primary, fallback, index);
    return true;
}

bool ControlManager::GetPackageInfo(std::string& fileUrl, std::string& fileMd5, std::string& versionCode) {
    NetManager* net = NetManager::Instance();
    std::map<std::string, std::string> params;
    params["ts"] = net->MakeTimestamp();
    std::string payload;
    std::wstring message;
    int code = -1;
    if (!net->SignedRequest(kPackageInfoPath, params, payload, message, code, kPackageRequestId)) {
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
    if (destPath.empty()) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"文件下载失败");
        return false;
    }
    CMd5A md5;
    if (FileExists(destPath) && Md5Equal(md5.GetFileMd5(destPath), fileMd5)) {
        return true;
    }
    IDownloadWatch* watch = nullptr;
    {
        std::lock_guard<std::mutex> hold(seamLock_);
        watch = watch_;
    }
    ResetProgress();
    if (watch != nullptr) {
        watch->StartDownloadWatch();
    }
    std::string streamed;
    HttpClient client;
    const bool complete = client.DownloadToFile(this, fileUrl, destPath, &ControlManager::ProgressThunk, &streamed);
    progress_.Finish();
    if (watch != nullptr) {
        watch->StopDownloadWatch();
    }

    if (progress_.IsCancelled()) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"文件下载已取消");
        return false;
    }
    if (IsAborted()) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"文件下载被终止，下载进度长时间无变化");
        return false;
    }
    if (FileExists(destPath)) {
        // A complete transfer was digested while it arrived; anything else is read back.
        const std::string actual = complete ? streamed : md5.GetFileMd5(destPath);
        if (Md5Equal(actual, fileMd5)) {
            return true;
        }
        g_logFile.WriteLog(kLogSource, __LINE__, L"文件下载错误，md5不一致");
        return false;
    }
    g_logFile.WriteLog(kLogSource, __LINE__, L"文件下载失败");
    return false;
}

bool ControlManager::ProgressThunk(void* owner, int64_t total, int64_t received, double speed) {
    if (owner == nullptr) {
        return false;
    }
    return static_cast<ControlManager*>(owner)->OnDownloadProgress(total, received, speed);
}

bool ControlManager::OnDownloadProgress(int64_t total, int64_t received, double /*speed*/) {
    return progress_.OnProgress(total, received);
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
    return BuildPackagePath(logDir, PackageFileNameFromUrl(AnsiToWide(fileUrl)));
}
