#include "system/ShellLink.h"

#include <windows.h>
#include <shlobj.h>

#include "system/ProductNames.h"
#include "util/ComPtr.h"
#include "util/FileUtil.h"

namespace {
// The target path is kept in a buffer of this size by the code that reads it back.
constexpr size_t kMaxTargetLength = 1023;
}  // namespace

bool CreateShellLink(const std::wstring& targetPath, const std::wstring& linkPath) {
    ScopedComInit com;
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                                  link.put_void()))) {
        return false;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link.As(file))) {
        return false;
    }
    if (FAILED(link->SetPath(targetPath.c_str()))) {
        return false;
    }
    // TRUE: the saved file becomes the link's own, as a fresh save should.
    return SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

std::wstring GetDesktopFolder() {
    PIDLIST_ABSOLUTE items = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &items)) || !items) {
        return std::wstring();
    }
    wchar_t path[MAX_PATH] = {};
    const BOOL resolved = ::SHGetPathFromIDListW(items, path);
    ::CoTaskMemFree(items);
    return resolved ? std::wstring(path) : std::wstring();
}

bool CreateDesktopShortcut(const std::wstring& installedDir, std::wstring& desktopShortcutPath) {
    const std::wstring target = installedDir + L"\\" + kClientExeName;
    if (target.size() > kMaxTargetLength) {
        return false;
    }
    const std::wstring desktop = GetDesktopFolder();
    if (desktop.empty()) {
        return false;
    }
    const std::wstring link = desktop + L"\\" + kShortcutFileName;
    if (!CreateShellLink(target, link)) {
        return false;
    }
    desktopShortcutPath = link;
    return true;
}

std::wstring GetStartMenuProductFolder() {
    wchar_t startMenu[MAX_PATH] = {};
    // Not created when missing: a user without a start menu gets no start-menu entries.
    if (::SHGetFolderPathW(nullptr, CSIDL_STARTMENU, nullptr, SHGFP_TYPE_CURRENT, startMenu) != S_OK) {
        return std::wstring();
    }
    return std::wstring(startMenu) + L"\\" + kProductName;
}

bool CreateStartMenuShortcuts(const std::wstring& clientExe, const std::wstring& uninstallerExe) {
    const std::wstring folder = GetStartMenuProductFolder();
    if (folder.empty() || !CreateDirectoryRecursive(folder)) {
        return false;
    }
    const bool start = CreateShellLink(clientExe, folder + L"\\" + kStartShortcutName);
    const bool uninstall = CreateShellLink(uninstallerExe, folder + L"\\" + kUninstallShortcutName);
    return start && uninstall;
}
