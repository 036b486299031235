#include "engine/ExtractUndo.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "util/HeldDirectory.h"
#include "util/UniqueHandle.h"
#include "util/WriteLogFile.h"
#include "zip/ZipFilePlacer.h"

namespace {

constexpr wchar_t kLogSource[] = L".\\ExtractUndo";
// Deeper than any path of 260 characters can go.
constexpr int kMaxDepth = 130;

bool IsPlainDirectory(const std::wstring& path) {
    UniqueKernelHandle directory(
        ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!directory || !::GetFileInformationByHandle(directory.get(), &info)) {
        return false;
    }
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsMissing(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The target and the directories of the install below it, each opened relative to its
// held parent and held until the undo is done, so that between the check that a level is
// a plain directory and its use nobody can rename it away and put a link there.
class HeldTree {
  public:
    // Holds the target itself; false when it is no plain directory or cannot be held.
    [[nodiscard]] bool Open(const std::wstring& target) {
        DWORD error = 0;
        UniqueKernelHandle root = OpenHeldDirectory(target, &error);
        if (!root || !IsPlainDirectoryHandle(root.get())) {
            return false;
        }
        held_[L""] = std::move(root);
        return true;
    }

    // The held directory `relative` below the target ("" for the target), each missing
    // level opened below its held parent; null when one is missing, a link or other
    // reparse point, or cannot be held.
    [[nodiscard]] HANDLE Directory(const std::wstring& relative) {
        const std::wstring key = Key(relative);
        auto found = held_.find(key);
        if (found != held_.end()) {
            return found->second.get();
        }
        if (held_.find(L"") == held_.end()) {
            return nullptr;
        }
        const size_t split = relative.rfind(L'\\');
        HANDLE parent = Directory(split == std::wstring::npos ? L"" : relative.substr(0, split));
        if (parent == nullptr) {
            return nullptr;
        }
        DWORD error = 0;
        UniqueKernelHandle level =
            OpenBelow(parent, split == std::wstring::npos ? relative : relative.substr(split + 1), true, &error);
        if (!level || !IsPlainDirectoryHandle(level.get())) {
            return nullptr;
        }
        return held_.emplace(key, std::move(level)).first->second.get();
    }

    // The parent directory of the recorded `name`, and its last part in `leaf`.
    [[nodiscard]] HANDLE ParentOf(const std::wstring& name, std::wstring* leaf) {
        const size_t split = name.rfind(L'\\');
        *leaf = split == std::wstring::npos ? name : name.substr(split + 1);
        return Directory(split == std::wstring::npos ? L"" : name.substr(0, split));
    }

    // Removes the empty directory `relative` (never the target), opened as itself below its
    // held parent. True when it is gone (or was never there).
    [[nodiscard]] bool RemoveEmpty(const std::wstring& relative) {
        // Its own hold keeps out any delete, this one's too.
        Release(relative);
        std::wstring leaf;
        HANDLE parent = ParentOf(relative, &leaf);
        if (parent == nullptr || relative.empty()) {
            return false;
        }
        DWORD error = 0;
        UniqueKernelHandle directory = OpenBelow(parent, leaf, false, &error);
        if (!directory) {
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        }
        // A link put there meanwhile is no directory of ours; a non-empty one refuses.
        FILE_DISPOSITION_INFO disposition = {TRUE};
        return IsPlainDirectoryHandle(directory.get()) &&
               ::SetFileInformationByHandle(directory.get(), FileDispositionInfo, &disposition, sizeof(disposition)) !=
                   0;
    }

    // Lets go of `relative` and everything held below it, innermost first.
    void Release(const std::wstring& relative) {
        const std::wstring key = Key(relative);
        std::vector<std::wstring> below;
        for (const auto& entry : held_) {
            if (entry.first == key ||
                (entry.first.size() > key.size() && entry.first.compare(0, key.size(), key) == 0 &&
                 (key.empty() || entry.first[key.size()] == L'\\'))) {
                below.push_back(entry.first);
            }
        }
        std::sort(below.begin(), below.end(),
                  [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
        for (const std::wstring& name : below) {
            held_.erase(name);
        }
    }

  private:
    // The file system compares names without case; so does the tree.
    static std::wstring Key(std::wstring relative) {
        if (!relative.empty()) {
            ::CharUpperBuffW(&relative[0], static_cast<DWORD>(relative.size()));
        }
        return relative;
    }

    std::map<std::wstring, UniqueKernelHandle> held_;
};

// The directory part of a recorded name, empty for a name in the target itself.
std::wstring DirectoryOf(const std::wstring& name) {
    const size_t split = name.rfind(L'\\');
    return split == std::wstring::npos ? std::wstring() : name.substr(0, split);
}

// A plain directory that is empty goes; anything else stays. True when it is gone.
bool RemoveEmptyDirectory(const std::wstring& path) {
    if (IsMissing(path)) {
        return true;
    }
    if (!IsPlainDirectory(path)) {
        return false;
    }
    return ::RemoveDirectoryW(path.c_str()) != 0 || IsMissing(path);
}

// The placer's temporary files that a killed run left in the held `directory` and below
// it. They lie beside the files they were to become, in any folder of the package, one
// that was there before too; links and the backup folder are not entered, and each folder
// is opened below its held parent.
void RemoveTemporaries(HANDLE directory, const std::wstring& backupFolder, int depth) {
    std::vector<HeldEntry> entries;
    static_cast<void>(ListHeldDirectory(directory, &entries));
    for (const HeldEntry& entry : entries) {
        if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (depth <= 0 || (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                ::CompareStringOrdinal(entry.name.c_str(), -1, backupFolder.c_str(), -1, TRUE) == CSTR_EQUAL) {
                continue;
            }
            DWORD error = 0;
            UniqueKernelHandle child = OpenBelow(directory, entry.name, true, &error);
            if (child && IsPlainDirectoryHandle(child.get())) {
                RemoveTemporaries(child.get(), backupFolder, depth - 1);
            }
        } else if (IsPlacerTemporaryName(entry.name)) {
            static_cast<void>(ZipFilePlacer::DeleteBelow(directory, entry.name, nullptr));
        }
    }
}

// Everything below `directory` and the directory itself, never entering a link (a link
// found inside is removed as itself). True when the directory is gone.
bool DeleteTree(const std::wstring& directory, int depth) {
    WIN32_FIND_DATAW data;
    UniqueFindHandle search(::FindFirstFileW((directory + L"\\*").c_str(), &data));
    if (search) {
        do {
            const std::wstring name = data.cFileName;
            const std::wstring path = directory + L"\\" + name;
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                // By name: one call per file, and a delete never follows a link.
                if (!::DeleteFileW(path.c_str())) {
                    static_cast<void>(ZipFilePlacer::DeleteUnfollowed(path, nullptr));
                }
            } else if (name == L"." || name == L"..") {
                continue;
            } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsPlainDirectory(path)) {
                ::RemoveDirectoryW(path.c_str());
            } else if (depth > 0) {
                static_cast<void>(DeleteTree(path, depth - 1));
            }
        } while (::FindNextFileW(search.get(), &data));
    }
    search.reset();
    // Whatever could not go keeps the directory, and so the answer, false.
    return ::RemoveDirectoryW(directory.c_str()) != 0 || IsMissing(directory);
}

// The discarded target, when it is still there and still ours (it holds our backup folder).
bool RemoveDiscarded(const ExtractJournal& journal) {
    const std::wstring discard = DiscardFolderPath(journal);
    if (IsMissing(discard)) {
        return true;
    }
    if (!IsPlainDirectory(discard) || !IsPlainDirectory(discard + L"\\" + journal.backupFolder)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"无法删除文件夹：%s", discard.c_str());
        return false;
    }
    if (!DeleteTree(discard, kMaxDepth)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"无法删除文件夹：%s", discard.c_str());
        return false;
    }
    return true;
}

// The parts of the install inside the target, undone where they lie, through held
// directory handles only.
bool UndoInPlace(const ExtractJournal& journal) {
    const std::wstring& target = journal.target;
    const std::wstring backup = target + L"\\" + journal.backupFolder;
    HeldTree tree;
    // A target that cannot be held leaves every name below it unreachable: each is logged
    // as not undone.
    static_cast<void>(tree.Open(target));
    // Every level the record names is held before the first change, so none of them can be
    // swapped while the undo works in another.
    static_cast<void>(tree.Directory(journal.backupFolder));
    for (const MovedFile& moved : journal.movedFiles) {
        static_cast<void>(tree.Directory(DirectoryOf(moved.name)));
    }
    for (const std::wstring& created : journal.createdFiles) {
        static_cast<void>(tree.Directory(DirectoryOf(created)));
    }
    for (const std::wstring& made : journal.createdDirectories) {
        static_cast<void>(tree.Directory(made));
    }
    bool complete = true;
    // Earlier files first, latest move first: the new file in the way goes, the earlier
    // one returns under its name. A number whose backup is missing was never moved.
    for (auto moved = journal.movedFiles.rbegin(); moved != journal.movedFiles.rend(); ++moved) {
        const std::wstring number = BackupFileName(moved->number);
        const std::wstring to = target + L"\\" + moved->name;
        HANDLE backupFolder = tree.Directory(journal.backupFolder);
        DWORD error = 0;
        if (backupFolder == nullptr || !OpenBelow(backupFolder, number, false, &error)) {
            if (backupFolder != nullptr && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
                continue;
            }
            if (backupFolder == nullptr && IsMissing(backup)) {
                continue;
            }
        }
        std::wstring leaf;
        HANDLE parent = tree.ParentOf(moved->name, &leaf);
        if (backupFolder == nullptr || parent == nullptr || !ZipFilePlacer::DeleteBelow(parent, leaf, nullptr) ||
            ZipFilePlacer::MoveBelow(backupFolder, number, parent, leaf, nullptr) != ZipFilePlacer::Move::Moved) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"无法恢复文件：%s", to.c_str());
            complete = false;
        }
    }
    for (auto created = journal.createdFiles.rbegin(); created != journal.createdFiles.rend(); ++created) {
        const std::wstring path = target + L"\\" + *created;
        std::wstring leaf;
        HANDLE parent = tree.ParentOf(*created, &leaf);
        if (parent == nullptr ? !IsMissing(path) : !ZipFilePlacer::DeleteBelow(parent, leaf, nullptr)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"无法删除文件：%s", path.c_str());
            complete = false;
        }
    }
    if (HANDLE root = tree.Directory(L"")) {
        RemoveTemporaries(root, journal.backupFolder, kMaxDepth);
    }
    if (!tree.RemoveEmpty(journal.backupFolder)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"无法删除备份文件夹：%s", backup.c_str());
        complete = false;
    }
    for (auto made = journal.createdDirectories.rbegin(); made != journal.createdDirectories.rend(); ++made) {
        if (!tree.RemoveEmpty(*made)) {
            const std::wstring path = target + L"\\" + *made;
            g_logFile.WriteLog(kLogSource, __LINE__, L"无法删除文件夹：%s", path.c_str());
        }
    }
    return complete;
}

}  // namespace

