// Host stand-ins: names in the "ANSI code page" are read as Latin-1, local time is UTC.
#include "zip/ZipPlatform.h"

#include <unistd.h>

#include <climits>

#include "util/Utf8.h"

namespace {

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

}  // namespace

bool DecodeEntryName(const std::string& raw, bool utf8, std::wstring* name) {
    if (utf8) {
        return DecodeUtf8(raw.data(), raw.size(), Utf8Errors::Refuse, name);
    }
    name->clear();
    for (char c : raw) {
        name->push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return true;
}

bool EncodeLookupName(const std::wstring& name, std::string* raw) {
    raw->clear();
    for (wchar_t c : name) {
        if (static_cast<uint32_t>(c) > 0xFF) {
            return false;
        }
        raw->push_back(static_cast<char>(c));
    }
    return true;
}

uint64_t LocalTimeToFileTime(int year, int month, int day, int hour, int minute, int second) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1601 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59 || hour < 0 ||
        minute < 0 || second < 0) {
        return 0;
    }
    int monthDays = kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    if (day > monthDays) {
        return 0;
    }
    int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - DaysFromCivil(1601, 1, 1);
    int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return static_cast<uint64_t>(seconds) * 10000000u;
}

std::wstring CurrentDirectoryPath() {
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof(buffer))) {
        return std::wstring();
    }
    std::wstring path;
    if (!DecodeEntryName(buffer, true, &path)) {
        return std::wstring();
    }
    return path;
}
