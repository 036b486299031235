#include "core/PackageFile.h"

#include <atomic>
#include <vector>

#include "util/FileUtil.h"
#include "util/Md5A.h"

namespace {

constexpr size_t kDigestChunk = 256 * 1024;

bool IsPlainFolder(HANDLE folder, const std::wstring& /*path*/) {
    BY_HANDLE_FILE_INFORMATION info;
    return ::GetFileInformationByHandle(folder, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::atomic<PackageFile::FolderProbe> g_folderProbe{&IsPlainFolder};

// Opens the folder itself, never what a link points to, without delete sharing: while it
// is held it cannot be renamed or removed and replaced by a link. Listing access takes
// part in sharing checks; attribute access alone would block nobody.
UniqueKernelHandle HoldFolder(const std::wstring& path) {
    UniqueKernelHandle folder(::CreateFileW(path.c_str(),
                                            FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (folder && !g_folderProbe.load()(folder.get(), path)) {
        folder.reset();
    }
    return folder;
}

}  // namespace

void PackageFile::SetFolderProbe(FolderProbe probe) {
    g_folderProbe = probe != nullptr ? probe : &IsPlainFolder;
}

UniqueKernelHandle PackageFile::OpenExisting(const std::wstring& path) {
    return OpenHeld(path, false);
}

UniqueKernelHandle PackageFile::OpenHeld(const std::wstring& path, bool writable) {
    // The cache folder is held while the file is checked, and the file must be the entry
    // of that very folder, reached through no link.
    const UniqueKernelHandle cacheHeld = HoldFolder(GetParentPart(path));
    if (!cacheHeld) {
        return UniqueKernelHandle();
    }
    const DWORD access = writable ? GENERIC_READ | GENERIC_WRITE | DELETE : GENERIC_READ;
    UniqueKernelHandle file(::CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (file && (!::GetFileInformationByHandle(file.get(), &info) ||
                 (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
                 info.nNumberOfLinks > 1 || !IsEntryOfFolder(file.get(), cacheHeld.get(), GetFileNamePart(path)))) {
        file.reset();
    }
    return file;
}

UniqueKernelHandle PackageFile::CreateNew(const std::wstring& path) {
    const std::wstring cache = GetParentPart(path);
    const std::wstring top = GetParentPart(cache);
    if (cache.empty() || top.empty() || !CreateDirectoryRecursive(top)) {
        return UniqueKernelHandle();
    }
    // The folder above is held before "cache" is made in it, so nothing is made through a
    // link either.
    const UniqueKernelHandle topHeld = HoldFolder(top);
    if (!topHeld) {
        return UniqueKernelHandle();
    }
    ::CreateDirectoryW(cache.c_str(), nullptr);
    const UniqueKernelHandle cacheHeld = HoldFolder(cache);
    if (!cacheHeld) {
        return UniqueKernelHandle();
    }
    // Whatever is in the way goes; a link is removed itself, never what it points to.
    const DWORD existing = ::GetFileAttributesW(path.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES) {
        if (existing & FILE_ATTRIBUTE_READONLY) {
            ::SetFileAttributesW(path.c_str(), existing & ~FILE_ATTRIBUTE_READONLY);
        }
        ::DeleteFileW(path.c_str());
    }
    // CREATE_NEW fails on anything that is there, a link planted after the delete included.
    UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file && !IsEntryOfFolder(file.get(), cacheHeld.get(), GetFileNamePart(path))) {
        DeleteOnClose(file.get());
        file.reset();
    }
    return file;
}

std::string PackageFile::Digest(HANDLE file, const std::atomic<bool>* cancel) {
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        return std::string();
    }
    std::vector<unsigned char> chunk(kDigestChunk);
    Md5Stream md5;
    for (;;) {
        if (cancel != nullptr && cancel->load()) {
            return std::string();
        }
        DWORD got = 0;
        if (!::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
            return std::string();
        }
        if (got == 0) {
            break;
        }
        md5.Update(chunk.data(), got);
    }
    return md5.FinishHex();
}

bool PackageFile::DeleteOnClose(HANDLE file) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) != 0;
}