bool IsJournalFolderPresent(const ExtractJournal& journal) {
    if (journal.discarded) {
        const std::wstring discard = DiscardFolderPath(journal);
        if (IsPlainDirectory(discard) && IsPlainDirectory(discard + L"\\" + journal.backupFolder)) {
            return true;
        }
    }
    return IsPlainDirectory(journal.target) && IsPlainDirectory(journal.target + L"\\" + journal.backupFolder);
}

bool UndoExtraction(const ExtractJournal& journal) {
    bool complete = true;
    if (journal.discarded) {
        complete = RemoveDiscarded(journal);
    }
    // A target that was moved aside (or is gone otherwise) holds nothing to undo.
    if (!IsMissing(journal.target)) {
        complete = UndoInPlace(journal) && complete;
    }
    // Deepest first; each one is the target or one of its parents.
    std::vector<std::wstring> levels = journal.createdLevels;
    std::sort(levels.begin(), levels.end(),
              [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const std::wstring& level : levels) {
        if (!RemoveEmptyDirectory(level)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"无法删除文件夹：%s", level.c_str());
        }
    }
    return complete;
}

bool DiscardTarget(const ExtractJournal& journal) {
    UniqueKernelHandle target(::CreateFileW(
        journal.target.c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!target || !::GetFileInformationByHandle(target.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return false;
    }
    return ZipFilePlacer::RenameOpened(target.get(), DiscardFolderPath(journal));
}

bool FinishCommit(const ExtractJournal& journal) {
    const std::wstring backup = journal.target + L"\\" + journal.backupFolder;
    if (IsMissing(backup)) {
        return true;
    }
    HeldTree tree;
    HANDLE folder = tree.Open(journal.target) ? tree.Directory(journal.backupFolder) : nullptr;
    if (folder == nullptr) {
        return false;
    }
    for (const MovedFile& moved : journal.movedFiles) {
        // Through the held backup folder, read-only ones too; a delete never follows a link.
        static_cast<void>(ZipFilePlacer::DeleteBelow(folder, BackupFileName(moved.number), nullptr));
    }
    if (!tree.RemoveEmpty(journal.backupFolder)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"无法删除备份文件夹：%s", backup.c_str());
        return false;
    }
    return true;
}
