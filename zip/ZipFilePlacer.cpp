#include "zip/ZipFilePlacer.h"

#include <atomic>

#include "zip/Unzip.h"

namespace {

void SystemPause(uint32_t milliseconds) {
    ::Sleep(milliseconds);
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

}  // namespace

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

bool ZipFilePlacer::Place(const std::wstring& temporary, const std::wstring& target) {
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
        if (attempt >= kMoveAttempts || !MayPass(error)) {
            if (original != INVALID_FILE_ATTRIBUTES && existing != INVALID_FILE_ATTRIBUTES) {
                // The earlier version stays as it was.
                ::SetFileAttributesW(target.c_str(), original);
            }
            return false;
        }
        g_pause.load()(kRetryPauseMilliseconds);
    }
}
