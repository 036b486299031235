#pragma once
// Path and file-system queries shared by the window, the worker and the integration code.

#include <windows.h>

#include <string>

// Creates every missing directory of `path`; true when it exists afterwards.
bool CreateDirectoryRecursive(const std::wstring& path);
// True for any existing file or directory; false for an empty path.
bool FileExists(const std::wstring& path);
// True when `directory` holds nothing but "." and ".."; on a search that cannot start,
// false with `errorText` (if given) naming the pattern.
bool IsFolderEmpty(const std::wstring& directory, std::wstring* errorText);
// Drive and directory of `module` (null: the running exe), ending in a separator; empty
// when the name cannot be had or does not fit.
std::wstring GetModuleDirectory(HMODULE module);
// The text after the last "/" or "\", or the whole text.
std::wstring GetFileNamePart(const std::wstring& path);
// The text before the last "/" or "\"; empty when there is none.
std::wstring GetParentPart(const std::wstring& path);

// Where an open file or folder really is, in the system's own spelling; empty when it
// cannot be had.
std::wstring FinalPathOf(HANDLE object);
// True when the open `entry` is the entry `name` of the open `folder`: no link, junction
// or other name on the way led it anywhere else.
bool IsEntryOfFolder(HANDLE entry, HANDLE folder, const std::wstring& name);
