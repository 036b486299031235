#pragma once
// The text rules behind the proposed install directory and the location check. Pure
// logic, so it builds and is checked on the host too.

#include <string>

inline constexpr wchar_t kDefaultInstallSubdir[] = L"\\Program Files (x86)\\varlo";
// Appended to a chosen folder that already holds other files, and to the folder picked in
// the dialog, so the client gets a directory of its own.
inline constexpr wchar_t kOwnFolderSuffix[] = L"\\varlo";
// Directories of an earlier install longer than this are not proposed (the field that
// always held them has room for 1023 characters).
inline constexpr size_t kMaxEarlierDirLength = 1023;

// The drive of the system directory (its first piece up to "\") + kDefaultInstallSubdir:
// the default only when the system cannot name its folder for 32-bit programs.
std::wstring DefaultInstallDir(const std::wstring& systemDirectory);

// The default below the system's folder for 32-bit programs ("Program Files" on 32-bit
// Windows, "Program Files (x86)" on 64-bit Windows): that folder + "\varlo".
std::wstring DefaultInstallDirIn(const std::wstring& programFilesFolder);

// The directory of an earlier install from its registered uninstall command: the value,
// without the quotes that a path with a blank is written in, less its last component and
// the separator before it. Empty when the value has no separator, no directory part, or
// one that does not fit.
std::wstring EarlierInstallDir(const std::wstring& uninstallString);

// The typed path as the install uses it: "/" taken as "\", and separators at the end
// dropped (a drive root keeps its one). Empty when it is no full drive path "X:\...": a
// relative or drive-relative one ("varlo", "D:varlo", "\varlo"), a network, device or
// "\\?\" path, or one with a character no name may hold.
std::wstring UsableInstallPath(const std::wstring& typed);

// True when the installer runs from below a "\Favorites\" folder (exact case).
bool IsFavoritesLocation(const std::wstring& installerDirectory);
