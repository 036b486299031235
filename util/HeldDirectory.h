#pragma once
// Folders held open while something is done inside them by name. A folder is opened as
// itself (a link or junction there is opened, never followed) and held without delete
// sharing, so nobody can rename it away and put a link in its place until it is closed;
// what lies inside is then opened relative to that handle, never by a path that is looked
// up again through folders someone else may change.

#include <windows.h>

#include <string>
#include <vector>

#include "util/UniqueHandle.h"

// Opens the folder at the full path `path` to be held; invalid when it cannot be opened,
// with the system's error in `error`. Whether it is a plain folder is the caller's check.
[[nodiscard]] UniqueKernelHandle OpenHeldDirectory(const std::wstring& path, DWORD* error);

// Opens `name`, one level below the held folder `parent`, without following a link at
// `name`: a folder to be held as above when `directory`, else anything there (a file, a
// folder or a link) for renaming or deleting. Invalid on failure, with the system's error
// in `error`.
[[nodiscard]] UniqueKernelHandle OpenBelow(HANDLE parent, const std::wstring& name, bool directory, DWORD* error);

// Opens the file `name` one level below the held folder `parent` for reading, as itself
// (a link there is opened, never followed: the caller checks what it got).
[[nodiscard]] UniqueKernelHandle OpenFileBelowForReading(HANDLE parent, const std::wstring& name, DWORD* error);

// Renames what `opened` is (opened with delete access) to `name` in the held folder
// `parent`, which must not exist there yet; false with the system's error as the last
// error.
[[nodiscard]] bool RenameBelow(HANDLE opened, HANDLE parent, const std::wstring& name);

struct HeldEntry {
    std::wstring name;
    DWORD attributes = 0;
};
// What the held folder `directory` holds, "." and ".." left out; false when it cannot be
// listed (what was read so far is in `entries`).
[[nodiscard]] bool ListHeldDirectory(HANDLE directory, std::vector<HeldEntry>* entries);

// A folder that is no link, junction or other reparse point.
[[nodiscard]] bool IsPlainDirectoryHandle(HANDLE opened);
