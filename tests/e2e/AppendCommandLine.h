#pragma once
// The end-to-end stand-ins record how they were started: their command line, appended as a
// UTF-16 line to a file.

#include <windows.h>

#include <string>

inline bool AppendCommandLine(const std::wstring& recordPath) {
    HANDLE file = ::CreateFileW(recordPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const std::wstring line = std::wstring(::GetCommandLineW()) + L"\n";
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(file, line.c_str(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(file);
    return ok != FALSE;
}
