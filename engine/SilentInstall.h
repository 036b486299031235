#pragma once
// The install without a window, for deployment tools (setup.exe /S): the same folder rules,
// the same install sequence and the same log as the window, with the window's questions
// answered in advance by the command line, and an exit code for the outcome.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/DeployCommandLine.h"
#include "engine/DeployExitCode.h"
#include "engine/InstallEngine.h"
#include "engine/InstallWorker.h"
#include "system/LanguageChoice.h"

// What the outcome of an install tells a deployment tool.
DeployExitCode ExitCodeFor(InstallOutcome outcome);

// Writes the code and its name to the log.
void LogDeployOutcome(DeployExitCode code);

// The language the window would pick for this user, unless the command line names one: the
// item its combo would hold.
int SilentLanguageItem(DeployLanguage language, uint32_t userLocale);

// What the unattended install takes from the system that a test must be able to replace.
struct SilentSeams {
    std::function<uint32_t()> userLocale;
    std::function<std::wstring()> installerDirectory;
    std::function<std::optional<std::wstring>(const std::wstring& target)> replaceableAncestor;
    // What the engine runs (a test hands one that throws).
    InstallEngine::Sequence sequence = &RunInstall;
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
