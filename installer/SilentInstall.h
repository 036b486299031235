#pragma once
// The install without a window, for deployment tools (setup.exe /S): the same folder rules,
// the same install sequence and the same log as the window, with the window's questions
// answered in advance by the command line, and an exit code for the outcome.

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "installer/DeployCommandLine.h"
#include "installer/DeployExitCode.h"
#include "installer/InstallEngine.h"
#include "installer/InstallHost.h"
#include "installer/InstallWorker.h"
#include "system/LanguageChoice.h"

// What the outcome of an install tells a deployment tool.
DeployExitCode ExitCodeFor(InstallOutcome outcome);

// Writes the code and its name to the log.
void LogDeployOutcome(DeployExitCode code);

// The host of an install nobody watches: the options come from the command line, errors go
// to the log (the worker has logged their reason), and stages only pass. No stall watch of
// its own: the transfer stops a stalled download itself.
class CSilentHost : public IInstallHost {
  public:
    explicit CSilentHost(const DeployOptions& options);

    // IInstallHost
    void SetStage(int stage) override;
    void PostInstallError(const std::wstring& text) override;
    [[nodiscard]] bool WantsDesktopShortcut() const override { return options_.desktopShortcut; }
    [[nodiscard]] bool WantsTaskbarPin() const override { return options_.taskbarPin; }
    [[nodiscard]] bool WantsAutostart() const override { return options_.autostart; }
    void SetInstalledDir(const std::wstring& dir) override;
    void SetDesktopShortcutPath(const std::wstring& path) override;

    // The language the window would pick for this user, unless the command line names one.
    void ChooseLanguage(uint32_t userLocale);
    [[nodiscard]] bool IsSimplified() const { return languageItem_ == kLanguageItemSimplified; }
    // The language item the window's combo would hold.
    [[nodiscard]] int LanguageItem() const { return languageItem_; }

    [[nodiscard]] std::vector<int> Stages() const;
    [[nodiscard]] std::vector<std::wstring> Errors() const;
    [[nodiscard]] std::wstring InstalledDir() const;
    [[nodiscard]] std::wstring DesktopShortcutPath() const;

  private:
    DeployOptions options_;
    int languageItem_ = kLanguageItemSimplified;
    mutable std::mutex lock_;
    std::vector<int> stages_;
    std::vector<std::wstring> errors_;
    std::wstring installedDir_;
    std::wstring desktopShortcutPath_;
};

// What the unattended install takes from the system that a test must be able to replace.
struct SilentSeams {
    std::function<uint32_t()> userLocale;
    std::function<std::wstring()> installerDirectory;
    std::function<std::optional<std::wstring>(const std::wstring& target)> replaceableAncestor;
    // Called with the engine right before its start (a test cancels it there); may be empty.
    std::function<void(InstallEngine& engine)> beforeStart;
    // The real ones, for everything left empty.
    void FillDefaults();
};

class InstallServices;

// The unattended install after the start-up: the folder and its checks, the install on the
// engine's thread (waited for), and the language file. `logDir` ends in a separator.
DeployExitCode RunSilentInstall(const DeployOptions& options,
                                InstallServices& services,
                                const std::wstring& logDir,
                                SilentSeams seams = {});
