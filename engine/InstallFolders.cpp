#include "engine/InstallFolders.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include "engine/InstallDirRules.h"
#include "system/ProductNames.h"
#include "system/UninstallRegistration.h"
#include "util/FileUtil.h"
#include "util/ProcessUtil.h"
#include "util/RegistryUtil.h"
#include "util/WriteLogFile.h"

std::wstring SystemDefaultInstallDir() {
    PWSTR folder = nullptr;
    // "Program Files" on 32-bit Windows, "Program Files (x86)" on 64-bit Windows: the
    // folder a 32-bit program belongs in, wherever the system keeps it.
    const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_ProgramFilesX86, 0, nullptr, &folder);
    std::wstring path = SUCCEEDED(result) && folder != nullptr ? std::wstring(folder) : std::wstring();
    ::CoTaskMemFree(folder);
    if (path.empty()) {
        return DefaultInstallDir(GetSystemDirectoryPath());
    }
    return DefaultInstallDirIn(path);
}

std::wstring RegisteredInstallDir() {
    std::wstring uninstallString;
    if (!ReadRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", REG_SZ, uninstallString)) {
        return std::wstring();
    }
    return EarlierInstallDir(uninstallString);
}

std::wstring ProposedInstallDir() {
    const std::wstring earlier = RegisteredInstallDir();
    return earlier.empty() ? SystemDefaultInstallDir() : earlier;
}

bool FolderHoldsFiles(const std::wstring& dir) {
    std::wstring error;
    return !IsFolderEmpty(dir, &error) && error.empty();
}

std::wstring ConfirmedTargetDir(const std::wstring& dir) {
    if (FolderHoldsFiles(dir) && !FileExists(dir + L"\\" + kClientExeName)) {
        return dir + kOwnFolderSuffix;
    }
    return dir;
}

FolderDecision DecideInstallFolder(const std::wstring& typed, const ReplaceableProbe& replaceable) {
    FolderDecision decision;
    decision.usable = UsableInstallPath(typed);
    if (decision.usable.empty()) {
        return decision;
    }
    decision.holdsFiles = FolderHoldsFiles(decision.usable);
    decision.target = ConfirmedTargetDir(decision.usable);
    decision.replaceable = replaceable(decision.target);
    if (decision.replaceable) {
        g_logFile.WriteLog(
            L".\\InstallFolders", __LINE__,
            decision.TargetIsReplaceable() ? L"安装目录可被其他用户修改[%s]" : L"上级文件夹可被其他用户修改[%s]",
            decision.replaceable->c_str());
    }
    return decision;
}
