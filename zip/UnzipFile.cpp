// The Windows half of the extraction interface: archives in files, entries written as
// files with their attributes and times, directory trees.
#include <windows.h>

#include <atomic>
#include <vector>

#include "util/DirectoryTree.h"
#include "util/UniqueHandle.h"
#include "util/WriteLogFile.h"
#include "zip/Unzip.h"
#include "zip/ZipDirectoryChain.h"
#include "zip/ZipEntryName.h"
#include "zip/ZipExtractObserver.h"
#include "zip/ZipFilePlacer.h"
#include "zip/ZipFileSource.h"
#include "zip/ZipHandleData.h"
#include "zip/ZipTargetPath.h"

namespace {

constexpr uint32_t kFileAttributeMask = kZipAttrReadOnly | kZipAttrHidden | kZipAttrSystem | kZipAttrArchive;
constexpr wchar_t kLogSource[] = L"..\\zip\\UnzipFile";

bool DirectoryExists(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
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

// A full path without its trailing separator, except for a drive root ("C:\\").
std::wstring TrimSeparator(std::wstring path) {
    if (path.size() > 3 && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
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

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

// What one extraction run carries from entry to entry.
struct ExtractRun {
    const std::atomic<bool>* cancel = nullptr;
    ZipExtractObserver* observer = nullptr;
    ZipExtractError error;  // of the entry that stopped the run
};

LARGE_INTEGER ToFileTime(uint64_t value) {
    LARGE_INTEGER time;
    time.QuadPart = static_cast<LONGLONG>(value);
    return time;
}

// Times and attributes go on through the handle, before the file is closed and moved: by
// name they could land on whatever sits there by then. A time the archive does not know
// (0) leaves the file's own time alone.
bool ApplyTimesAndAttributes(HANDLE file, const ZipEntryInfo& info) {
    const DWORD attributes = info.attributes & kFileAttributeMask;
    FILE_BASIC_INFO basic = {};
    basic.CreationTime = ToFileTime(info.creationTime);
    basic.LastAccessTime = ToFileTime(info.accessTime);
    basic.LastWriteTime = ToFileTime(info.writeTime);
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic)) != 0;
}

// The temporary file goes when its handle closes, even should a scanner have opened it
// meanwhile (they share delete); by name when it cannot be marked or is closed already.
void DiscardTemporary(UniqueKernelHandle& file, const std::wstring& path) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    const bool marked =
        file && ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof(disposition));
    file.reset();
    if (!marked) {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
    }
}

// Writes the entry's data to a new temporary file in `directory` and moves it over
// `target` only once the data checked out (size and CRC). On any failure, a cancel
// included, the temporary file goes and an earlier file at `target` stays as it was.
ZipResult WriteEntryFile(ZipArchive* archive,
                         int32_t index,
                         const ZipEntryInfo& info,
                         const std::wstring& directory,
                         const std::wstring& target,
                         ExtractRun& run) {
    std::wstring temporary;
    UniqueKernelHandle file = ZipFilePlacer::CreateTemporary(directory + L"\\", &temporary);
    if (!file) {
        run.error.systemError = ::GetLastError();
        return UZ_NOFILE;
    }
    HANDLE raw = file.get();
    const std::atomic<bool>* cancel = run.cancel;
    DWORD writeError = 0;
    // Every entry is streamed, one declared empty too: data it carries anyway fails it.
    ZipResult result = archive->StreamEntry(index, [raw, cancel, &writeError](const uint8_t* data, size_t size) {
        if (Cancelled(cancel)) {
            return false;
        }
        if (!ZipFilePlacer::WriteAll(raw, data, size)) {
            writeError = ::GetLastError();
            return false;
        }
        return true;
    });
    if (result == UZ_OK && !ApplyTimesAndAttributes(raw, info)) {
        writeError = ::GetLastError();
        result = UZ_WRITE;
    }
    if (result != UZ_OK) {
        if (result == UZ_WRITE && !Cancelled(cancel)) {
            // A full disk or a failing drive: the one cause the archive itself cannot show.
            g_logFile.WriteLog(kLogSource, __LINE__, L"文件无法写入：%s", target.c_str());
        }
        run.error.systemError = writeError;
        DiscardTemporary(file, temporary);
        return result;
    }
    file.reset();
    if (run.observer != nullptr && !run.observer->BeforeFile(target)) {
        DiscardTemporary(file, temporary);
        return UZ_WRITE;
    }
    if (!ZipFilePlacer::Place(temporary, target, cancel)) {
        run.error.systemError = ::GetLastError();
        g_logFile.WriteLog(kLogSource, __LINE__, L"文件无法写入：%s", target.c_str());
        DiscardTemporary(file, temporary);
        return UZ_WRITE;
    }
    return UZ_OK;
}

