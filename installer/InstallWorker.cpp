#include "installer/InstallWorker.h"

#include <windows.h>

#include <process.h>

#include <utility>

#include "core/ControlManager.h"
#include "core/HttpClient.h"
#include "installer/InstallTransaction.h"
#include "system/AutostartTask.h"
#include "system/LocalSettings.h"
#include "system/ProductNames.h"
#include "system/ShellLink.h"
#include "system/TaskbarPin.h"
#include "system/UninstallRegistration.h"
#include "util/ProtectedDirectory.h"
#include "util/WriteLogFile.h"

namespace {

constexpr wchar_t kLogSource[] = L".\\MainWnd";
constexpr wchar_t kErrorFormat[] = L"安装错误：%s";

// What the user is shown (simplified Chinese only: the worker has no language of its
// own) and the reason logged with it.
constexpr wchar_t kInfoFailedText[] = L"网络错误，请求安装配置失败";
constexpr wchar_t kInfoFailedReason[] = L"请求安装配置失败";
constexpr wchar_t kDownloadFailedText[] = L"网络错误，请求安装数据失败";
constexpr wchar_t kDownloadFailedReason[] = L"请求安装数据失败";
constexpr wchar_t kExtractFailedText[] = L"安装错误，解压失败";
constexpr wchar_t kExtractFailedReason[] = L"解压失败";
// The stall watch has shown its own box by the time the transfer returns.
constexpr wchar_t kStalledReason[] = L"下载进度长时间无变化，已被取消";

std::atomic<bool> g_workerStarted{false};

class InstallSequence {
  public:
    InstallSequence(IInstallHost& host, const InstallJob& job) : host_(host), job_(job), cancel_(job.cancel.get()) {}

