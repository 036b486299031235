#include "util/FileUtil.h"

#include <cstdlib>

#include "util/DirectoryTree.h"
#include "util/UniqueHandle.h"

namespace {
bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

bool CreateDirectoryRecursive(const std::wstring& path) {
    // A bare name is never taken as relative to wherever the process happens to be.
    if (path.find_first_of(L"\\/") == std::wstring::npos && !IsDirectory(path)) {
        return false;
    }
    return CreateDirectoryLevels(path, nullptr);
}

bool FileExists(const std::wstring& path) {
    if (path.empty()) {
        return false;
    }
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolderEmpty(const std::wstring& directory, std::wstring* errorText) {
    const std::wstring pattern = directory + L"\\*.*";
    WIN32_FIND_DATAW data;
    UniqueFindHandle search(::FindFirstFileW(pattern.c_str(), &data));
    if (!search) {
        if (errorText) {
            *errorText = L"检测文件夹是否为空失败[" + pattern + L"]";
        }
        return false;
    }
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            return false;
        }
    } while (::FindNextFileW(search.get(), &data));
    return true;
}

std::wstring GetModuleDirectory(HMODULE module) {
    wchar_t path[512] = {};
    const DWORD length = ::GetModuleFileNameW(module, path, ARRAYSIZE(path));
    if (length == 0 || length >= ARRAYSIZE(path)) {
        return std::wstring();
    }
    wchar_t drive[32] = {}, dir[512] = {}, name[512] = {}, ext[128] = {};
    if (_wsplitpath_s(path, drive, ARRAYSIZE(drive), dir, ARRAYSIZE(dir), name, ARRAYSIZE(name), ext, ARRAYSIZE(ext)) !=
        0) {
        return std::wstring();
    }
    return std::wstring(drive) + dir;
}

std::wstring GetFileNamePart(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"/\\");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring GetParentPart(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"/\\");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

std::wstring FinalPathOf(HANDLE object) {
    std::wstring path(MAX_PATH, L'\0');
    for (int tries = 0; tries < 2; ++tries) {
        const DWORD length = ::GetFinalPathNameByHandleW(object, &path[0], static_cast<DWORD>(path.size()), 0);
        if (length == 0) {
            return std::wstring();
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.assign(length + 1, L'\0');
    }
    return std::wstring();
}

bool IsEntryOfFolder(HANDLE entry, HANDLE folder, const std::wstring& name) {
    const std::wstring folderPath = FinalPathOf(folder);
    const std::wstring entryPath = FinalPathOf(entry);
    if (folderPath.empty() || entryPath.empty() || name.empty()) {
        return false;
    }
    const std::wstring expected = folderPath + (folderPath.back() == L'\\' ? L"" : L"\\") + name;
    return expected.size() == entryPath.size() &&
           ::CompareStringOrdinal(expected.c_str(), static_cast<int>(expected.size()), entryPath.c_str(),
                                  static_cast<int>(entryPath.size()), TRUE) == CSTR_EQUAL;
}
