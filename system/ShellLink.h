#pragma once
// Shortcuts (.lnk files) to the installed client and its uninstaller.

#include <string>

// Saves a shell link at `linkPath` whose target is `targetPath`, replacing an existing
// file. Only the target is set: the shell derives working directory and icon from it.
// True only when the link was saved.
[[nodiscard]] bool CreateShellLink(const std::wstring& targetPath, const std::wstring& linkPath);

// File-system path of the shell's desktop folder; empty when it cannot be resolved.
std::wstring GetDesktopFolder();

// Makes the desktop shortcut to the client in `installedDir`. On success sets
// `desktopShortcutPath` to the shortcut's full path and returns true; otherwise leaves it
// untouched, so it names only a shortcut that exists.
[[nodiscard]] bool CreateDesktopShortcut(const std::wstring& installedDir, std::wstring& desktopShortcutPath);

// The start-menu folder "Varlo加速器" of the current user with a start shortcut to
// `clientExe` and an uninstall shortcut to `uninstallerExe`; existing ones are replaced.
// True when the folder exists and both shortcuts were saved.
[[nodiscard]] bool CreateStartMenuShortcuts(const std::wstring& clientExe, const std::wstring& uninstallerExe);

// The start-menu folder the shortcuts go to; empty when the user has no start menu.
std::wstring GetStartMenuProductFolder();
