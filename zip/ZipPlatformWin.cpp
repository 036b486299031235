#include "zip/ZipPlatform.h"

#include <windows.h>

#include <optional>
#include <utility>

#include "util/TextConv.h"

bool DecodeEntryName(const std::string& raw, bool utf8, std::wstring* name) {
    std::optional<std::wstring> decoded = utf8 ? Utf8ToWide(raw) : AnsiToWide(raw);
    if (!decoded) {
        return false;
    }
    *name = std::move(*decoded);
    return true;
}

bool EncodeLookupName(const std::wstring& name, std::string* raw) {
    std::optional<std::string> encoded = WideToAnsi(name);
    if (!encoded) {
        return false;
    }
    *raw = std::move(*encoded);
    return true;
}

uint64_t LocalTimeToFileTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59) {
        return 0;
    }
    SYSTEMTIME local = {};
    local.wYear = static_cast<WORD>(year);
    local.wMonth = static_cast<WORD>(month);
    local.wDay = static_cast<WORD>(day);
    local.wHour = static_cast<WORD>(hour);
    local.wMinute = static_cast<WORD>(minute);
    local.wSecond = static_cast<WORD>(second);
    FILETIME localTime;
    FILETIME utc;
    if (!::SystemTimeToFileTime(&local, &localTime) || !::LocalFileTimeToFileTime(&localTime, &utc)) {
        return 0;
    }
    return (static_cast<uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
}

std::wstring CurrentDirectoryPath() {
    wchar_t buffer[MAX_PATH];
    DWORD length = ::GetCurrentDirectoryW(MAX_PATH, buffer);
    if (length == 0 || length >= MAX_PATH) {
        return std::wstring();
    }
    return std::wstring(buffer, length);
}
