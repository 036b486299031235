#include "util/WriteLogFile.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cwchar>

#include "util/FileUtil.h"
#include "util/UniqueHandle.h"

CWriteLogFile g_logFile;

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

void WriteAtEnd(HANDLE file, const void* bytes, size_t count) {
    LARGE_INTEGER none{};
    DWORD written = 0;
    if (count && ::SetFilePointerEx(file, none, nullptr, FILE_END)) {
        ::WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr);
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
    ScopedLock guard(lock_);
    file_.reset();
    folder_.reset();
    path_ = path;
    maxSizeKiB_ = maxSizeKiB;
    Open();
    LARGE_INTEGER size{};
    if (file_ && ::GetFileSizeEx(file_.get(), &size) && size.QuadPart > static_cast<long long>(maxSizeKiB) * 1024) {
        Truncate();
    }
}

// The log lives in a folder that may be the user's and is written by an elevated process:
// a link planted there (to the file, or the folder made a junction), or a second name for
// someone else's file, must not turn a log line into a write somewhere else. So the file
// is opened once, without following a link, and only written through that handle; its
// folder is held as well, and neither can be renamed while the installer runs.
void CWriteLogFile::Open() {
    const std::wstring folderPath = GetParentPart(path_);
    if (folderPath.empty()) {
        return;
    }
    UniqueKernelHandle folder(::CreateFileW(folderPath.c_str(),
                                            FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder || !::GetFileInformationByHandle(folder.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return;
    }
    // Another installer may log at the same time: both may write, each at the end.
    UniqueKernelHandle file(::CreateFileW(path_.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file || !::GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        info.nNumberOfLinks > 1) {
        return;
    }
    if (!IsEntryOfFolder(file.get(), folder.get(), GetFileNamePart(path_))) {
        return;
    }
    folder_ = std::move(folder);
    file_ = std::move(file);
}

void CWriteLogFile::Truncate() {
    LARGE_INTEGER start{};
    if (::SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN)) {
        ::SetEndOfFile(file_.get());
    }
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
        if (!file_) {
            return;
        }
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(file_.get(), &size)) {
            return;
        }
        if (static_cast<unsigned long long>(size.QuadPart) > static_cast<unsigned long long>(maxSizeKiB_) * 1024) {
            Truncate();
            size.QuadPart = 0;
        }
        std::wstring text;
        // An empty file needs the mark, whether just created or just cut back.
        if (size.QuadPart == 0) {
            text.push_back(static_cast<wchar_t>(0xFEFF));
        }
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        wchar_t stamp[64] = {};
        _snwprintf(stamp, 63, L"[%04d-%02d-%02d %02d:%02d:%02d][", now.wYear, now.wMonth, now.wDay, now.wHour,
                   now.wMinute, now.wSecond);
        text += stamp;
        text += sourceFile ? sourceFile : L"";
        text += L' ';
        text += std::to_wstring(line);
        text += L']';
        text.append(message, length);
        text += L"\r\n";
        // wchar_t is UTF-16LE on Windows, so the units go to disk as they are; one write
        // at the end of the file.
        WriteAtEnd(file_.get(), text.data(), text.size() * sizeof(wchar_t));
    } catch (...) {
    }
}
