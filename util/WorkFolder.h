#pragma once
// The installer's work folder below the user's temporary folder ("varloSetup": the log and
// the package cache). The temporary folder belongs to the user, so anything the user runs
// could plant a link or a folder of its own there before the elevated installer writes.
// The work folder is therefore the installer's own: Administrators own it, SYSTEM and
// Administrators have full control and nobody else may even read it (the log holds the
// machine's identity).

#include <optional>
#include <string>

// The rights of the work folder, as SDDL.
extern const wchar_t kWorkFolderSddl[];

// Makes `dir` (no trailing separator) the installer's own: kept when it already is (an
// earlier version's, which let Users read, is closed to them through a handle that follows
// no link); a folder that someone else owns or may write into, a link or a junction (never
// followed) is renamed aside whole and the folder made again: whatever it holds was not
// written by the installer. Holds it for the rest of the process so that it
// cannot be renamed and replaced. The folder in use, ending in a separator: `dir`, or a
// fresh one beside it when the name cannot be freed; nothing when neither can be made.
std::optional<std::wstring> PrepareWorkFolder(const std::wstring& dir);
