#pragma once
// The downloaded package on disk, held from the moment it is created (or a cached copy is
// checked) until the install worker has extracted it. The package lives below the user's
// temporary folder, which any process of the user can write: the file is created so that
// it cannot follow a planted link, is only ever opened with a handle that lets nobody else
// write, rename or delete it, and its digest is taken over the bytes that handle reads.

#include <windows.h>

#include <atomic>
#include <string>

#include "util/UniqueHandle.h"

class PackageFile {
  public:
    // Tells whether an opened folder of the package path may be used. Tests replace it to
    // stand for a junction, which Wine cannot create; null restores the check of the
    // handle's attributes.
    using FolderProbe = bool (*)(HANDLE folder, const std::wstring& path);
    static void SetFolderProbe(FolderProbe probe);

    // Opens an existing package for reading, shared for reading only. Invalid when it is
    // missing, cannot be opened that way, or is a link or other reparse point.
    [[nodiscard]] static UniqueKernelHandle OpenExisting(const std::wstring& path);
    // Opens an existing file of the cache folder (a partial package, its record) as
    // OpenExisting does, with the same checks; `writable` adds write and delete access
    // (others may still only read).
    [[nodiscard]] static UniqueKernelHandle OpenHeld(const std::wstring& path, bool writable);
    // Makes the package's folder and the one above it (the "cache" and the log folder)
    // when missing, refuses either when it is a link or junction, removes an earlier file
    // of the name and creates a new one, never opening what is already there. The handle
    // can read, write and delete; others may only read. Invalid on failure.
    [[nodiscard]] static UniqueKernelHandle CreateNew(const std::wstring& path);
    // Lowercase hex MD5 of the whole file read through `file` from its start; empty when
    // a read fails or `cancel` (may be null) is set between reads.
    [[nodiscard]] static std::string Digest(HANDLE file, const std::atomic<bool>* cancel = nullptr);
    // Marks a file made by CreateNew for deletion; it goes when its handle is closed.
    static bool DeleteOnClose(HANDLE file);
};
