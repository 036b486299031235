#include "util/HeldDirectory.h"

#include <winternl.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "util/SystemDll.h"

namespace {

using NtCreateFileFunction = NTSTATUS(NTAPI*)(PHANDLE,
                                              ACCESS_MASK,
                                              POBJECT_ATTRIBUTES,
                                              PIO_STATUS_BLOCK,
                                              PLARGE_INTEGER,
                                              ULONG,
                                              ULONG,
                                              ULONG,
                                              ULONG,
                                              PVOID,
                                              ULONG);
using NtSetInformationFileFunction = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
using StatusToErrorFunction = ULONG(NTAPI*)(NTSTATUS);

struct NtFunctions {
    NtCreateFileFunction createFile = nullptr;
    NtSetInformationFileFunction setInformationFile = nullptr;
    StatusToErrorFunction statusToError = nullptr;
};

constexpr ULONG kFileRenameInformation = 10;

// The documented Win32 calls open only by full path, and some systems' rename by handle
// makes a relative name a full one before it sees the folder handle; a name relative to a
// handle needs ntdll's own calls, looked up once.
const NtFunctions& Nt() {
    static const NtFunctions functions = [] {
        NtFunctions found;
        if (HMODULE ntdll = LoadSystemLibrary(L"ntdll.dll")) {
            found.createFile = reinterpret_cast<NtCreateFileFunction>(
                reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtCreateFile")));
            found.setInformationFile = reinterpret_cast<NtSetInformationFileFunction>(
                reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtSetInformationFile")));
            found.statusToError = reinterpret_cast<StatusToErrorFunction>(
                reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlNtStatusToDosError")));
        }
        return found;
    }();
    return functions;
}

// Listing and traversal take part in sharing checks (attribute access alone would block
// nobody), so holding them without delete sharing keeps others from renaming the folder.
// No delete access of its own: the system's rename into a held folder opens it without
// delete sharing.
constexpr ACCESS_MASK kHeldAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr ACCESS_MASK kEntryAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;

}  // namespace

UniqueKernelHandle OpenHeldDirectory(const std::wstring& path, DWORD* error) {
    UniqueKernelHandle folder(::CreateFileW(path.c_str(), kHeldAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                            nullptr));
    *error = folder ? ERROR_SUCCESS : ::GetLastError();
    return folder;
}

namespace {

UniqueKernelHandle OpenRelative(HANDLE parent,
                                const std::wstring& name,
                                ACCESS_MASK access,
                                ULONG share,
                                ULONG options,
                                DWORD* error) {
    const NtFunctions& nt = Nt();
    if (nt.createFile == nullptr || nt.statusToError == nullptr) {
        *error = ERROR_PROC_NOT_FOUND;
        return UniqueKernelHandle();
    }
    // One level only: a separator or a parent reference would leave the held folder.
    if (name.empty() || name == L"." || name == L".." || name.find_first_of(L"\\/:") != std::wstring::npos ||
        name.size() * sizeof(wchar_t) > 0xFFFE) {
        *error = ERROR_INVALID_NAME;
        return UniqueKernelHandle();
    }
    UNICODE_STRING unicodeName;
    unicodeName.Buffer = const_cast<wchar_t*>(name.c_str());
    unicodeName.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    unicodeName.MaximumLength = unicodeName.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &unicodeName, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE opened = nullptr;
    const NTSTATUS status = nt.createFile(
        &opened, access, &attributes, &io, nullptr, 0, share, FILE_OPEN,
        options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT, nullptr, 0);
    if (status < 0) {
        *error = nt.statusToError(status);
        return UniqueKernelHandle();
    }
    *error = ERROR_SUCCESS;
    return UniqueKernelHandle(opened);
}

}  // namespace

UniqueKernelHandle OpenBelow(HANDLE parent, const std::wstring& name, bool directory, DWORD* error) {
    if (directory) {
        return OpenRelative(parent, name, kHeldAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_DIRECTORY_FILE, error);
    }
    return OpenRelative(parent, name, kEntryAccess, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0, error);
}

UniqueKernelHandle OpenFileBelowForReading(HANDLE parent, const std::wstring& name, DWORD* error) {
    return OpenRelative(parent, name, GENERIC_READ | SYNCHRONIZE, FILE_SHARE_READ, FILE_NON_DIRECTORY_FILE, error);
}

bool RenameBelow(HANDLE opened, HANDLE parent, const std::wstring& name) {
    const NtFunctions& nt = Nt();
    if (nt.setInformationFile == nullptr || nt.statusToError == nullptr) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    if (name.empty() || name == L"." || name == L".." || name.find_first_of(L"\\/:") != std::wstring::npos) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    // The system's layout of the rename request is the documented FILE_RENAME_INFO's.
    std::vector<uint8_t> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = parent;
    info->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    IO_STATUS_BLOCK io = {};
    const NTSTATUS status =
        nt.setInformationFile(opened, &io, info, static_cast<ULONG>(buffer.size()), kFileRenameInformation);
    if (status < 0) {
        ::SetLastError(nt.statusToError(status));
        return false;
    }
    return true;
}

bool ListHeldDirectory(HANDLE directory, std::vector<HeldEntry>* entries) {
    // Aligned for the records the system writes into it.
    std::vector<uint64_t> buffer(8192);
    FILE_INFO_BY_HANDLE_CLASS query = FileIdBothDirectoryRestartInfo;
    for (;;) {
        if (!::GetFileInformationByHandleEx(directory, query, buffer.data(),
                                            static_cast<DWORD>(buffer.size() * sizeof(uint64_t)))) {
            return ::GetLastError() == ERROR_NO_MORE_FILES;
        }
        query = FileIdBothDirectoryInfo;
        const auto* bytes = reinterpret_cast<const uint8_t*>(buffer.data());
        for (size_t at = 0;;) {
            const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + at);
            std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                entries->push_back(HeldEntry{std::move(name), record->FileAttributes});
            }
            if (record->NextEntryOffset == 0) {
                break;
            }
            at += record->NextEntryOffset;
        }
    }
}

bool IsPlainDirectoryHandle(HANDLE opened) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(opened, &info)) {
        return false;
    }
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}
