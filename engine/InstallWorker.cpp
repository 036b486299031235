#include "engine/InstallWorker.h"

#include <windows.h>

#include <optional>
#include <system_error>
#include <thread>

#include "core/ControlManager.h"
#include "engine/ClientPublisherCheck.h"
#include "engine/InstallServices.h"
#include "engine/InstallPlan.h"
#include "engine/InstallTransaction.h"
#include "engine/IntegrationSteps.h"
#include "engine/LocationRecheck.h"
#include "engine/StepHold.h"
#include "system/AutostartTask.h"
#include "system/LocalSettings.h"
#include "system/ProductNames.h"
#include "system/ShellLink.h"
#include "system/TaskbarPin.h"
#include "system/UninstallRegistration.h"
#include "core/PackagePath.h"
#include "util/DiskSpace.h"
#include "util/FileUtil.h"
#include "util/FolderSecurity.h"
#include "util/ProtectedDirectory.h"
#include "util/TextConv.h"
#include "util/UniqueHandle.h"
#include "util/WriteLogFile.h"
#include "zip/Unzip.h"

namespace {

constexpr wchar_t kLogSource[] = L".\\MainWnd";
constexpr wchar_t kErrorFormat[] = L"安装错误：%s";

// The causes as the log names them; the host says what the user sees.
constexpr wchar_t kInfoFailedReason[] = L"请求安装配置失败";
constexpr wchar_t kDownloadFailedReason[] = L"请求安装数据失败";
constexpr wchar_t kExtractFailedReason[] = L"解压失败";
constexpr wchar_t kDiskFullReason[] = L"磁盘空间不足";
constexpr wchar_t kStalledReason[] = L"下载进度长时间无变化，已被取消";

// The stages as the log names them, so a support person can see where an install stopped
// and what took the time.
constexpr wchar_t kStageServer[] = L"选择服务器";
constexpr wchar_t kStageQuery[] = L"获取安装包信息";
constexpr wchar_t kStageDownload[] = L"下载安装包";
constexpr wchar_t kStageExtract[] = L"解压";
constexpr wchar_t kStageSetupIni[] = L"写入安装程序位置";
constexpr wchar_t kStageDesktop[] = L"桌面快捷方式";
constexpr wchar_t kStagePin[] = L"固定到任务栏";
constexpr wchar_t kStageStartMenu[] = L"开始菜单快捷方式";
constexpr wchar_t kStageUninstall[] = L"卸载信息";
constexpr wchar_t kStageAutostart[] = L"开机启动";

constexpr DWORD kStagePauseStepMs = 50;

uint64_t FileSizeOf(HANDLE file) {
    LARGE_INTEGER size = {};
    return ::GetFileSizeEx(file, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

class InstallSequence {
  public:
    InstallSequence(ControlManager& control, IInstallHost& host, const InstallJob& job, const std::atomic<bool>* cancel)
        : control_(control), host_(host), job_(job), cancel_(cancel) {}
    ~InstallSequence() { JoinSchedulerWake(); }
    InstallSequence(const InstallSequence&) = delete;
    InstallSequence& operator=(const InstallSequence&) = delete;

    InstallResult Run() {
        const InstallOutcome outcome = Steps();
        if (outcome == InstallOutcome::Cancelled) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"安装已取消（%s）", stageName_);
        } else if (outcome != InstallOutcome::Installed) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"安装失败于：%s", stageName_);
        }
        result_.outcome = outcome;
        if (outcome != InstallOutcome::Installed) {
            // Undone, or never made: nothing of the install is there to point at.
            result_.installedDir.clear();
            result_.desktopShortcut.clear();
        }
        return result_;
    }

  private:
    [[nodiscard]] bool Cancelled() const { return cancel_ != nullptr && cancel_->load(); }

    // The autostart step talks to the task scheduler, whose service may first have to be
    // started; that start runs beside the server choice and the download instead.
    void StartSchedulerWake() {
        try {
            schedulerWake_ = std::thread(&WakeTaskScheduler);
        } catch (const std::system_error&) {
            // No thread to spare: the autostart step waits for the service itself.
        }
    }
    void JoinSchedulerWake() {
        if (schedulerWake_.joinable()) {
            schedulerWake_.join();
        }
    }

    // Logs how long the stage that ends now took, and names the next one.
    void EnterStage(const wchar_t* name) {
        const DWORD now = ::GetTickCount();
        if (stageName_[0] != L'\0') {
            g_logFile.WriteLog(kLogSource, __LINE__, L"阶段完成：%s，用时 %lu 毫秒", stageName_,
                               static_cast<unsigned long>(now - stageStart_));
        }
        stageName_ = name;
        stageStart_ = now;
        if (job_.stepObserver && name[0] != L'\0') {
            job_.stepObserver(name);
        }
    }

    InstallOutcome Fail(InstallOutcome kind, int line, const wchar_t* reason) {
        // A step that failed because it was cancelled is no error to report.
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        g_logFile.WriteLog(kLogSource, line, kErrorFormat, reason);
        return kind;
    }

    InstallOutcome FailForDisk(int line) { return Fail(InstallOutcome::DiskFull, line, kDiskFullReason); }

    // The window says the same for both; a deployment tool is told which it was.
    InstallOutcome FailQuery(const ApiHosts& hosts, int line) {
        const InstallOutcome kind = hosts.answered ? InstallOutcome::QueryFailed : InstallOutcome::NoServer;
        return Fail(kind, line, kInfoFailedReason);
    }

    // Shows the stage, then leaves it on show for the job's pause; a cancel ends the pause.
    void Stage(InstallStage stage) {
        host_.OnStage(stage);
        if (stage == InstallStage::Finished) {
            return;  // nothing follows that would hide it
        }
        for (uint32_t waited = 0; waited < job_.stagePauseMs && !Cancelled(); waited += kStagePauseStepMs) {
            ::Sleep(kStagePauseStepMs);
        }
    }

    [[nodiscard]] bool Chosen(const std::atomic<bool> InstallChoices::*option) const {
        return job_.choices != nullptr && ((*job_.choices).*option).load();
    }

    InstallOutcome Steps() {
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        EnterStage(kStageServer);
        StartSchedulerWake();
        Stage(InstallStage::ChoosingServer);
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        // No choice only when the requests were aborted: the installer is closing.
        const std::optional<ApiHosts> hosts = control_.SelectServer();
        if (!hosts || Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        Stage(InstallStage::QueryingPackage);

        EnterStage(kStageQuery);
        std::string fileUrl, fileMd5, versionCode;
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        if (!control_.GetPackageInfo(*hosts, fileUrl, fileMd5, versionCode)) {
            return FailQuery(*hosts, __LINE__);
        }
        // The package's file name comes from its address through the code page: an address
        // that does not convert exactly names no file, and is the server's fault.
        const std::optional<std::wstring> wideUrl = AnsiToWide(fileUrl);
        if (!wideUrl) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"安装包地址无法按系统代码页转换：%s",
                               AnsiToWideForReading(fileUrl).c_str());
            return Fail(InstallOutcome::QueryFailed, __LINE__, kInfoFailedReason);
        }
        const std::wstring packageName = PackageFileNameFromUrl(*wideUrl);
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装包：%s，版本：%s，MD5：%s", packageName.c_str(),
                           AnsiToWideForReading(versionCode).c_str(), AnsiToWideForReading(fileMd5).c_str());
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }

        EnterStage(kStageDownload);
        // Empty when it would not fit; the download then fails and says so.
        const std::wstring packagePath = ControlManager::MakePackagePath(job_.logDir, fileUrl);
        // Held from its creation (or the check of a cached copy) to the end of the
        // extraction: nobody can swap the package between its check and its use.
        UniqueKernelHandle package;
        if (!Download(packagePath, fileUrl, fileMd5, package)) {
            if (Cancelled()) {
                return InstallOutcome::Cancelled;
            }
            switch (control_.LastFailure()) {
                case DownloadFailure::Stalled:
                    // The window's watch may have shown this already (it shows one box);
                    // a host without that watch learns of the stall only here.
                    return Fail(InstallOutcome::StalledDownload, __LINE__, kStalledReason);
                case DownloadFailure::DiskFull:
                    return FailForDisk(__LINE__);
                case DownloadFailure::Digest:
                    return Fail(InstallOutcome::DigestMismatch, __LINE__, kDownloadFailedReason);
                default:
                    return Fail(InstallOutcome::DownloadFailed, __LINE__, kDownloadFailedReason);
            }
        }
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装包大小：%lu KB",
                           static_cast<unsigned long>(FileSizeOf(package.get()) / 1024));
        if (Cancelled()) {
            return InstallOutcome::Cancelled;
        }
        Stage(InstallStage::Extracting);

        const std::wstring& target = job_.targetDir;
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装目录：%s", target.c_str());
        return RunPlan(target, package);
    }

    // The extraction and every step after it, as one plan that completes or is undone
    // whole. Failures are posted only after the undo, since the box ends the process.
    InstallOutcome RunPlan(const std::wstring& target, UniqueKernelHandle& package) {
        InstallTransaction transaction;
        std::wstring desktopShortcut;
        InstallPlan plan([this](const wchar_t* name) { EnterStage(name); });
        plan.Add({kStageExtract, [&] { return Extract(transaction, target, package); },
                  [&] { static_cast<void>(transaction.Rollback()); }});
        // The steps below undo through the record the extraction's undo replays.
        plan.Add({kStageSetupIni, [&] { return Recorded(RunSetupIniStep(transaction, target)); }, nullptr});
        // The options are read at their step: a change made while the install runs counts.
        plan.Add({kStageDesktop,
                  [&] {
                      if (!Chosen(&InstallChoices::desktopShortcut)) {
                          return true;
                      }
                      if (!RunDesktopLinkStep(transaction, target, desktopShortcut)) {
                          return Recorded(false);
                      }
                      // Only a shortcut made in this run is pinned and registered.
                      result_.desktopShortcut = desktopShortcut;
                      return true;
                  },
                  nullptr});
        plan.Add({kStagePin,
                  [&] {
                      return !Chosen(&InstallChoices::taskbarPin) ||
                             Recorded(RunPinStep(transaction, target, desktopShortcut));
                  },
                  nullptr});
        plan.Add({kStageStartMenu, [&] { return Recorded(RunStartMenuStep(transaction, target)); }, nullptr});
        plan.Add({kStageUninstall, [&] { return Recorded(RunUninstallStep(transaction, target, desktopShortcut)); },
                  nullptr});
        plan.Add({kStageAutostart,
                  [&] {
                      HoldInsideSystemSteps(cancel_);
                      const bool autostart = Chosen(&InstallChoices::autostart);
                      JoinSchedulerWake();
                      return Recorded(RunAutostartStep(transaction, target, autostart));
                  },
                  nullptr});

        pending_ = Pending{};
        const PlanOutcome outcome = plan.Run(cancel_, [&] { transaction.Commit(); });
        switch (outcome.result) {
            case PlanResult::Done:
                g_logFile.WriteLog(kLogSource, __LINE__, L"安装完成：%s", target.c_str());
                Stage(InstallStage::Finished);
                return InstallOutcome::Installed;
            case PlanResult::Cancelled:
                return InstallOutcome::Cancelled;
            case PlanResult::Failed:
                break;
        }
        if (pending_.reason == nullptr) {
            return Fail(InstallOutcome::ExtractFailed, __LINE__, kExtractFailedReason);
        }
        return Fail(pending_.kind, pending_.line, pending_.reason);
    }

    // A step whose record could not be made ends the install like a failed extraction.
    bool Recorded(bool made) {
        if (!made) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"安装记录无法写入，安装撤销");
            Defer(InstallOutcome::ExtractFailed, __LINE__, kExtractFailedReason);
        }
        return made;
    }

    // The failure to post once the plan has undone what it did.
    void Defer(InstallOutcome kind, int line, const wchar_t* reason) {
        if (pending_.reason == nullptr) {
            pending_ = Pending{kind, line, reason};
        }
    }

    bool Download(const std::wstring& packagePath,
                  const std::string& fileUrl,
                  const std::string& fileMd5,
                  UniqueKernelHandle& package) {
        return control_.DownloadPackage(packagePath, fileUrl, fileMd5, package, cancel_);
    }

    // Unpacks the held package into `target`: true when the client is in place. A failure
    // or a cancel leaves the undo to the plan, which puts the folder back as it was, so an
    // earlier client keeps working.
    bool Extract(InstallTransaction& transaction, const std::wstring& target, UniqueKernelHandle& package) {
        uint64_t needed = 0;
        if (!GetZipFileHandleTotalSize(package.get(), &needed)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"安装包目录无法读取");
            Defer(InstallOutcome::ExtractFailed, __LINE__, kExtractFailedReason);
            return false;
        }
        if (const DiskSpace space = QueryDiskSpace(target); space.known && space.freeBytes < needed) {
            g_logFile.WriteLogText(kLogSource, __LINE__, DescribeShortage(space, needed));
            Defer(InstallOutcome::DiskFull, __LINE__, kDiskFullReason);
            return false;
        }
        if (!transaction.Begin(target, job_.logDir)) {
            Defer(InstallOutcome::ExtractFailed, __LINE__, kExtractFailedReason);
            return false;
        }
        // Levels made here get the rights of Program Files: the logon task later runs the
        // client in it with highest privileges, so no local user may replace it.
        static_cast<void>(CreateProtectedDirectoryTree(target));
        // A level someone else made since the question was asked is used only if accepted.
        if (!IsLocationAccepted(job_, target)) {
            Defer(InstallOutcome::ExtractFailed, __LINE__, kExtractFailedReason);
            return false;
        }
        // An existing target, or one a user made, gets them as well, with all it holds.
        std::wstring cause;
        if (!ProtectInstallFolder(target, cause)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"安装目录权限设置失败:%s", cause.c_str());
            Defer(InstallOutcome::ExtractFailed, __LINE__, kExtractFailedReason);
            return false;
        }
        if (Cancelled()) {
            return false;
        }
        const ExtractOutcome extracted = transaction.Extract(package.get(), cancel_);
        package.reset();
        if (extracted.status != ExtractStatus::Ok || Cancelled()) {
            if (!extracted.reason.empty()) {
                g_logFile.WriteLog(kLogSource, __LINE__, L"%s", extracted.reason.c_str());
            }
            if (extracted.status == ExtractStatus::DiskFull) {
                Defer(InstallOutcome::DiskFull, __LINE__, kDiskFullReason);
            } else {
                Defer(InstallOutcome::ExtractFailed, __LINE__, kExtractFailedReason);
            }
            return false;
        }
        // A package without the client would register an install that cannot start.
        if (!FileExists(target + L"\\" + kClientExeName)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"安装包中没有客户端程序：%s", kClientExeName);
            Defer(InstallOutcome::ExtractFailed, __LINE__, kExtractFailedReason);
            return false;
        }
        if (!ClientPublisherAccepted(target + L"\\" + kClientExeName)) {
            Defer(InstallOutcome::ExtractFailed, __LINE__, kExtractFailedReason);
            return false;
        }
        result_.installedDir = target;
        Stage(InstallStage::Integrating);
        return true;
    }

    struct Pending {
        InstallOutcome kind = InstallOutcome::ExtractFailed;
        int line = 0;
        const wchar_t* reason = nullptr;
    };

    ControlManager& control_;
    IInstallHost& host_;
    const InstallJob& job_;
    const std::atomic<bool>* cancel_;
    const wchar_t* stageName_ = L"";
    DWORD stageStart_ = 0;
    Pending pending_;
    InstallResult result_;
    std::thread schedulerWake_;
};

}  // namespace

InstallResult RunInstall(InstallServices& services,
                         IInstallHost& host,
                         const InstallJob& job,
                         const std::atomic<bool>* cancel) {
    if (!job.languageCode.empty()) {
        services.Identity().SetLang(job.languageCode);
    }
    return InstallSequence(services.Control(), host, job, cancel).Run();
}
