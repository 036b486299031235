#include "util/ProtectedDirectory.h"

#include <windows.h>

#include <sddl.h>

#include "util/UniqueHandle.h"

const wchar_t kProtectedDirectorySddl[] = L"D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

namespace {

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateLevels(const std::wstring& path, SECURITY_ATTRIBUTES* security) {
    if (IsDirectory(path)) {
        return true;
    }
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return false;
    }
    const std::wstring parent = path.substr(0, separator);
    if (!parent.empty() && !CreateLevels(parent, security)) {
        return false;
    }
    if (::CreateDirectoryW(path.c_str(), security)) {
        return true;
    }
    // Someone else made it in the meantime: theirs stays as it is.
    return ::GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(path);
}

}  // namespace

bool CreateProtectedDirectoryTree(const std::wstring& path) {
    if (path.empty()) {
        return false;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kProtectedDirectorySddl, SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
        return false;
    }
    UniqueLocal owned(descriptor);
    SECURITY_ATTRIBUTES security = {sizeof(security), descriptor, FALSE};
    return CreateLevels(path, &security);
}
