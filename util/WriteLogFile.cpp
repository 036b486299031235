#include "util/WriteLogFile.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cwchar>

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

void WriteUnits(FILE* file, const wchar_t* text, size_t count) {
    // wchar_t is UTF-16LE on Windows, so the units go to disk as they are.
    if (count) {
        std::fwrite(text, sizeof(wchar_t), count, file);
    }
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
    if (size > static_cast<long long>(maxSizeKiB) * 1024 || size == 0) {
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

void CWriteLogFile::Append(const wchar_t* sourceFile, int line, const wchar_t* message, size_t length) {
    ScopedLock guard(lock_);
    try {
        const unsigned size = static_cast<unsigned>(GetLogFileSize(path_));
        if (size > static_cast<unsigned long long>(maxSizeKiB_) * 1024) {
            ::DeleteFileW(path_.c_str());
        }
        const bool existed = ::GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
        UniqueFile file(_wfopen(path_.c_str(), L"ab+"));
        if (!file) {
            return;
        }
        if (!existed) {
            static const unsigned char kBom[2] = {0xFF, 0xFE};
            std::fwrite(kBom, 1, sizeof(kBom), file.get());
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
        WriteUnits(file.get(), frame.data(), frame.size());
        WriteUnits(file.get(), message, length);
        WriteUnits(file.get(), L"\r\n", 2);
    } catch (...) {
    }
}
