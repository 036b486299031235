// The Windows half of the extraction interface: archives in files, entries written as
// files with their attributes and times, directory trees.
#include <windows.h>

#include <vector>

#include "util/UniqueHandle.h"
#include "zip/Unzip.h"
#include "zip/ZipEntryName.h"
#include "zip/ZipFileSource.h"
#include "zip/ZipHandleData.h"
#include "zip/ZipTargetPath.h"

namespace {

constexpr uint32_t kFileAttributeMask = kZipAttrReadOnly | kZipAttrHidden | kZipAttrSystem | kZipAttrArchive;

bool DirectoryExists(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateDirectoryIfMissing(const std::wstring& path) {
    if (!path.empty() && !DirectoryExists(path)) {
        ::CreateDirectoryW(path.c_str(), nullptr);
    }
}

// Makes `root` (one level) and every directory of `directory` below it. Failures are left
// for the file creation that follows to report.
void MakeDirectories(const std::wstring& root, const std::wstring& directory) {
    if (!root.empty()) {
        std::wstring trimmed = root;
        if (IsPathSeparator(trimmed.back())) {
            trimmed.pop_back();
        }
        CreateDirectoryIfMissing(trimmed);
    }
    for (size_t i = 1; i < directory.size(); ++i) {
        if (IsPathSeparator(directory[i]) && !IsPathSeparator(directory[i - 1])) {
            CreateDirectoryIfMissing(root + directory.substr(0, i));
        }
    }
    if (!directory.empty() && !IsPathSeparator(directory.back())) {
        CreateDirectoryIfMissing(root + directory);
    }
}

bool FullPath(const std::wstring& path, std::wstring* full) {
    wchar_t buffer[MAX_PATH];
    DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    full->assign(buffer, length);
    return true;
}

// The last word on where a target goes: the system's own reading of the path must stay
// inside the system's reading of the root.
bool LiesUnderRoot(const std::wstring& path, const std::wstring& root) {
    std::wstring fullRoot;
    std::wstring fullPath;
    if (root.empty() || !FullPath(root, &fullRoot) || !FullPath(path, &fullPath)) {
        return false;
    }
    if (fullRoot.back() != L'\\') {
        fullRoot.push_back(L'\\');
    }
    if (fullPath.back() != L'\\' && fullPath.size() + 1 == fullRoot.size()) {
        fullPath.push_back(L'\\');  // the root itself
    }
    if (fullPath.size() < fullRoot.size()) {
        return false;
    }
    return ::CompareStringOrdinal(fullPath.c_str(), static_cast<int>(fullRoot.size()), fullRoot.c_str(),
                                  static_cast<int>(fullRoot.size()), TRUE) == CSTR_EQUAL;
}

bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
    while (size > 0) {
        DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

FILETIME ToFileTime(uint64_t value) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(value);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return time;
}

void ApplyTimes(HANDLE file, const ZipEntryInfo& info) {
    // A time the archive does not know (0) leaves the file's own time alone.
    FILETIME creation = ToFileTime(info.creationTime);
    FILETIME access = ToFileTime(info.accessTime);
    FILETIME write = ToFileTime(info.writeTime);
    ::SetFileTime(file, info.creationTime ? &creation : nullptr, info.accessTime ? &access : nullptr,
                  info.writeTime ? &write : nullptr);
}

bool ExtractAll(ZipHandle handle, const std::wstring& directory) {
    ZipEntryInfo info;
    if (SetZipExtractRoot(handle, directory) != UZ_OK || GetZipEntry(handle, -1, &info) != UZ_OK) {
        return false;
    }
    int32_t count = info.index;
    for (int32_t i = 0; i < count; ++i) {
        (void)GetZipEntry(handle, i, &info);
        if (ExtractZipEntryToFile(handle, i, info.name) != UZ_OK) {
            return false;
        }
    }
    return true;
}

bool ExtractHandleToDirectory(ZipHandle handle, const std::wstring& directory) {
    if (!handle) {
        return false;
    }
    bool ok = ExtractAll(handle, directory);
    (void)CloseZipHandle(handle);
    return ok;
}

}  // namespace

ZipHandle OpenZipFile(const std::wstring& path, const char* password) {
    return OpenZipFromSource(ZipFileSource::Open(path), password);
}

ZipHandle OpenZipFileHandle(HANDLE file, const char* password) {
    return OpenZipFromSource(ZipFileSource::Borrow(file), password);
}

ZipResult ExtractZipEntryToFile(ZipHandle handle, int32_t index, const std::wstring& targetName) {
    ZipArchive* archive = ArchiveOf(handle);
    if (!archive) {
        return UZ_ARGS;
    }
    archive->EndMemoryExtraction();
    if (index < 0 || static_cast<uint32_t>(index) >= archive->EntryCount()) {
        return UZ_ARGS;
    }
    ZipEntryInfo info;
    if (ZipResult result = archive->GetEntry(index, &info); result != UZ_OK) {
        return result;
    }
    bool isDirectory = (info.attributes & kZipAttrDirectory) != 0;
    ZipTargetPlan plan;
    if (!PlanZipTarget(archive->ExtractRoot(), targetName, isDirectory, &plan) ||
        !LiesUnderRoot(plan.path, archive->ExtractRoot())) {
        return UZ_NOFILE;
    }
    MakeDirectories(plan.root, plan.directory);
    if (isDirectory) {
        return UZ_OK;
    }
    // A read-only or hidden file in the way would refuse to be replaced.
    if (::GetFileAttributesW(plan.path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ::SetFileAttributesW(plan.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    DWORD attributes = info.attributes & kFileAttributeMask;
    UniqueKernelHandle file(::CreateFileW(plan.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return UZ_NOFILE;
    }
    ZipResult result = UZ_OK;
    if (info.uncompressedSize > 0) {
        HANDLE raw = file.get();
        result =
            archive->StreamEntry(index, [raw](const uint8_t* data, size_t size) { return WriteAll(raw, data, size); });
    }
    if (result == UZ_OK) {
        ApplyTimes(file.get(), info);
    }
    return result;
}

bool ExtractZipToDirectory(const std::wstring& zipPath, const std::wstring& directory, const char* password) {
    if (zipPath.empty() || directory.empty()) {
        return false;
    }
    DWORD attributes = ::GetFileAttributesW(zipPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    (void)MakeDirectoryTree(directory);
    return ExtractHandleToDirectory(OpenZipFile(zipPath, password), directory);
}

bool ExtractZipHandleToDirectory(HANDLE file, const std::wstring& directory, const char* password) {
    if (!file || file == INVALID_HANDLE_VALUE || directory.empty()) {
        return false;
    }
    (void)MakeDirectoryTree(directory);
    return ExtractHandleToDirectory(OpenZipFileHandle(file, password), directory);
}

bool MakeDirectoryTree(const std::wstring& path) {
    if (path.empty()) {
        return false;
    }
    if (DirectoryExists(path)) {
        return true;
    }
    if (path.size() >= kZipMaxPath) {
        return false;
    }
    // Leading separators stay: "\dir" is on the current drive and "\\server\share\" names
    // a share, which is never created.
    std::wstring prefix;
    size_t pos = 0;
    size_t skipPieces = 0;
    while (pos < path.size() && pos < 2 && IsPathSeparator(path[pos])) {
        prefix.push_back(L'\\');
        ++pos;
    }
    if (prefix.size() == 2) {
        skipPieces = 2;
    }
    while (pos < path.size()) {
        size_t end = pos;
        while (end < path.size() && !IsPathSeparator(path[end])) {
            ++end;
        }
        if (end > pos) {
            prefix.append(path, pos, end - pos);
            prefix.push_back(L'\\');
            if (skipPieces > 0) {
                --skipPieces;
            } else if (!DirectoryExists(prefix) && !::CreateDirectoryW(prefix.c_str(), nullptr) &&
                       !DirectoryExists(prefix)) {
                return false;
            }
        }
        pos = end + 1;
    }
    return true;
}
