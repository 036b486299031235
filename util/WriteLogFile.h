#pragma once
// The installer's one diagnostic log: UTF-16LE lines appended by any thread through one
// handle held from SetLogFile on, the file cut back to nothing once it grows past its
// limit.

#include <windows.h>

#include <string>

#include "util/UniqueHandle.h"

class CWriteLogFile {
  public:
    CWriteLogFile();
    virtual ~CWriteLogFile();
    CWriteLogFile(const CWriteLogFile&) = delete;
    CWriteLogFile& operator=(const CWriteLogFile&) = delete;

    // Opens (or creates) the file and keeps it open; a file over the limit is cut back to
    // nothing. A link, a file with other names, or a folder that is a link leaves the log
    // closed: its lines are then dropped.
    void SetLogFile(const std::wstring& path, int maxSizeKiB);
    // Length of the file at `path` in bytes; 0 when it cannot be opened.
    int GetLogFileSize(const std::wstring& path);

    // `format` follows the Windows C runtime's wide printf: %s takes a wide string.
    void WriteLog(const wchar_t* sourceFile, int line, const wchar_t* format, ...);
    void WriteLogText(const wchar_t* sourceFile, int line, const std::wstring& text);
    // The same only when the log is free at once: for the last line of a process that is
    // about to end while another thread may be inside the log.
    void TryWriteLogText(const wchar_t* sourceFile, int line, const std::wstring& text);

  private:
    void Append(const wchar_t* sourceFile, int line, const wchar_t* message, size_t length);
    void Open();
    void Truncate();

    std::wstring path_;
    int maxSizeKiB_ = 0;
    bool enabled_ = true;
    CRITICAL_SECTION lock_;
    UniqueKernelHandle folder_;
    UniqueKernelHandle file_;
};

extern CWriteLogFile g_logFile;
