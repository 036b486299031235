#pragma once
// Puts an extracted file in place. Each file is written under a temporary name beside its
// target and moved over the target only once its data checked out, so a failed or
// cancelled extraction never leaves a broken file where a good one was. A virus scanner
// often holds a file it has just seen for a moment, so a refused move is retried a few
// times, about a second apart, before it counts as a failure; a cancel cuts the waiting
// short.

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "util/UniqueHandle.h"

class ZipFilePlacer {
  public:
    static constexpr int kMoveAttempts = 4;
    static constexpr uint32_t kRetryPauseMilliseconds = 1000;

    // Waits up to `milliseconds`, returning early once `cancel` (when given) is set.
    using PauseFunction = void (*)(uint32_t milliseconds, const std::atomic<bool>* cancel);
    // Tests replace the pause between attempts so they do not wait; null restores the
    // system's wait.
    static void SetPause(PauseFunction pause);

    // One call of the system's file write; tests put a full disk in its place. Null
    // restores WriteFile.
    using WriteFunction = BOOL (*)(HANDLE file, const void* data, DWORD size, DWORD* written);
    static void SetWrite(WriteFunction write);

    // Writes all of `data` to `file`; false as soon as a write fails or writes nothing.
    [[nodiscard]] static bool WriteAll(HANDLE file, const uint8_t* data, size_t size);

    // Creates a new, unshared temporary file in `directory` (which ends in a separator),
    // open for writing, setting its information and deleting it. The name is fresh, so an
    // existing file or link is never opened. Invalid handle on failure; `path` gets the
    // name on success.
    [[nodiscard]] static UniqueKernelHandle CreateTemporary(const std::wstring& directory, std::wstring* path);

    // Moves the closed file `temporary` over `target`. A target that is a link or other
    // reparse point, or a directory, is refused. False when no attempt succeeded or a
    // cancel ended the retries; the temporary file then still exists and the target is
    // untouched.
    [[nodiscard]] static bool Place(const std::wstring& temporary,
                                    const std::wstring& target,
                                    const std::atomic<bool>* cancel = nullptr);

    enum class Move {
        Moved,
        Absent,   // nothing at `from`
        Refused,  // `from` is a directory, link or other reparse point, or `to` exists
        Held,     // another process keeps `from` open without delete sharing, to the end
        Failed,   // any other error, a cancel included
    };
    // Renames the plain file `from` to `to` on the same volume without following a link at
    // `from`: the file is opened as itself and renamed through that handle, so attributes
    // and times travel with it. `to` must not exist. A refused open is retried as in Place.
    [[nodiscard]] static Move MoveUnfollowed(const std::wstring& from,
                                             const std::wstring& to,
                                             const std::atomic<bool>* cancel);

    // Renames what is at `from` to `to` by name, for a caller that has just seen a plain
    // file there: a rename moves a link itself, never what it points to. `to` must not
    // exist. A refused rename is retried as in Place; Refused only when `to` exists.
    [[nodiscard]] static Move MoveByName(const std::wstring& from,
                                         const std::wstring& to,
                                         const std::atomic<bool>* cancel);

    // Renames whatever `opened` is (a file, or a directory opened with backup semantics)
    // to the full path `to` on the same volume, through the handle; `to` must not exist.
    [[nodiscard]] static bool RenameOpened(HANDLE opened, const std::wstring& to);

    // Deletes the plain file `path` (read-only too) without following a link there; true
    // when nothing is left at `path`. A refused open is retried as in Place.
    [[nodiscard]] static bool DeleteUnfollowed(const std::wstring& path, const std::atomic<bool>* cancel);

    // The same two for names one level below held folders (see HeldDirectory.h), so that
    // nothing is looked up again by a path through folders someone else could swap.
    [[nodiscard]] static bool DeleteBelow(HANDLE parent, const std::wstring& name, const std::atomic<bool>* cancel);
    [[nodiscard]] static Move MoveBelow(HANDLE fromParent,
                                        const std::wstring& fromName,
                                        HANDLE toParent,
                                        const std::wstring& toName,
                                        const std::atomic<bool>* cancel);

    // Deletes the plain file `file` opened with delete access, read-only too; false for a
    // directory or a link.
    [[nodiscard]] static bool DeleteOpened(HANDLE file);
};
