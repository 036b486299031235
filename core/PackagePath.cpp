#include "core/PackagePath.h"

namespace {

constexpr size_t kMaxNameLength = 255;

wchar_t UpperAscii(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool IsDeviceName(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') {
        stem.pop_back();
    }
    for (wchar_t& c : stem) {
        c = UpperAscii(c);
    }
    static const wchar_t* const kPlain[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : kPlain) {
        if (stem == device) {
            return true;
        }
    }
    const bool numbered = stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0);
    return numbered && stem[3] >= L'0' && stem[3] <= L'9';
}

bool IsUsableName(const std::wstring& name) {
    if (name.empty() || name.size() > kMaxNameLength || name.find_first_not_of(L'.') == std::wstring::npos) {
        return false;
    }
    for (const wchar_t c : name) {
        if (c < 0x20 || std::wstring(L"<>:\"/\\|?*").find(c) != std::wstring::npos) {
            return false;
        }
    }
    if (name.back() == L'.' || name.back() == L' ') {
        return false;
    }
    return !IsDeviceName(name);
}

}  // namespace

std::wstring PackageFileNameFromUrl(const std::wstring& url) {
    const std::wstring path = url.substr(0, url.find_first_of(L"?#"));
    const size_t slash = path.find_last_of(L"/\\");
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    return IsUsableName(name) ? name : std::wstring(kFallbackPackageName);
}

std::wstring BuildPackagePath(const std::wstring& logDir, const std::wstring& fileName) {
    std::wstring path = logDir + L"cache\\" + fileName;
    if (path.size() > kMaxPackagePath) {
        return std::wstring();
    }
    return path;
}