    InstallOutcome Run() {
        const InstallOutcome outcome = Steps();
        if (outcome == InstallOutcome::Cancelled) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"安装已取消");
        }
        return outcome;
    }

  private:
    [[nodiscard]] bool Cancelled() const { return cancel_ != nullptr && cancel_->load(); }

    InstallOutcome Fail(int line, const wchar_t* text, const wchar_t* reason) {
        // A step that failed because it was cancelled is no error to show.
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        host_.PostInstallError(text);
        g_logFile.WriteLog(kLogSource, line, kErrorFormat, reason);
        return InstallOutcome::Failed;
    }

    InstallOutcome Steps() {
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        host_.SetStage(1);
        ControlManager* control = ControlManager::Instance();
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        control->SelectServer();
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        host_.SetStage(2);

        std::string fileUrl, fileMd5, versionCode;
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        if (!control->GetPackageInfo(fileUrl, fileMd5, versionCode)) {
            return Fail(__LINE__, kInfoFailedText, kInfoFailedReason);
        }
        // Empty when it would not fit; the download then fails like one that left no file.
        const std::wstring packagePath = ControlManager::MakePackagePath(job_.logDir, fileUrl);
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        // Held from its creation (or the check of a cached copy) to the end of the
        // extraction: nobody can swap the package between its check and its use.
        UniqueKernelHandle package;
        if (!Download(control, packagePath, fileUrl, fileMd5, package)) {
            if (Cancelled()) {
                return InstallOutcome::Cancelled;
            }
            if (control->IsAborted()) {
                g_logFile.WriteLog(kLogSource, __LINE__, kErrorFormat, kStalledReason);
                return InstallOutcome::StalledDownload;
            }
            return Fail(__LINE__, kDownloadFailedText, kDownloadFailedReason);
        }
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        host_.SetStage(4);

        const std::wstring& target = job_.targetDir;
        // From here until the commit, a failure or a cancel puts the folder back as it was
        // before, so the earlier client keeps working; the undo runs before the error is
        // posted, since the box ends the process.
        InstallTransaction transaction;
        if (!transaction.Begin(target, job_.logDir)) {
            return Fail(__LINE__, kExtractFailedText, kExtractFailedReason);
        }
        // Levels made here get the rights of Program Files: the logon task later runs the
        // client in it with highest privileges, so no local user may replace it.
        static_cast<void>(CreateProtectedDirectoryTree(target));
        if (Cancelled()) {
            static_cast<void>(transaction.Rollback());
            return InstallOutcome::Cancelled;
        }
        const ExtractOutcome extracted = transaction.Extract(package.get(), cancel_);
        package.reset();
        if (extracted.status != ExtractStatus::Ok || Cancelled()) {
            if (!extracted.reason.empty()) {
                g_logFile.WriteLog(kLogSource, __LINE__, L"%s", extracted.reason.c_str());
            }
            static_cast<void>(transaction.Rollback());
            return Fail(__LINE__, kExtractFailedText, kExtractFailedReason);
        }
        transaction.Commit();
        host_.SetStage(5);
        host_.SetInstalledDir(target);
        return Integrate(target);
    }

    bool Download(ControlManager* control,
                  const std::wstring& packagePath,
                  const std::string& fileUrl,
                  const std::string& fileMd5,
                  UniqueKernelHandle& package) {
        control->SetDownloadWatch(&host_);
        const bool ok = control->DownloadPackage(packagePath, fileUrl, fileMd5, package, cancel_);
        control->SetDownloadWatch(nullptr);
        return ok;
    }

    // What the install leaves in the system besides the files. Failures here are not
    // the user's to see: each step does what it can and the install carries on.
    InstallOutcome Integrate(const std::wstring& target) {
        static_cast<void>(WriteSetupIni(target));
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        // Only a shortcut made in this run is pinned and registered.
        std::wstring desktopShortcut;
        if (host_.WantsDesktopShortcut() && CreateDesktopShortcut(target, desktopShortcut)) {
            host_.SetDesktopShortcutPath(desktopShortcut);
        }
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        if (host_.WantsTaskbarPin()) {
            static_cast<void>(PinClientToTaskbar(target, desktopShortcut));
        }
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        static_cast<void>(
            CreateStartMenuShortcuts(target + L"\\" + kClientExeName, target + L"\\" + kUninstallerExeName));
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        static_cast<void>(RegisterUninstall(target, desktopShortcut));
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        // "powerup" is written only when the task step reports success.
        static_cast<void>(ApplyAutostartOption(target, host_.WantsAutostart()));
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        host_.SetStage(6);
        return InstallOutcome::Installed;
    }

    IInstallHost& host_;
    const InstallJob& job_;
    const std::atomic<bool>* cancel_;
};

struct WorkerStart {
    IInstallHost* host;
    InstallJob job;
};

unsigned __stdcall WorkerMain(void* argument) {
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(argument));
    try {
        static_cast<void>(RunInstall(*start->host, start->job));
    } catch (...) {
        // Out of memory on the way: nothing may leave the thread.
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装线程异常结束");
    }
    return 0;
}

}  // namespace

InstallOutcome RunInstall(IInstallHost& host, const InstallJob& job) {
    return InstallSequence(host, job).Run();
}

void CancelInstall(std::atomic<bool>& cancel) {
    cancel.store(true);
    ControlManager::Instance()->CancelDownload();
    // The server choice and the package query wait on servers too.
    HttpClient::AbortAllRequests();
}

std::optional<StartedWorker> StartInstallWorker(IInstallHost& host, InstallJob job) {
    if (g_workerStarted.exchange(true)) {
        return std::nullopt;
    }
    auto start = std::make_unique<WorkerStart>(WorkerStart{&host, std::move(job)});
    unsigned threadId = 0;
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &WorkerMain, start.get(), 0, &threadId);
    if (thread == 0) {
        // No install ran, so a later attempt may still start one.
        g_workerStarted.store(false);
        return std::nullopt;
    }
    static_cast<void>(start.release());
    StartedWorker worker;
    worker.threadId = threadId;
    worker.handle.reset(reinterpret_cast<HANDLE>(thread));
    return worker;
}
