#include "installer/ExtractUndo.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <vector>

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

// Every directory between the target and `name` (the target included, `name` itself not)
// is a plain directory, so nothing done to `name` can land elsewhere. `checked` holds the
// directories already found plain in this pass: an undo of thousands of files in a few
// folders opens each folder once, not once per file.
bool IsReachableWithoutLinks(const std::wstring& target, const std::wstring& name, std::set<std::wstring>* checked) {
    const auto isPlain = [checked](const std::wstring& directory) {
        if (checked->count(directory) != 0) {
            return true;
        }
        if (!IsPlainDirectory(directory)) {
            return false;
        }
        checked->insert(directory);
        return true;
    };
    if (!isPlain(target)) {
        return false;
    }
    for (size_t split = name.find(L'\\'); split != std::wstring::npos; split = name.find(L'\\', split + 1)) {
        if (!isPlain(target + L"\\" + name.substr(0, split))) {
            return false;
        }
    }
    return true;
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

// The placer's temporary files that a killed run left in `directory` and below it. They
// lie beside the files they were to become, in any folder of the package, one that was
// there before too; links and the backup folder are not entered.
void RemoveTemporaries(const std::wstring& directory, const std::wstring& backupFolder, int depth) {
    WIN32_FIND_DATAW data;
    UniqueFindHandle search(::FindFirstFileW((directory + L"\\*").c_str(), &data));
    if (!search) {
        return;
    }
    do {
        const std::wstring name = data.cFileName;
        const std::wstring path = directory + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name != L"." && name != L".." && name != backupFolder && depth > 0 &&
                !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsPlainDirectory(path)) {
                RemoveTemporaries(path, backupFolder, depth - 1);
            }
        } else if (IsPlacerTemporaryName(name)) {
            static_cast<void>(ZipFilePlacer::DeleteUnfollowed(path, nullptr));
        }
    } while (::FindNextFileW(search.get(), &data));
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

// The parts of the install inside the target, undone where they lie.
bool UndoInPlace(const ExtractJournal& journal) {
    const std::wstring& target = journal.target;
    const std::wstring backup = target + L"\\" + journal.backupFolder;
    bool complete = true;
    std::set<std::wstring> checked;
    // Earlier files first, latest move first: the new file in the way goes, the earlier
    // one returns under its name. A number whose backup is missing was never moved.
    for (auto moved = journal.movedFiles.rbegin(); moved != journal.movedFiles.rend(); ++moved) {
        const std::wstring from = backup + L"\\" + BackupFileName(moved->number);
        const std::wstring to = target + L"\\" + moved->name;
        if (IsMissing(from)) {
            continue;
        }
        if (!IsReachableWithoutLinks(target, moved->name, &checked) || !ZipFilePlacer::DeleteUnfollowed(to, nullptr) ||
            ZipFilePlacer::MoveUnfollowed(from, to, nullptr) != ZipFilePlacer::Move::Moved) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"无法恢复文件：%s", to.c_str());
            complete = false;
        }
    }
    for (auto created = journal.createdFiles.rbegin(); created != journal.createdFiles.rend(); ++created) {
        const std::wstring path = target + L"\\" + *created;
        if (!IsReachableWithoutLinks(target, *created, &checked) || !ZipFilePlacer::DeleteUnfollowed(path, nullptr)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"无法删除文件：%s", path.c_str());
            complete = false;
        }
    }
    if (IsPlainDirectory(target)) {
        RemoveTemporaries(target, journal.backupFolder, kMaxDepth);
    }
    if (!RemoveEmptyDirectory(backup)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"无法删除备份文件夹：%s", backup.c_str());
        complete = false;
    }
    for (auto made = journal.createdDirectories.rbegin(); made != journal.createdDirectories.rend(); ++made) {
        const std::wstring path = target + L"\\" + *made;
        if (!IsReachableWithoutLinks(target, *made, &checked) || !RemoveEmptyDirectory(path)) {
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
    if (!IsPlainDirectory(backup)) {
        return false;
    }
    for (const MovedFile& moved : journal.movedFiles) {
        // By name first, one call per file (a delete never follows a link either); a
        // read-only one needs its attribute cleared, through a handle to the file itself.
        const std::wstring path = backup + L"\\" + BackupFileName(moved.number);
        if (!::DeleteFileW(path.c_str()) && ::GetLastError() == ERROR_ACCESS_DENIED) {
            static_cast<void>(ZipFilePlacer::DeleteUnfollowed(path, nullptr));
        }
    }
    if (!RemoveEmptyDirectory(backup)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"无法删除备份文件夹：%s", backup.c_str());
        return false;
    }
    return true;
}