ZipResult ExtractEntry(ZipArchive* archive,
                       int32_t index,
                       const std::wstring& targetName,
                       ZipDirectoryChain& chain,
                       ExtractRun& run) {
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
    std::wstring fullRoot;
    std::wstring fullPath;
    if (!PlanZipTarget(archive->ExtractRoot(), targetName, isDirectory, &plan) ||
        !LiesUnderRoot(plan.path, archive->ExtractRoot()) || !FullPath(archive->ExtractRoot(), &fullRoot) ||
        !FullPath(plan.path, &fullPath)) {
        return UZ_NOFILE;
    }
    fullRoot = TrimSeparator(fullRoot);
    fullPath = TrimSeparator(fullPath);
    run.error.path = fullPath;
    std::wstring directory = fullPath;
    if (!isDirectory) {
        const size_t split = fullPath.find_last_of(L'\\');
        if (split == std::wstring::npos || split + 1 >= fullPath.size()) {
            return UZ_NOFILE;
        }
        directory = TrimSeparator(fullPath.substr(0, split + 1));
    }
    if (!chain.Enter(fullRoot, directory)) {
        return UZ_NOFILE;
    }
    if (isDirectory) {
        return UZ_OK;
    }
    return WriteEntryFile(archive, index, info, directory, fullPath, run);
}

ZipResult ExtractAll(ZipHandle handle, const std::wstring& directory, ExtractRun& run) {
    ZipEntryInfo info;
    ZipArchive* archive = ArchiveOf(handle);
    if (!archive) {
        return UZ_NOFILE;
    }
    if (ZipResult result = SetZipExtractRoot(handle, directory); result != UZ_OK) {
        return result;
    }
    if (ZipResult result = GetZipEntry(handle, -1, &info); result != UZ_OK) {
        return result;
    }
    ZipDirectoryChain chain(run.observer);
    int32_t count = info.index;
    for (int32_t i = 0; i < count; ++i) {
        if (Cancelled(run.cancel)) {
            return UZ_WRITE;
        }
        (void)GetZipEntry(handle, i, &info);
        if (ZipResult result = ExtractEntry(archive, i, info.name, chain, run); result != UZ_OK) {
            return result;
        }
    }
    return UZ_OK;
}

ZipResult ExtractHandleToDirectory(ZipHandle handle, const std::wstring& directory, ExtractRun& run) {
    if (!handle) {
        return UZ_NOFILE;
    }
    const ZipResult result = ExtractAll(handle, directory, run);
    (void)CloseZipHandle(handle);
    return result;
}

// The plain entry points make the directory themselves and tell only whether all of it
// arrived.
bool ExtractIntoNewDirectory(ZipHandle handle, const std::wstring& directory, const std::atomic<bool>* cancel) {
    (void)MakeDirectoryTree(directory);
    ExtractRun run;
    run.cancel = cancel;
    return ExtractHandleToDirectory(handle, directory, run) == UZ_OK;
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
    ZipDirectoryChain chain;
    ExtractRun run;
    return ExtractEntry(archive, index, targetName, chain, run);
}

bool ExtractZipToDirectory(const std::wstring& zipPath,
                           const std::wstring& directory,
                           const char* password,
                           const std::atomic<bool>* cancel) {
    if (zipPath.empty() || directory.empty()) {
        return false;
    }
    DWORD attributes = ::GetFileAttributesW(zipPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    return ExtractIntoNewDirectory(OpenZipFile(zipPath, password), directory, cancel);
}

bool ExtractZipHandleToDirectory(HANDLE file,
                                 const std::wstring& directory,
                                 const char* password,
                                 const std::atomic<bool>* cancel) {
    if (!file || file == INVALID_HANDLE_VALUE || directory.empty()) {
        return false;
    }
    return ExtractIntoNewDirectory(OpenZipFileHandle(file, password), directory, cancel);
}

ZipResult ExtractZipHandleObserved(HANDLE file,
                                   const std::wstring& directory,
                                   const char* password,
                                   const std::atomic<bool>* cancel,
                                   ZipExtractObserver* observer,
                                   ZipExtractError* error) {
    ExtractRun run;
    run.cancel = cancel;
    run.observer = observer;
    ZipResult result = UZ_ARGS;
    if (file && file != INVALID_HANDLE_VALUE && !directory.empty()) {
        // The caller made the directory and its parents (and told whoever must undo them).
        result = ExtractHandleToDirectory(OpenZipFileHandle(file, password), directory, run);
    }
    if (error != nullptr) {
        *error = run.error;
        error->result = result;
    }
    return result;
}

bool GetZipFileHandleTotalSize(HANDLE file, uint64_t* total) {
    if (!file || file == INVALID_HANDLE_VALUE || !total) {
        return false;
    }
    ZipHandle handle = OpenZipFileHandle(file, nullptr);
    if (!handle) {
        return false;
    }
    const ZipResult result = GetZipTotalSize(handle, total);
    (void)CloseZipHandle(handle);
    return result == UZ_OK;
}

bool MakeDirectoryTree(const std::wstring& path) {
    if (path.size() >= kZipMaxPath && !DirectoryExists(path)) {
        return false;  // the entry names joined to it would not fit either
    }
    return CreateDirectoryLevels(path, nullptr);
}
