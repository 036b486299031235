#include "util/FolderSecurity.h"

#include <aclapi.h>
#include <sddl.h>

#include <atomic>

const wchar_t kInstallFolderSddl[] = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
const wchar_t kInheritedFolderSddl[] = L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)";
const wchar_t kInheritedFileSddl[] = L"O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)";
const FolderRights kInstallFolderRights = {kInstallFolderSddl, kInheritedFolderSddl, kInheritedFileSddl};

namespace {

bool HasReparseAttribute(HANDLE object, const std::wstring& /*path*/) {
    BY_HANDLE_FILE_INFORMATION info;
    // What cannot be asked is not taken for a plain folder.
    return !::GetFileInformationByHandle(object, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::atomic<LinkProbe> g_linkProbe{&HasReparseAttribute};

bool IsDirectoryHandle(HANDLE object) {
    BY_HANDLE_FILE_INFORMATION info;
    return ::GetFileInformationByHandle(object, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Enables the privileges an administrator has but does not use by default, for as long as
// the object lives: a user's folder may grant Administrators nothing, and its rights can
// then only be replaced by taking it over. The earlier state is restored afterwards.
class ScopedTakeOverPrivileges {
  public:
    ScopedTakeOverPrivileges() {
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            return;
        }
        token_.reset(token);
        struct {
            DWORD count;
            LUID_AND_ATTRIBUTES entries[3];
        } wanted{};
        const wchar_t* names[] = {SE_TAKE_OWNERSHIP_NAME, SE_RESTORE_NAME, SE_BACKUP_NAME};
        for (const wchar_t* name : names) {
            LUID luid;
            if (::LookupPrivilegeValueW(nullptr, name, &luid)) {
                wanted.entries[wanted.count].Luid = luid;
                wanted.entries[wanted.count].Attributes = SE_PRIVILEGE_ENABLED;
                ++wanted.count;
            }
        }
        DWORD size = sizeof(previous_);
        adjusted_ =
            ::AdjustTokenPrivileges(token_.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&wanted),
                                    sizeof(previous_), reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), &size) != FALSE;
    }
    ~ScopedTakeOverPrivileges() {
        if (adjusted_) {
            ::AdjustTokenPrivileges(token_.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), 0, nullptr,
                                    nullptr);
        }
    }
    ScopedTakeOverPrivileges(const ScopedTakeOverPrivileges&) = delete;
    ScopedTakeOverPrivileges& operator=(const ScopedTakeOverPrivileges&) = delete;

  private:
    UniqueKernelHandle token_;
    struct {
        DWORD count;
        LUID_AND_ATTRIBUTES entries[3];
    } previous_{};
    bool adjusted_ = false;
};

// Sets exactly the owner and DACL of `sddl` on the open object. The object's own call is
// used, not the one that walks and re-inherits by name: the walk here is done by handle.
// An elevated process may always make Administrators the owner; a system that refuses the
// owner outright (Wine keeps none) still gets the DACL.
bool ApplyDescriptor(HANDLE object, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR made = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &made, nullptr)) {
        return false;
    }
    UniqueLocal descriptor(made);
    if (::SetKernelObjectSecurity(object, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, made)) {
        return true;
    }
    return ::GetLastError() == ERROR_INVALID_OWNER &&
           ::SetKernelObjectSecurity(object, DACL_SECURITY_INFORMATION, made) != FALSE;
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// "X:\" or "\\server\share\" and the pieces below it; false for anything else.
bool SplitLevels(const std::wstring& path, std::wstring& root, std::vector<std::wstring>& pieces) {
    size_t at = 0;
    if (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]) &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'))) {
        root = path.substr(0, 2) + L"\\";
        at = 3;
    } else if (path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        size_t end = 2;
        for (int part = 0; part < 2; ++part) {
            const size_t start = end;
            while (end < path.size() && !IsSeparator(path[end])) {
                ++end;
            }
            if (end == start || path.substr(start, end - start) == L"?" || path.substr(start, end - start) == L".") {
                return false;  // device paths are not for installing into
            }
            if (part == 0) {
                ++end;
            }
        }
        root = L"\\\\" + path.substr(2, end - 2) + L"\\";
        for (wchar_t& c : root) {
            c = c == L'/' ? L'\\' : c;
        }
        at = end;
    } else {
        return false;
    }
    while (at < path.size()) {
        while (at < path.size() && IsSeparator(path[at])) {
            ++at;
        }
        size_t end = at;
        while (end < path.size() && !IsSeparator(path[end])) {
            ++end;
        }
        if (end > at) {
            pieces.push_back(path.substr(at, end - at));
        }
        at = end;
    }
    return true;
}

