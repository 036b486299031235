#include "util/WorkFolder.h"

#include <windows.h>

#include <sddl.h>

#include <vector>

#include "util/AccessRules.h"
#include "util/FolderSecurity.h"
#include "util/UniqueHandle.h"

const wchar_t kWorkFolderSddl[] = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)";

namespace {

constexpr int kAttempts = 3;

// Held for the life of the process; listing access takes part in sharing checks, so the
// missing delete sharing keeps anyone from renaming the folder.
std::vector<UniqueKernelHandle>& HeldFolders() {
    static std::vector<UniqueKernelHandle>* held = new std::vector<UniqueKernelHandle>();
    return *held;
}

// The folder at `dir`, opened without following a link, when it is the installer's own.
UniqueKernelHandle OpenIfOwn(const std::wstring& dir) {
    UniqueKernelHandle folder = OpenNoFollow(dir, READ_CONTROL | FILE_LIST_DIRECTORY | FILE_TRAVERSE);
    if (!folder) {
        return folder;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const std::optional<acl::Descriptor> rights = acl::ParseSddl(DescriptorTextOf(folder.get()));
    if (!::GetFileInformationByHandle(folder.get(), &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        IsLinkObject(folder.get(), dir) || !rights || !acl::IsHeldByAdministrators(*rights, acl::kFileRead)) {
        folder.reset();
    }
    return folder;
}

std::wstring UniqueSuffix(int attempt) {
    return L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount()) + L"-" +
           std::to_wstring(attempt);
}

// Makes `dir` new with the work folder's rights; false when anything is already there.
bool CreateOwn(const std::wstring& dir) {
    PSECURITY_DESCRIPTOR made = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kWorkFolderSddl, SDDL_REVISION_1, &made, nullptr)) {
        return false;
    }
    UniqueLocal descriptor(made);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), made, FALSE};
    return ::CreateDirectoryW(dir.c_str(), &attributes) != FALSE;
}

bool Hold(UniqueKernelHandle folder) {
    if (!folder) {
        return false;
    }
    HeldFolders().push_back(std::move(folder));
    return true;
}

}  // namespace

std::optional<std::wstring> PrepareWorkFolder(const std::wstring& dir) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (Hold(OpenIfOwn(dir))) {
            return dir + L"\\";
        }
        if (CreateOwn(dir)) {
            if (Hold(OpenIfOwn(dir))) {
                return dir + L"\\";
            }
            continue;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            break;  // the temporary folder itself is not usable
        }
        // Someone else's folder, or a link: renaming moves the entry itself, never what a
        // link points to.
        if (!::MoveFileExW(dir.c_str(), (dir + UniqueSuffix(attempt)).c_str(), 0)) {
            break;
        }
    }
    // The name cannot be freed (something inside is held open, say): a new folder beside it.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::wstring fresh = dir + UniqueSuffix(attempt);
        if (CreateOwn(fresh) && Hold(OpenIfOwn(fresh))) {
            return fresh + L"\\";
        }
    }
    return std::nullopt;
}
