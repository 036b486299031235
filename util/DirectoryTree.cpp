#include "util/DirectoryTree.h"

#include <windows.h>

#include <sddl.h>

#include "util/UniqueHandle.h"

namespace {

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool CreateLevel(const std::wstring& level, SECURITY_ATTRIBUTES* security) {
    if (IsDirectory(level)) {
        return true;
    }
    return ::CreateDirectoryW(level.c_str(), security) ||
           (::GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(level));
}

}  // namespace

bool CreateDirectoryLevels(const std::wstring& path, const wchar_t* sddl) {
    if (path.empty()) {
        return false;
    }
    if (IsDirectory(path)) {
        return true;
    }
    UniqueLocal descriptor;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, FALSE};
    SECURITY_ATTRIBUTES* security = nullptr;
    if (sddl != nullptr) {
        PSECURITY_DESCRIPTOR made = nullptr;
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &made, nullptr)) {
            return false;
        }
        descriptor.reset(made);
        attributes.lpSecurityDescriptor = made;
        security = &attributes;
    }
    std::wstring prefix;
    size_t pos = 0;
    while (pos < path.size() && pos < 2 && IsSeparator(path[pos])) {
        prefix.push_back(L'\\');
        ++pos;
    }
    size_t shareLevels = prefix.size() == 2 ? 2 : 0;
    while (pos < path.size()) {
        size_t end = pos;
        while (end < path.size() && !IsSeparator(path[end])) {
            ++end;
        }
        if (end > pos) {
            prefix.append(path, pos, end - pos);
            prefix.push_back(L'\\');
            if (shareLevels > 0) {
                --shareLevels;
            } else if (!CreateLevel(prefix, security)) {
                return false;
            }
        }
        pos = end + 1;
    }
    return IsDirectory(path);
}
