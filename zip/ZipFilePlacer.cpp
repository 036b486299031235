#include "zip/ZipFilePlacer.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "util/HeldDirectory.h"
#include "zip/Unzip.h"

namespace {

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

// Sleeps in short slices, so a cancel is seen within a twentieth of a second.
void SystemPause(uint32_t milliseconds, const std::atomic<bool>* cancel) {
    constexpr DWORD kSlice = 50;
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (Cancelled(cancel) || elapsed >= milliseconds) {
            return;
        }
        ::Sleep(milliseconds - elapsed < kSlice ? milliseconds - elapsed : kSlice);
    }
}

BOOL SystemWrite(HANDLE file, const void* data, DWORD size, DWORD* written) {
    return ::WriteFile(file, data, size, written, nullptr);
}

std::atomic<ZipFilePlacer::PauseFunction> g_pause{&SystemPause};
std::atomic<ZipFilePlacer::WriteFunction> g_write{&SystemWrite};
std::atomic<uint32_t> g_sequence{0};

// Errors a scanner or indexer holding the target produces; anything else will not go away
// by waiting.
bool MayPass(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// Opens something itself, a link too, never what it points to, for renaming or deleting,
// through `open`; a refused open is retried while waiting can help. Invalid handle on
// failure, with the last error of the last attempt in `error`.
template <typename Open>
UniqueKernelHandle OpenRetrying(const Open& open, const std::atomic<bool>* cancel, DWORD* error) {
    for (int attempt = 1;; ++attempt) {
        UniqueKernelHandle file = open(error);
        if (file) {
            return file;
        }
        if (attempt >= ZipFilePlacer::kMoveAttempts || !MayPass(*error) || Cancelled(cancel)) {
            return UniqueKernelHandle();
        }
        g_pause.load()(ZipFilePlacer::kRetryPauseMilliseconds, cancel);
        if (Cancelled(cancel)) {
            return UniqueKernelHandle();
        }
    }
}

UniqueKernelHandle OpenUnfollowed(const std::wstring& path, const std::atomic<bool>* cancel, DWORD* error) {
    return OpenRetrying(
        [&path](DWORD* openError) {
            // Directories open too (backup semantics), so they are refused below instead
            // of being retried as if someone held them.
            UniqueKernelHandle file(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING,
                                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            *openError = file ? ERROR_SUCCESS : ::GetLastError();
            return file;
        },
        cancel, error);
}

UniqueKernelHandle OpenUnfollowedBelow(HANDLE parent,
                                       const std::wstring& name,
                                       const std::atomic<bool>* cancel,
                                       DWORD* error) {
    return OpenRetrying([parent, &name](DWORD* openError) { return OpenBelow(parent, name, false, openError); }, cancel,
                        error);
}

bool IsPlainFile(HANDLE file, DWORD* attributes) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info)) {
        return false;
    }
    *attributes = info.dwFileAttributes;
    return !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

