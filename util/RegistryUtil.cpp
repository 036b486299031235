#include "util/RegistryUtil.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "util/UniqueHandle.h"

namespace {
constexpr DWORD kBufferChars = 10240;

LSTATUS QueryInto(HKEY key, const std::wstring& valueName, std::vector<wchar_t>& buffer, DWORD& bytes) {
    std::fill(buffer.begin(), buffer.end(), L'\0');
    // One character short, so a stored string without its terminator still ends in one.
    bytes = (kBufferChars - 1) * sizeof(wchar_t);
    return ::RegQueryValueExW(key, valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
}
}  // namespace

bool ReadRegistryValue(HKEY root,
                       const std::wstring& subKey,
                       const std::wstring& valueName,
                       DWORD type,
                       std::wstring& value) {
    value.clear();
    UniqueRegKey key;
    // The 32-bit view first, named, as a 32-bit process sees it by default.
    if (::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    std::vector<wchar_t> buffer(kBufferChars);
    DWORD bytes = 0;
    LSTATUS status = QueryInto(key.get(), valueName, buffer, bytes);
    if (status == ERROR_FILE_NOT_FOUND) {
        UniqueRegKey key64;
        if (::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key64.put()) != ERROR_SUCCESS) {
            return false;
        }
        status = QueryInto(key64.get(), valueName, buffer, bytes);
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    if (type == REG_SZ) {
        value = buffer.data();
    } else if (type == REG_BINARY || type == REG_DWORD) {
        int32_t word = 0;
        std::memcpy(&word, buffer.data(), sizeof(word));
        value = std::to_wstring(static_cast<long>(word));
    }
    return true;
}
