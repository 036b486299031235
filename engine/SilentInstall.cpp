#include "engine/SilentInstall.h"

#include <memory>
#include <utility>

#include "engine/InstallDirRules.h"
#include "engine/InstallServices.h"
#include "engine/InstallFolders.h"
#include "system/LocalSettings.h"
#include "system/LanguageChoice.h"
#include "util/FileUtil.h"
#include "util/FolderSecurity.h"
#include "util/WriteLogFile.h"

namespace {
constexpr wchar_t kLogSource[] = L".\\SilentInstall";
}  // namespace

DeployExitCode ExitCodeFor(InstallOutcome outcome) {
    switch (outcome) {
        case InstallOutcome::Installed:
            return DeployExitCode::Installed;
        case InstallOutcome::NoServer:
            return DeployExitCode::NoServer;
        case InstallOutcome::QueryFailed:
            return DeployExitCode::ApiFailure;
        case InstallOutcome::DownloadFailed:
        case InstallOutcome::StalledDownload:
            return DeployExitCode::DownloadFailed;
        case InstallOutcome::DigestMismatch:
            return DeployExitCode::DigestMismatch;
        case InstallOutcome::ExtractFailed:
            return DeployExitCode::ExtractFailed;
        case InstallOutcome::DiskFull:
            return DeployExitCode::DiskFull;
        case InstallOutcome::Cancelled:
            return DeployExitCode::Cancelled;
        case InstallOutcome::Interrupted:
            return DeployExitCode::StartFailed;
    }
    return DeployExitCode::StartFailed;
}

void LogDeployOutcome(DeployExitCode code) {
    g_logFile.WriteLog(kLogSource, __LINE__, L"静默安装结束：退出码 %d（%s）", static_cast<int>(code),
                       DeployExitCodeName(code));
}

namespace {

// An install nobody watches: stages only pass, and the end is read from the engine once it
// has left (the worker has logged the cause; the start-up logs the exit code).
class CSilentHost : public IInstallHost {
  public:
    void OnStage(InstallStage /*stage*/) override {}
    void OnEnd(const InstallResult& /*result*/) override {}
};

}  // namespace

int SilentLanguageItem(DeployLanguage language, uint32_t userLocale) {
    switch (language) {
        case DeployLanguage::Simplified:
            return kLanguageItemSimplified;
        case DeployLanguage::Traditional:
            return kLanguageItemTraditional;
        case DeployLanguage::Detected:
            break;
    }
    return DetectLanguageItem(userLocale);
}

void SilentSeams::FillDefaults() {
    if (!userLocale) {
        userLocale = GetUserLocaleId;
    }
    if (!installerDirectory) {
        installerDirectory = [] { return GetModuleDirectory(nullptr); };
    }
    if (!replaceableAncestor) {
        replaceableAncestor = FindReplaceableLocation;
    }
}

DeployExitCode RunSilentInstall(const DeployOptions& options,
                                InstallServices& services,
                                const std::wstring& logDir,
                                SilentSeams seams) {
    seams.FillDefaults();
    const int languageItem = SilentLanguageItem(options.language, seams.userLocale());

    if (IsFavoritesLocation(seams.installerDirectory())) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装程序位于收藏夹中，拒绝安装[%s]",
                           seams.installerDirectory().c_str());
        return DeployExitCode::FolderRefused;
    }
    const std::wstring given = options.folder.empty() ? ProposedInstallDir() : options.folder;
    const FolderDecision decision = DecideInstallFolder(given, seams.replaceableAncestor);
    if (decision.usable.empty()) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装目录不可用[%s]", given.c_str());
        return DeployExitCode::FolderRefused;
    }
    // The window's question about a folder that holds files is answered "确定": an earlier
    // client there is updated, anything else gets a folder of the client's own below it.
    const std::wstring& target = decision.target;
    if (target != decision.usable) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"此路径下已有文件存在，安装到[%s]", target.c_str());
    }
    if (decision.replaceable) {
        if (!options.allowSharedParent) {
            return DeployExitCode::UnsafeFolder;
        }
        g_logFile.WriteLog(kLogSource, __LINE__, L"按 /ALLOWSHAREDPARENT 仍安装到此处");
    }

    services.Prepare();
    InstallJob job;
    job.targetDir = target;
    job.logDir = logDir;
    job.languageCode = RequestLanguageForItem(languageItem);
    auto choices = std::make_shared<InstallChoices>();
    choices->desktopShortcut = options.desktopShortcut;
    choices->taskbarPin = options.taskbarPin;
    choices->autostart = options.autostart;
    job.choices = std::move(choices);
    job.acceptReplaceable = options.allowSharedParent;
    job.replaceableLocation = seams.replaceableAncestor;
    CSilentHost host;
    InstallEngine engine(services, host, seams.sequence);
    if (seams.beforeStart) {
        seams.beforeStart(engine);
    }
    if (!engine.Start(std::move(job))) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装线程无法启动");
        return DeployExitCode::StartFailed;
    }
    const InstallOutcome outcome = engine.Wait().outcome;
    if (outcome == InstallOutcome::Installed) {
        // As the window does on its finished page.
        static_cast<void>(WriteLanguageSetting(target, languageItem));
    }
    return ExitCodeFor(outcome);
}
