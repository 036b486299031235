#include "engine/ReplayGate.h"

#include <windows.h>

#include "util/AccessRules.h"
#include "util/FolderSecurity.h"
#include "util/UniqueHandle.h"

std::optional<std::wstring> ReplayRefusal(const std::wstring& recorded) {
    // A target the killed run had already moved aside whole (or not yet made) is gone: the
    // record then acts beside it, in the nearest folder that exists.
    std::wstring target = recorded;
    UniqueKernelHandle folder = OpenNoFollow(target, READ_CONTROL);
    while (!folder && (::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND)) {
        const size_t cut = target.find_last_of(L'\\');
        if (cut == std::wstring::npos || cut < 3) {
            break;
        }
        target.resize(cut);
        folder = OpenNoFollow(target, READ_CONTROL);
    }
    if (!folder) {
        return L"目录无法打开：" + recorded;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(folder.get(), &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        IsLinkObject(folder.get(), target)) {
        return L"目录不是文件夹或是链接：" + target;
    }
    if (!FileSystemKeepsOwners()) {
        return std::nullopt;
    }
    const std::optional<acl::Descriptor> rights = acl::ParseSddl(DescriptorTextOf(folder.get()));
    if (!rights || !acl::IsKeptByAdministrators(*rights, acl::kFileReadExecute)) {
        return L"目录不属于管理员或其他用户可写入：" + target;
    }
    // Held (no delete sharing) while the levels above are read: it stays the folder judged.
    const std::vector<acl::Ancestor> chain = ReadAncestorChain(target);
    if (chain.empty()) {
        return L"目录不是完整路径：" + target;
    }
    if (const std::optional<size_t> weak = acl::FirstReplaceableAncestor(chain)) {
        return L"上级文件夹可被其他用户修改：" + chain[*weak].path;
    }
    return std::nullopt;
}