bool ZipFilePlacer::RenameOpened(HANDLE file, const std::wstring& to) {
    // The name is taken terminated; the structure's own one-character array holds it.
    std::vector<uint8_t> buffer(sizeof(FILE_RENAME_INFO) + to.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(to.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, to.c_str(), (to.size() + 1) * sizeof(wchar_t));
    return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}

void ZipFilePlacer::SetPause(PauseFunction pause) {
    g_pause = pause != nullptr ? pause : &SystemPause;
}

void ZipFilePlacer::SetWrite(WriteFunction write) {
    g_write = write != nullptr ? write : &SystemWrite;
}

bool ZipFilePlacer::WriteAll(HANDLE file, const uint8_t* data, size_t size) {
    const WriteFunction write = g_write.load();
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!write(file, data, chunk, &written) || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

UniqueKernelHandle ZipFilePlacer::CreateTemporary(const std::wstring& directory, std::wstring* path) {
    static constexpr int kNameAttempts = 16;
    const uint32_t process = ::GetCurrentProcessId();
    for (int i = 0; i < kNameAttempts; ++i) {
        wchar_t name[24];
        const uint32_t unique = (process << 16) ^ (g_sequence.fetch_add(1) * 2654435761u) ^ ::GetTickCount();
        ::wsprintfW(name, L"~vz%08X.tmp", unique);
        std::wstring candidate = directory + name;
        if (candidate.size() >= kZipMaxPath) {
            return UniqueKernelHandle();
        }
        // CREATE_NEW never opens what is already there, a planted link included.
        UniqueKernelHandle file(::CreateFileW(candidate.c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES | DELETE, 0,
                                              nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            *path = std::move(candidate);
            return file;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return UniqueKernelHandle();
        }
    }
    return UniqueKernelHandle();
}

bool ZipFilePlacer::Place(const std::wstring& temporary, const std::wstring& target, const std::atomic<bool>* cancel) {
    const DWORD original = ::GetFileAttributesW(target.c_str());
    for (int attempt = 1;; ++attempt) {
        const DWORD existing = attempt == 1 ? original : ::GetFileAttributesW(target.c_str());
        if (existing != INVALID_FILE_ATTRIBUTES) {
            if (existing & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) {
                return false;
            }
            // A read-only or hidden file in the way would refuse to be replaced.
            if (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
                ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
            }
        }
        if (::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            return true;
        }
        const DWORD error = ::GetLastError();
        if (attempt >= kMoveAttempts || !MayPass(error) || Cancelled(cancel)) {
            if (original != INVALID_FILE_ATTRIBUTES && existing != INVALID_FILE_ATTRIBUTES) {
                // The earlier version stays as it was.
                ::SetFileAttributesW(target.c_str(), original);
            }
            return false;
        }
        g_pause.load()(kRetryPauseMilliseconds, cancel);
    }
}

ZipFilePlacer::Move ZipFilePlacer::MoveUnfollowed(const std::wstring& from,
                                                  const std::wstring& to,
                                                  const std::atomic<bool>* cancel) {
    DWORD error = 0;
    UniqueKernelHandle file = OpenUnfollowed(from, cancel, &error);
    if (!file) {
        if (IsMissing(error)) {
            return Move::Absent;
        }
        return MayPass(error) && !Cancelled(cancel) ? Move::Held : Move::Failed;
    }
    DWORD attributes = 0;
    if (!IsPlainFile(file.get(), &attributes)) {
        return Move::Refused;
    }
    if (RenameOpened(file.get(), to)) {
        return Move::Moved;
    }
    error = ::GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Move::Refused : Move::Failed;
}

ZipFilePlacer::Move ZipFilePlacer::MoveByName(const std::wstring& from,
                                              const std::wstring& to,
                                              const std::atomic<bool>* cancel) {
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(), 0)) {
            return Move::Moved;
        }
        const DWORD error = ::GetLastError();
        if (IsMissing(error)) {
            return Move::Absent;
        }
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
            return Move::Refused;
        }
        if (!MayPass(error) || Cancelled(cancel)) {
            return Move::Failed;
        }
        if (attempt >= kMoveAttempts) {
            return Move::Held;
        }
        g_pause.load()(kRetryPauseMilliseconds, cancel);
        if (Cancelled(cancel)) {
            return Move::Failed;
        }
    }
}

bool ZipFilePlacer::DeleteUnfollowed(const std::wstring& path, const std::atomic<bool>* cancel) {
    DWORD error = 0;
    UniqueKernelHandle file = OpenUnfollowed(path, cancel, &error);
    return file ? DeleteOpened(file.get()) : IsMissing(error);
}

bool ZipFilePlacer::DeleteBelow(HANDLE parent, const std::wstring& name, const std::atomic<bool>* cancel) {
    DWORD error = 0;
    UniqueKernelHandle file = OpenUnfollowedBelow(parent, name, cancel, &error);
    return file ? DeleteOpened(file.get()) : IsMissing(error);
}

ZipFilePlacer::Move ZipFilePlacer::MoveBelow(HANDLE fromParent,
                                             const std::wstring& fromName,
                                             HANDLE toParent,
                                             const std::wstring& toName,
                                             const std::atomic<bool>* cancel) {
    DWORD error = 0;
    UniqueKernelHandle file = OpenUnfollowedBelow(fromParent, fromName, cancel, &error);
    if (!file) {
        if (IsMissing(error)) {
            return Move::Absent;
        }
        return MayPass(error) && !Cancelled(cancel) ? Move::Held : Move::Failed;
    }
    DWORD attributes = 0;
    if (!IsPlainFile(file.get(), &attributes)) {
        return Move::Refused;
    }
    if (RenameBelow(file.get(), toParent, toName)) {
        return Move::Moved;
    }
    error = ::GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Move::Refused : Move::Failed;
}

bool ZipFilePlacer::DeleteOpened(HANDLE file) {
    DWORD attributes = 0;
    if (!IsPlainFile(file, &attributes)) {
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        // Through the handle: by name it could land on whatever sits there by then.
        FILE_BASIC_INFO basic = {};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (!::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic))) {
            return false;
        }
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) != 0;
}
