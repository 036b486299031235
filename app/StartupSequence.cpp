#include "app/StartupSequence.h"

#include <optional>
#include <vector>

#include "app/InstanceGuard.h"
#include "engine/DeployExitCode.h"
#include "engine/InstallFolders.h"
#include "engine/InstallTransaction.h"
#include "engine/SilentInstall.h"
#include "installer/WindowIdentity.h"
#include "util/ComPtr.h"
#include "util/FileUtil.h"
#include "util/ProcessUtil.h"
#include "util/WorkFolder.h"
#include "util/WriteLogFile.h"

const char kGuardName[] = "_ONCE_RUN_VlJiasuqi_install_";
// Held by an unattended install besides the guard above: it has no window to bring
// forward, and a window started meanwhile must not install beside it.
const char kSilentGuardName[] = "_ONCE_RUN_VlJiasuqi_install_silent_";

namespace {

constexpr wchar_t kLogFolder[] = L"varloSetup";
constexpr wchar_t kLogFileName[] = L"VarloSetup.log";
constexpr int kLogLimitKiB = 1024;
constexpr int kSkinResourceId = 102;
constexpr wchar_t kSkinResourceType[] = L"ZIPRES";
constexpr char kSkinPassword[] = "Tm4RwQ8s";
constexpr wchar_t kLogSource[] = L".\\StartupSequence";
constexpr wchar_t kServiceName[] = L"RuzidorIririre";

// Copies the skin resource into a heap buffer that lives as long as the process: the
// toolkit reads entries from it on demand. Without a skin there is no window to show
// anything in, so a failure leaves only its log line.
bool LoadSkin(HINSTANCE instance, const StartupHooks& hooks) {
    HRSRC resource = ::FindResourceW(instance, MAKEINTRESOURCEW(kSkinResourceId), kSkinResourceType);
    if (!resource) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"皮肤资源未找到");
        return false;
    }
    HGLOBAL loaded = ::LoadResource(instance, resource);
    if (!loaded) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"皮肤资源加载失败");
        return false;
    }
    const DWORD size = ::SizeofResource(instance, resource);
    if (size == 0) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"皮肤资源为空");
        return false;
    }
    const void* bytes = ::LockResource(loaded);
    if (!bytes) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"皮肤资源加载失败");
        return false;
    }
    static std::vector<uint8_t>* skin = new std::vector<uint8_t>();
    skin->assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
    if (hooks.setResourceZip) {
        hooks.setResourceZip(skin->data(), skin->size(), kSkinPassword);
    }
    return true;
}

void BringExistingWindowForward() {
    HWND existing = ::FindWindowW(kMainWindowClass, kMainWindowTitle);
    if (!existing) {
        return;
    }
    ::ShowWindow(existing, SW_RESTORE);
    RaiseWindow(existing);
}

}  // namespace

size_t EndClientProcesses() {
    std::vector<std::wstring> folders = {SystemDefaultInstallDir()};
    const std::wstring earlier = RegisteredInstallDir();
    if (!earlier.empty()) {
        folders.push_back(earlier);
    }
    return EndProcessesInFolders({L"vljiasu.exe", L"openvpn.exe", L"varlojiasu.exe"}, folders);
}

std::optional<std::wstring> DetermineLogDir() {
    wchar_t temp[MAX_PATH] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    // A temporary path that does not fit counts as none: never a truncated path.
    if (length > 0 && length < MAX_PATH) {
        std::wstring dir(temp, length);
        if (dir.back() != L'\\') {
            dir += L'\\';
        }
        dir += kLogFolder;
        return PrepareWorkFolder(dir);
    }
    // Never the exe's own folder: a user fills that, and the undo record there would be
    // theirs to write.
    return std::nullopt;
}

int RunInstaller(HINSTANCE instance, const StartupHooks& hooks, const DeployCommand& command) {
    const bool silent = command.kind == DeployCommand::Kind::Silent;
    // The window ends with 0 whatever happened; a deployment tool is told the outcome.
    auto end = [silent](DeployExitCode code) {
        if (!silent) {
            return 0;
        }
        LogDeployOutcome(code);
        return static_cast<int>(code);
    };
    // The guard comes first: a second installer must not stop the service or end the
    // client that the first one is installing. Made before the guard, so that a window
    // that finds the guard taken finds the silent one too.
    InstanceGuard silentGuard(silent ? kSilentGuardName : nullptr);
    InstanceGuard guard(kGuardName);

    const std::optional<std::wstring> logDir = DetermineLogDir();
    if (logDir) {
        g_logFile.SetLogFile(*logDir + kLogFileName, kLogLimitKiB);
    }
    if (silent) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"静默安装开始");
    }
    if (silent && guard.IsAlreadyRunning()) {
        // Windowed or not, the other one is installing or about to: never two at once.
        g_logFile.WriteLog(kLogSource, __LINE__, L"另一个安装程序正在运行");
        return end(DeployExitCode::AlreadyRunning);
    }
    if (guard.IsAlreadyRunning() && ::FindWindowW(kMainWindowClass, kMainWindowTitle)) {
        BringExistingWindowForward();
        guard.Close();
        return 0;
    }
    if (!silent && guard.IsAlreadyRunning() && InstanceGuard(kSilentGuardName).IsAlreadyRunning()) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"另一个安装程序正在运行");
        return 0;
    }

    ScopedComInit com;
    if (!com.ok()) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"COM初始化失败,0x%08X", static_cast<unsigned>(com.result()));
        return end(DeployExitCode::StartFailed);
    }
    // Without a window there is nothing to draw: no toolkit and no skin.
    if (!silent && hooks.setToolkitInstance) {
        hooks.setToolkitInstance(instance);
    }
    if (!logDir) {
        // Nothing of the machine is changed without a place of our own for the undo record.
        if (!silent && LoadSkin(instance, hooks) && hooks.refuseStart) {
            hooks.refuseStart();
        }
        return end(DeployExitCode::NoWorkFolder);
    }

    StopAndDeleteServiceDetached(kServiceName);

    if (!silent && !LoadSkin(instance, hooks)) {
        return 0;
    }

    EndClientProcesses();

    // An install that a killed process left half-done is undone before anything else can
    // use the folder; a running install's own journal is left alone.
    RecoverInterruptedInstall(*logDir);

    if (silent) {
        const int code =
            hooks.runSilent ? hooks.runSilent(command.options, *logDir) : static_cast<int>(DeployExitCode::StartFailed);
        return end(static_cast<DeployExitCode>(code));
    }

    try {
        if (hooks.runMainWindow) {
            hooks.runMainWindow(instance, *logDir);
        }
    } catch (...) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"主窗口异常结束");
    }
    guard.Close();
    return 0;
}
