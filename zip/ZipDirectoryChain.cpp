#include "zip/ZipDirectoryChain.h"

#include <atomic>

#include "zip/ZipExtractObserver.h"

namespace {

bool IsPlainDirectory(HANDLE directory, const std::wstring& /*path*/) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(directory, &info)) {
        return false;
    }
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::atomic<ZipDirectoryChain::Probe> g_probe{&IsPlainDirectory};

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                                          static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

void ZipDirectoryChain::SetProbe(Probe probe) {
    g_probe = probe != nullptr ? probe : &IsPlainDirectory;
}

void ZipDirectoryChain::Release() {
    // Innermost first, so nothing is briefly held below a released parent.
    while (!held_.empty()) {
        held_.pop_back();
    }
}

bool ZipDirectoryChain::Hold(const std::wstring& path) {
    if (observer_ != nullptr && ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) && !observer_->BeforeDirectory(path)) {
            return false;
        }
    }
    // Whether this made it or it was there (or cannot be made) shows in the open below.
    ::CreateDirectoryW(path.c_str(), nullptr);
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, never its target, so the probe sees
    // what is really there. No delete sharing: while held, it cannot be renamed or removed
    // and replaced by a link. Listing access takes part in sharing checks; attribute
    // access alone would block nobody.
    UniqueKernelHandle handle(::CreateFileW(path.c_str(),
                                            FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle || !g_probe.load()(handle.get(), path)) {
        return false;
    }
    held_.push_back(Held{path, std::move(handle)});
    return true;
}

bool ZipDirectoryChain::Enter(const std::wstring& root, const std::wstring& directory) {
    // A drive root ("C:\\") keeps its separator.
    const bool rootEndsInSeparator = !root.empty() && root.back() == L'\\';
    if (root.empty() || directory.size() < root.size() || !SamePath(directory.substr(0, root.size()), root) ||
        (!rootEndsInSeparator && directory.size() > root.size() && directory[root.size()] != L'\\')) {
        Release();
        return false;
    }
    // The wanted chain: the root, then each directory below it.
    std::vector<std::wstring> wanted;
    wanted.push_back(root);
    for (size_t i = root.size() + 1; i <= directory.size(); ++i) {
        if (i == directory.size() || directory[i] == L'\\') {
            if (directory[i - 1] != L'\\') {
                wanted.push_back(directory.substr(0, i));
            }
        }
    }
    size_t keep = 0;
    while (keep < held_.size() && keep < wanted.size() && SamePath(held_[keep].path, wanted[keep])) {
        ++keep;
    }
    while (held_.size() > keep) {
        held_.pop_back();
    }
    for (size_t i = keep; i < wanted.size(); ++i) {
        if (!Hold(wanted[i])) {
            Release();
            return false;
        }
    }
    return true;
}