// Resets everything below the open folder `folder` (at `path`) to inherit its rights. Each
// entry is opened itself, never through a link; a folder is held while its own entries
// are done, so none of them can be moved out from under the walk.
bool ResetEntries(const std::wstring& path, const FolderRights& rights, std::wstring& cause) {
    WIN32_FIND_DATAW data;
    const std::wstring pattern = path + L"\\*";
    UniqueFindHandle search(
        ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!search) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) {
            return true;
        }
        cause = L"无法列出文件夹[" + path + L"]," + std::to_wstring(error);
        return false;
    }
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const std::wstring entry = path + L"\\" + name;
        // A file is opened for its rights only, so one that is open elsewhere is no obstacle.
        const bool listed = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        UniqueKernelHandle handle =
            OpenNoFollow(entry, READ_CONTROL | WRITE_DAC | WRITE_OWNER | (listed ? FILE_LIST_DIRECTORY : 0));
        if (!handle) {
            cause = L"无法打开[" + entry + L"]," + std::to_wstring(::GetLastError());
            return false;
        }
        const bool link = IsLinkObject(handle.get(), entry);
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(handle.get(), &info)) {
            cause = L"无法读取[" + entry + L"]," + std::to_wstring(::GetLastError());
            return false;
        }
        const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // Whoever put a link inside chose where it leads: the folder is not taken over.
        if (link) {
            cause = L"文件夹中有链接[" + entry + L"]";
            return false;
        }
        if (!folder && info.nNumberOfLinks > 1) {
            cause = L"文件有多个名称[" + entry + L"]";
            return false;
        }
        if (!ApplyDescriptor(handle.get(), folder ? rights.innerFolder : rights.innerFile)) {
            cause = L"无法设置权限[" + entry + L"]," + std::to_wstring(::GetLastError());
            return false;
        }
        if (folder && !ResetEntries(entry, rights, cause)) {
            return false;
        }
    } while (::FindNextFileW(search.get(), &data));
    return true;
}

}  // namespace

void SetFolderLinkProbe(LinkProbe probe) {
    g_linkProbe = probe != nullptr ? probe : &HasReparseAttribute;
}

bool IsLinkObject(HANDLE object, const std::wstring& path) {
    return g_linkProbe.load()(object, path);
}

UniqueKernelHandle OpenNoFollow(const std::wstring& path, DWORD access) {
    return UniqueKernelHandle(::CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

namespace {
std::atomic<DescriptorSource> g_descriptorSource{nullptr};
}  // namespace

void SetDescriptorSource(DescriptorSource source) {
    g_descriptorSource = source;
}

bool FileSystemKeepsOwners() {
    static const bool keeps = [] {
        wchar_t system[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) {
            return true;  // judged strictly when it cannot be told
        }
        UniqueKernelHandle folder = OpenNoFollow(system, READ_CONTROL);
        const std::optional<acl::Descriptor> rights =
            folder ? acl::ParseSddl(DescriptorTextOf(folder.get())) : std::nullopt;
        return !rights || acl::IsTrustedSid(rights->owner);
    }();
    const DescriptorSource source = g_descriptorSource;
    return source != nullptr || keeps;
}

std::wstring DescriptorTextOf(HANDLE object) {
    if (const DescriptorSource source = g_descriptorSource) {
        std::wstring stood = source(object);
        if (!stood.empty()) {
            return stood;
        }
    }
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (::GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                          nullptr, nullptr, nullptr, &raw) != ERROR_SUCCESS) {
        return std::wstring();
    }
    UniqueLocal descriptor(raw);
    LPWSTR text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
            raw, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr)) {
        return std::wstring();
    }
    UniqueLocal textHolder(text);
    return std::wstring(text);
}

