#include "engine/IntegrationSteps.h"

#include <windows.h>

#include <vector>

#include "engine/InstallTransaction.h"
#include "engine/IntegrationUndo.h"
#include "system/AutostartTask.h"
#include "system/LocalSettings.h"
#include "system/ProductNames.h"
#include "system/ShellLink.h"
#include "system/TaskbarPin.h"
#include "system/UninstallRegistration.h"
#include "util/FileUtil.h"
#include "util/WriteLogFile.h"

namespace {

constexpr wchar_t kLogSource[] = L".\\MainWnd";
constexpr wchar_t kSetupIniName[] = L"setup.ini";
constexpr wchar_t kLocalSettingsName[] = L"local.cfg";

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A shortcut outside the folder: an earlier one is kept in the backup folder first.
bool KeepOutsideLink(InstallTransaction& transaction, const std::wstring& path) {
    OutsideLink link;
    link.path = path;
    if (Exists(path)) {
        link.saved = static_cast<uint32_t>(transaction.Journal().integration.links.size() + 1);
    }
    if (!transaction.Record(IntegrationLinkLine(link))) {
        return false;
    }
    return link.saved == 0 || SaveToBackup(transaction.Journal(), path, IntegrationLinkFileName(link.saved));
}

void LogFailed(int line, const wchar_t* what) {
    g_logFile.WriteLog(kLogSource, line, L"系统集成步骤未完成：%s", what);
}

}  // namespace

bool RunSetupIniStep(InstallTransaction& transaction, const std::wstring& target) {
    if (!transaction.KeepTargetFile(kSetupIniName)) {
        return false;
    }
    if (!WriteSetupIni(target)) {
        LogFailed(__LINE__, kSetupIniName);
    }
    return true;
}

bool RunDesktopLinkStep(InstallTransaction& transaction, const std::wstring& target, std::wstring& desktopShortcut) {
    const std::wstring desktop = GetDesktopFolder();
    if (desktop.empty()) {
        return true;  // nothing is made where there is no desktop
    }
    if (!KeepOutsideLink(transaction, desktop + L"\\" + kShortcutFileName)) {
        return false;
    }
    if (!CreateDesktopShortcut(target, desktopShortcut)) {
        LogFailed(__LINE__, L"桌面快捷方式");
    }
    return true;
}

bool RunPinStep(InstallTransaction& transaction, const std::wstring& target, const std::wstring& desktopShortcut) {
    // Without this run's desktop shortcut the pin makes one beside the client for a
    // moment; a run killed then must not leave it there.
    if ((desktopShortcut.empty() || !FileExists(desktopShortcut)) && !transaction.KeepTargetFile(kShortcutFileName)) {
        return false;
    }
    if (!IsClientPinned() && !transaction.Record(IntegrationPinLine())) {
        return false;
    }
    if (!PinClientToTaskbar(target, desktopShortcut)) {
        LogFailed(__LINE__, L"固定到任务栏");
    }
    return true;
}

bool RunStartMenuStep(InstallTransaction& transaction, const std::wstring& target) {
    const std::wstring folder = GetStartMenuProductFolder();
    if (folder.empty()) {
        return true;
    }
    if (!Exists(folder) && !transaction.Record(IntegrationFolderLine(folder))) {
        return false;
    }
    if (!KeepOutsideLink(transaction, folder + L"\\" + kStartShortcutName) ||
        !KeepOutsideLink(transaction, folder + L"\\" + kUninstallShortcutName)) {
        return false;
    }
    if (!CreateStartMenuShortcuts(target + L"\\" + kClientExeName, target + L"\\" + kUninstallerExeName)) {
        LogFailed(__LINE__, L"开始菜单快捷方式");
    }
    return true;
}

bool RunUninstallStep(InstallTransaction& transaction,
                      const std::wstring& target,
                      const std::wstring& desktopShortcut) {
    bool keyExisted = false;
    std::vector<EarlierValue> values;
    if (!ReadEarlierUninstall(&keyExisted, &values)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"卸载信息无法读取，无法记录原值");
        return false;
    }
    if (!transaction.Record(IntegrationUninstallLine(keyExisted))) {
        return false;
    }
    if (keyExisted) {
        for (const EarlierValue& value : values) {
            if (!transaction.Record(IntegrationValueLine(value))) {
                return false;
            }
        }
    }
    if (!RegisterUninstall(target, desktopShortcut)) {
        LogFailed(__LINE__, L"卸载信息");
    }
    return true;
}

bool RunAutostartStep(InstallTransaction& transaction, const std::wstring& target, bool enabled) {
    std::wstring definition;
    const TaskPresence earlier = ReadTaskDefinition(kAutostartTaskName, &definition);
    if (earlier == TaskPresence::Unknown) {
        // The scheduler cannot be asked: the task cannot be changed either, and "powerup"
        // stays as it was, as after any failed autostart step.
        LogFailed(__LINE__, L"开机启动（任务计划程序不可用）");
        return true;
    }
    if (!transaction.KeepTargetFile(kLocalSettingsName)) {
        return false;
    }
    if (earlier == TaskPresence::Present) {
        const std::string bytes(reinterpret_cast<const char*>(definition.data()), definition.size() * sizeof(wchar_t));
        if (!transaction.Record(IntegrationTaskLine(EarlierTask::Saved)) ||
            !SaveBytesToBackup(transaction.Journal(), bytes, kIntegrationTaskFileName)) {
            return false;
        }
    } else if (!transaction.Record(IntegrationTaskLine(EarlierTask::Absent))) {
        return false;
    }
    if (!ApplyAutostartOption(target, enabled)) {
        LogFailed(__LINE__, L"开机启动");
    }
    return true;
}
