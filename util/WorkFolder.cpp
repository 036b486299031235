#include "util/WorkFolder.h"

#include <windows.h>

#include <sddl.h>

#include <vector>

#include "util/AccessRules.h"
#include "util/FolderSecurity.h"
#include "util/UniqueHandle.h"

const wchar_t kWorkFolderSddl[] = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

namespace {

constexpr int kAttempts = 3;
constexpr wchar_t kWorkFolderNoOwnerSddl[] = L"D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
const FolderRights kWorkFolderRights = {
    kWorkFolderSddl,
    L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)",
    L"O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)",
};

// Held for the life of the process; listing access takes part in sharing checks, so the
// missing delete sharing keeps anyone from renaming the folder.
std::vector<UniqueKernelHandle>& HeldFolders() {
    static std::vector<UniqueKernelHandle>* held = new std::vector<UniqueKernelHandle>();
    return *held;
}

enum class Found { Nothing, Link, Folder, Unusable };

Found Look(const std::wstring& dir, UniqueKernelHandle& folder) {
    folder = OpenNoFollow(dir, READ_CONTROL | FILE_LIST_DIRECTORY | FILE_TRAVERSE);
    if (!folder) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Found::Nothing : Found::Unusable;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(folder.get(), &info) || IsLinkObject(folder.get(), dir)) {
        return Found::Link;
    }
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Found::Folder : Found::Link;
}

// Whether the folder behind `folder` is one the installer made: owned by Administrators or
// SYSTEM and others may not write there. Anything else may hold what a user planted (an
// undo record above all) and is never adopted. A folder of an earlier version, which let
// Users read, is kept and closed to them. Where the system keeps no owners (Wine), nothing
// can be told from the rights, and the folder is reset in place as before.
bool MakeOwn(const std::wstring& dir, const UniqueKernelHandle& folder) {
    const std::optional<acl::Descriptor> rights = acl::ParseSddl(DescriptorTextOf(folder.get()));
    if (rights && acl::IsHeldByAdministrators(*rights, 0)) {
        return true;
    }
    std::wstring cause;
    if (!FileSystemKeepsOwners()) {
        return TakeOverFolder(dir, kWorkFolderRights, cause);
    }
    if (!rights || !acl::IsHeldByAdministrators(*rights, acl::kFileReadExecute)) {
        return false;
    }
    return TakeOverFolder(dir, kWorkFolderRights, cause);
}

std::wstring UniqueSuffix(int attempt) {
    return L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount()) + L"-" +
           std::to_wstring(attempt);
}

// Makes `dir` new with the work folder's rights; false when anything is already there.
bool CreateOwn(const std::wstring& dir) {
    for (const wchar_t* sddl : {kWorkFolderSddl, kWorkFolderNoOwnerSddl}) {
        PSECURITY_DESCRIPTOR made = nullptr;
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &made, nullptr)) {
            return false;
        }
        UniqueLocal descriptor(made);
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), made, FALSE};
        if (::CreateDirectoryW(dir.c_str(), &attributes)) {
            return true;
        }
        // Only a system that will not take Administrators as the owner gets the second try.
        if (::GetLastError() != ERROR_INVALID_OWNER) {
            return false;
        }
    }
    return false;
}

std::optional<std::wstring> Use(UniqueKernelHandle folder, const std::wstring& dir) {
    HeldFolders().push_back(std::move(folder));
    return dir + L"\\";
}

}  // namespace

std::optional<std::wstring> PrepareWorkFolder(const std::wstring& dir) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        UniqueKernelHandle folder;
        const Found found = Look(dir, folder);
        if (found == Found::Folder && MakeOwn(dir, folder)) {
            return Use(std::move(folder), dir);
        }
        if (found == Found::Unusable) {
            break;
        }
        folder.reset();
        if (found == Found::Nothing) {
            // Made here and then looked at again: something swapped in meanwhile is seen.
            if (!CreateOwn(dir) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
                break;
            }
            continue;
        }
        // A link, or a folder that cannot be made the installer's own: renaming moves the
        // entry itself, never what a link points to.
        if (!::MoveFileExW(dir.c_str(), (dir + UniqueSuffix(attempt)).c_str(), 0)) {
            break;
        }
    }
    // The name cannot be freed (something inside is held open, say): a new folder beside it.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::wstring fresh = dir + UniqueSuffix(attempt);
        UniqueKernelHandle folder;
        if (CreateOwn(fresh) && Look(fresh, folder) == Found::Folder && MakeOwn(fresh, folder)) {
            return Use(std::move(folder), fresh);
        }
    }
    return std::nullopt;
}