std::vector<acl::Ancestor> ReadAncestorChain(const std::wstring& target) {
    std::vector<acl::Ancestor> chain;
    std::wstring root;
    std::vector<std::wstring> pieces;
    if (!SplitLevels(target, root, pieces) || pieces.empty()) {
        return chain;
    }
    std::wstring level = root;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            level = (i == 1 ? root : level + L"\\") + pieces[i - 1];
        }
        UniqueKernelHandle handle = OpenNoFollow(level, READ_CONTROL);
        acl::Ancestor ancestor;
        ancestor.path = level;
        ancestor.isRoot = i == 0;
        if (!handle) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
                return chain;  // the install makes the rest, with its own rights
            }
            chain.push_back(ancestor);  // there, but its rights cannot be read
            return chain;
        }
        if (!IsDirectoryHandle(handle.get())) {
            return chain;  // a file in the way: the install itself will fail there
        }
        ancestor.isLink = IsLinkObject(handle.get(), level);
        ancestor.descriptor = acl::ParseSddl(DescriptorTextOf(handle.get()));
        chain.push_back(ancestor);
    }
    acl::Ancestor self;
    self.path = target;
    self.descriptor = acl::ParseSddl(kInstallFolderSddl);
    chain.push_back(self);
    return chain;
}

std::optional<std::wstring> FindReplaceableAncestor(const std::wstring& target) {
    const std::vector<acl::Ancestor> chain = ReadAncestorChain(target);
    const std::optional<size_t> index = acl::FirstReplaceableAncestor(chain);
    if (!index) {
        return std::nullopt;
    }
    // The target itself stands for its parent: the one that lets others remove it.
    return chain[*index].path == target && *index > 0 ? chain[*index - 1].path : chain[*index].path;
}

std::optional<std::wstring> FindReplaceableLocation(const std::wstring& target) {
    if (std::optional<std::wstring> above = FindReplaceableAncestor(target)) {
        return above;
    }
    UniqueKernelHandle folder = OpenNoFollow(target, READ_CONTROL);
    if (!folder) {
        return std::nullopt;  // made by the install, with its own rights
    }
    const std::optional<acl::Descriptor> rights = acl::ParseSddl(DescriptorTextOf(folder.get()));
    if (!rights || !acl::IsKeptByAdministrators(*rights, acl::kFileReadExecute)) {
        return target;
    }
    return std::nullopt;
}

bool ProtectInstallFolder(const std::wstring& path, std::wstring& cause) {
    return TakeOverFolder(path, kInstallFolderRights, cause);
}

bool TakeOverFolder(const std::wstring& path, const FolderRights& rights, std::wstring& cause) {
    ScopedTakeOverPrivileges privileges;
    UniqueKernelHandle folder = OpenNoFollow(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_LIST_DIRECTORY);
    if (!folder) {
        cause = L"无法打开文件夹[" + path + L"]," + std::to_wstring(::GetLastError());
        return false;
    }
    if (!IsDirectoryHandle(folder.get()) || IsLinkObject(folder.get(), path)) {
        cause = L"不是文件夹或是链接[" + path + L"]";
        return false;
    }
    if (!ApplyDescriptor(folder.get(), rights.folder)) {
        cause = L"无法设置文件夹权限[" + path + L"]," + std::to_wstring(::GetLastError());
        return false;
    }
    // Held (no delete sharing) while its entries are reset, so it stays the folder just set.
    return ResetEntries(path, rights, cause);
}
