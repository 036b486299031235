#pragma once
// The installer's work folder below the user's temporary folder ("varloSetup": the log and
// the package cache). The temporary folder belongs to the user, so anything the user runs
// could plant a link or a folder of its own there before the elevated installer writes.
// The work folder is therefore the installer's own: Administrators own it, SYSTEM and
// Administrators have full control and Users may only read.

#include <optional>
#include <string>

// The rights of the work folder, as SDDL.
extern const wchar_t kWorkFolderSddl[];

// Makes `dir` (no trailing separator) the installer's own: kept when it already is; a
// folder with other rights is taken over through a handle that follows no link (owner,
// rights, and everything inside reset to inherit them), and when that cannot be done, or
// a link or junction stands there (never followed), it is renamed aside and the folder
// made again. Holds it for the rest of the process so that it
// cannot be renamed and replaced. The folder in use, ending in a separator: `dir`, or a
// fresh one beside it when the name cannot be freed; nothing when neither can be made.
std::optional<std::wstring> PrepareWorkFolder(const std::wstring& dir);
