#pragma once
// The entry in the system's list of installed programs. The uninstaller itself arrives
// with the client package; the entry only points at it. A later run of the installer
// reads "UninstallString" back to propose the previous install directory.

#include <string>

// Below HKEY_LOCAL_MACHINE in the process's own registry view (the 32-bit one on 64-bit
// Windows).
inline constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varlo加速器";

// Creates or opens the key and sets "DisplayName", "UninstallString" (quoted when the path
// holds a blank), "DisplayIcon" and "DisplayShortcut" (empty when no desktop shortcut was
// made). Other values of the key
// are left alone. True when the key opened and all four values were written.
[[nodiscard]] bool RegisterUninstall(const std::wstring& installDir, const std::wstring& desktopShortcutPath);
