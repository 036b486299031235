#include "util/WriteLogFile.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cwchar>

#include "util/FileUtil.h"
#include "util/UniqueHandle.h"

CWriteLogFile g_logFile;
std::wstring g_logDir;

namespace {

constexpr size_t kFormatBufferChars = 10240;

class ScopedLock {
  public:
    explicit ScopedLock(CRITICAL_SECTION& cs) : cs_(cs) { ::EnterCriticalSection(&cs_); }
    ~ScopedLock() { ::LeaveCriticalSection(&cs_); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

  private:
    CRITICAL_SECTION& cs_;
};

void WriteUnits(HANDLE file, const void* bytes, size_t count) {
    DWORD written = 0;
    if (count) {
        ::WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr);
    }
}

bool IsReparsePoint(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The log lives in a folder the user can write to and is written by an elevated process:
// a link planted there (to the file, or the folder made a junction) must not turn a log
// line into a write, or a delete, somewhere else.
bool IsPlantedLink(const std::wstring& path) {
    const std::wstring parent = GetParentPart(path);
    return IsReparsePoint(path) || (!parent.empty() && IsReparsePoint(parent));
}

}  // namespace

CWriteLogFile::CWriteLogFile() {
    ::InitializeCriticalSection(&lock_);
}

CWriteLogFile::~CWriteLogFile() {
    ::DeleteCriticalSection(&lock_);
}

int CWriteLogFile::GetLogFileSize(const std::wstring& path) {
    ScopedLock guard(lock_);
    int size = 0;
    try {
        UniqueFile file(_wfopen(path.c_str(), L"r"));
        if (file && _fseeki64(file.get(), 0, SEEK_END) == 0) {
            const long long length = _ftelli64(file.get());
            // A file past 2 GiB must still count as "over the limit", not wrap negative.
            size = length < 0 ? 0 : (length > INT_MAX ? INT_MAX : static_cast<int>(length));
        }
    } catch (...) {
    }
    return size;
}

void CWriteLogFile::SetLogFile(const std::wstring& path, int maxSizeKiB) {
    const int size = GetLogFileSize(path);
    if ((size > static_cast<long long>(maxSizeKiB) * 1024 || size == 0) && !IsPlantedLink(path)) {
        ::DeleteFileW(path.c_str());
    }
    path_ = path;
    maxSizeKiB_ = maxSizeKiB;
}

void CWriteLogFile::WriteLog(const wchar_t* sourceFile, int line, const wchar_t* format, ...) {
    if (!enabled_) {
        return;
    }
    wchar_t message[kFormatBufferChars] = {};
    va_list args;
    va_start(args, format);
    // The runtime's own _vsnwprintf keeps %s meaning a wide string in a wide format; a
    // message that does not fit is cut at 10,239 characters, never dropped.
    _vsnwprintf(message, kFormatBufferChars - 1, format ? format : L"", args);
    va_end(args);
    message[kFormatBufferChars - 1] = L'\0';
    Append(sourceFile, line, message, std::wcslen(message));
}

void CWriteLogFile::WriteLogText(const wchar_t* sourceFile, int line, const std::wstring& text) {
    if (!enabled_) {
        return;
    }
    Append(sourceFile, line, text.data(), text.size());
}

void CWriteLogFile::TryWriteLogText(const wchar_t* sourceFile, int line, const std::wstring& text) {
    if (!enabled_ || !::TryEnterCriticalSection(&lock_)) {
        return;
    }
    // The lock is recursive: Append takes it once more.
    Append(sourceFile, line, text.data(), text.size());
    ::LeaveCriticalSection(&lock_);
}

void CWriteLogFile::Append(const wchar_t* sourceFile, int line, const wchar_t* message, size_t length) {
    ScopedLock guard(lock_);
    try {
        if (IsPlantedLink(path_)) {
            return;
        }
        const unsigned size = static_cast<unsigned>(GetLogFileSize(path_));
        if (size > static_cast<unsigned long long>(maxSizeKiB_) * 1024) {
            ::DeleteFileW(path_.c_str());
        }
        // Opened without following a link that appeared since the check, and refused when
        // it is one or has other names (a hard link to someone else's file).
        UniqueKernelHandle file(::CreateFileW(path_.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                                              nullptr, OPEN_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file) {
            return;
        }
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file.get(), &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || info.nNumberOfLinks > 1) {
            return;
        }
        // An empty file needs the mark, whether just created or left empty; its size tells.
        if (info.nFileSizeHigh == 0 && info.nFileSizeLow == 0) {
            static const unsigned char kBom[2] = {0xFF, 0xFE};
            WriteUnits(file.get(), kBom, sizeof(kBom));
        }
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        wchar_t stamp[64] = {};
        _snwprintf(stamp, 63, L"[%04d-%02d-%02d %02d:%02d:%02d][", now.wYear, now.wMonth, now.wDay, now.wHour,
                   now.wMinute, now.wSecond);
        std::wstring frame = stamp;
        frame += sourceFile ? sourceFile : L"";
        frame += L' ';
        frame += std::to_wstring(line);
        frame += L']';
        // wchar_t is UTF-16LE on Windows, so the units go to disk as they are.
        WriteUnits(file.get(), frame.data(), frame.size() * sizeof(wchar_t));
        WriteUnits(file.get(), message, length * sizeof(wchar_t));
        WriteUnits(file.get(), L"\r\n", 2 * sizeof(wchar_t));
    } catch (...) {
    }
}
