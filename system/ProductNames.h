#pragma once
// Names the install leaves in the system. The installed client, its uninstaller and the
// client's own tools look for exactly these, so they never change between versions.

inline constexpr wchar_t kProductName[] = L"Varlo加速器";
inline constexpr wchar_t kClientExeName[] = L"vljiasu.exe";
inline constexpr wchar_t kUninstallerExeName[] = L"unins000.exe";
// File name of the desktop shortcut, and of the one pinned to the taskbar.
inline constexpr wchar_t kShortcutFileName[] = L"Varlo加速器.lnk";
// The two shortcuts in the start-menu folder.
inline constexpr wchar_t kStartShortcutName[] = L"启动Varlo加速器.lnk";
inline constexpr wchar_t kUninstallShortcutName[] = L"卸载Varlo加速器.lnk";
inline constexpr wchar_t kAutostartTaskName[] = L"vljsqRun";
