#include "engine/IntegrationUndo.h"

#include <windows.h>

#include <algorithm>

#include "system/AutostartTask.h"
#include "system/ProductNames.h"
#include "system/ShellLink.h"
#include "system/TaskbarPin.h"
#include "system/UninstallRegistration.h"
#include "util/HeldDirectory.h"
#include "util/UniqueHandle.h"
#include "util/WriteLogFile.h"
#include "zip/ZipFilePlacer.h"

namespace {

constexpr wchar_t kLogSource[] = L".\\IntegrationUndo";
// Far beyond a shortcut or a task definition; a larger file is not one.
constexpr DWORD kMaxSavedBytes = 4u * 1024 * 1024;
constexpr const wchar_t* kValueNames[] = {L"DisplayName", L"UninstallString", L"DisplayIcon", L"DisplayShortcut"};

std::wstring BackupFolder(const ExtractJournal& journal) {
    return journal.target + L"\\" + journal.backupFolder;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool IsMissing(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The whole content of the plain file `file`, opened as itself: a link planted there is
// refused, never read through.
bool ReadOpened(HANDLE file, std::string* bytes) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        info.nFileSizeHigh != 0 || info.nFileSizeLow > kMaxSavedBytes) {
        return false;
    }
    bytes->assign(info.nFileSizeLow, '\0');
    DWORD read = 0;
    return bytes->empty() ||
           (::ReadFile(file, &(*bytes)[0], info.nFileSizeLow, &read, nullptr) && read == info.nFileSizeLow);
}

bool ReadUnfollowed(const std::wstring& path, std::string* bytes) {
    UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file && ReadOpened(file.get(), bytes);
}

// The backup folder inside the target, reached through the held target and held itself
// while the undo reads and deletes the copies it keeps, so no copy is read from or deleted
// in a folder someone swapped in meanwhile.
class HeldBackupFolder {
  public:
    explicit HeldBackupFolder(const ExtractJournal& journal) {
        DWORD error = 0;
        target_ = OpenHeldDirectory(journal.target, &error);
        if (target_ && IsPlainDirectoryHandle(target_.get())) {
            folder_ = OpenBelow(target_.get(), journal.backupFolder, true, &error);
            if (folder_ && !IsPlainDirectoryHandle(folder_.get())) {
                folder_.reset();
            }
        }
        // A target or backup folder that is gone (moved aside, or never made) keeps no copy.
        absent_ = !folder_ && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
    }

    // Nothing under `name`: a copy never made.
    [[nodiscard]] bool IsMissing(const std::wstring& name) const {
        if (absent_) {
            return true;
        }
        DWORD error = 0;
        return folder_ && !OpenBelow(folder_.get(), name, false, &error) &&
               (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
    }
    [[nodiscard]] bool Read(const std::wstring& name, std::string* bytes) const {
        DWORD error = 0;
        UniqueKernelHandle file;
        if (folder_) {
            file = OpenFileBelowForReading(folder_.get(), name, &error);
        }
        return file && ReadOpened(file.get(), bytes);
    }
    // True when nothing is left under `name`.
    bool Delete(const std::wstring& name) const {
        return absent_ || (folder_ && ZipFilePlacer::DeleteBelow(folder_.get(), name, nullptr));
    }

  private:
    UniqueKernelHandle target_;
    UniqueKernelHandle folder_;
    bool absent_ = false;
};

// A new file at `path` with `bytes`; never opens what is there already.
bool WriteNew(const std::wstring& path, const std::string& bytes) {
    UniqueKernelHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    if (!ZipFilePlacer::WriteAll(file.get(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) {
        file.reset();
        ::DeleteFileW(path.c_str());
        return false;
    }
    return true;
}

bool IsAllowedLink(const std::wstring& path) {
    for (const std::wstring& place : OutsideLinkPlaces()) {
        if (SameText(place, path)) {
            return true;
        }
    }
    return false;
}

// The shortcut back as it was: the earlier one from its copy, or none.
bool UndoLink(const ExtractJournal& journal, const OutsideLink& link) {
    if (!IsAllowedLink(link.path)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装记录中的快捷方式不属于本程序，未处理：%s", link.path.c_str());
        return false;
    }
    if (link.saved == 0) {
        return ZipFilePlacer::DeleteUnfollowed(link.path, nullptr);
    }
    const HeldBackupFolder backup(journal);
    const std::wstring copy = IntegrationLinkFileName(link.saved);
    if (backup.IsMissing(copy)) {
        return true;  // recorded, but the run ended before it kept or touched anything
    }
    std::string bytes;
    if (!backup.Read(copy, &bytes) || !ZipFilePlacer::DeleteUnfollowed(link.path, nullptr) ||
        !WriteNew(link.path, bytes)) {
        return false;
    }
    return backup.Delete(copy);
}

bool UndoUninstall(const IntegrationRecord& record) {
    if (!record.keyExisted) {
        const LSTATUS status = ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, key.put()) !=
        ERROR_SUCCESS) {
        return false;
    }
    bool complete = true;
    for (const EarlierValue& value : record.values) {
        if (!value.present) {
            const LSTATUS status = ::RegDeleteValueW(key.get(), value.name.c_str());
            complete = complete && (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND);
            continue;
        }
        const std::wstring data = value.data;
        complete =
            ::RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS &&
            complete;
    }
    return complete;
}

bool UndoTask(const ExtractJournal& journal) {
    if (journal.integration.task == EarlierTask::Absent) {
        return DeleteAutostartTask(kAutostartTaskName);
    }
    const HeldBackupFolder backup(journal);
    if (backup.IsMissing(kIntegrationTaskFileName)) {
        return true;
    }
    std::string bytes;
    if (!backup.Read(kIntegrationTaskFileName, &bytes) || bytes.size() % sizeof(wchar_t) != 0) {
        return false;
    }
    const std::wstring xml(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    return RestoreTaskDefinition(kAutostartTaskName, xml) && backup.Delete(kIntegrationTaskFileName);
}

}  // namespace

bool SaveToBackup(const ExtractJournal& journal, const std::wstring& from, const std::wstring& name) {
    std::string bytes;
    return ReadUnfollowed(from, &bytes) && SaveBytesToBackup(journal, bytes, name);
}

bool SaveBytesToBackup(const ExtractJournal& journal, const std::string& bytes, const std::wstring& name) {
    const std::wstring part = BackupFolder(journal) + L"\\" + kIntegrationCopyName;
    static_cast<void>(ZipFilePlacer::DeleteUnfollowed(part, nullptr));
    if (!WriteNew(part, bytes)) {
        return false;
    }
    if (!::MoveFileExW(part.c_str(), (BackupFolder(journal) + L"\\" + name).c_str(), 0)) {
        static_cast<void>(ZipFilePlacer::DeleteUnfollowed(part, nullptr));
        return false;
    }
    return true;
}

bool ReadEarlierUninstall(bool* keyExists, std::vector<EarlierValue>* values) {
    values->clear();
    UniqueRegKey key;
    const LSTATUS opened =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, key.put());
    *keyExists = opened == ERROR_SUCCESS;
    if (opened == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    if (opened != ERROR_SUCCESS) {
        return false;
    }
    for (const wchar_t* name : kValueNames) {
        EarlierValue value;
        value.name = name;
        DWORD type = 0;
        DWORD bytes = 0;
        const LSTATUS sized = ::RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &bytes);
        if (sized == ERROR_FILE_NOT_FOUND) {
            values->push_back(value);
            continue;
        }
        // Only text values are ours to put back; another type there is not our entry's.
        if (sized != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || bytes % sizeof(wchar_t) != 0) {
            return false;
        }
        std::wstring data(bytes / sizeof(wchar_t), L'\0');
        if (bytes != 0 && ::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                                             &bytes) != ERROR_SUCCESS) {
            return false;
        }
        data.resize(bytes / sizeof(wchar_t));
        while (!data.empty() && data.back() == L'\0') {
            data.pop_back();
        }
        value.present = true;
        value.type = type;
        value.data = std::move(data);
        values->push_back(std::move(value));
    }
    return true;
}

std::vector<std::wstring> OutsideLinkPlaces() {
    std::vector<std::wstring> places;
    if (const std::wstring desktop = GetDesktopFolder(); !desktop.empty()) {
        places.push_back(desktop + L"\\" + kShortcutFileName);
    }
    if (const std::wstring startMenu = GetStartMenuProductFolder(); !startMenu.empty()) {
        places.push_back(startMenu + L"\\" + kStartShortcutName);
        places.push_back(startMenu + L"\\" + kUninstallShortcutName);
    }
    return places;
}

bool UndoIntegration(const ExtractJournal& journal) {
    const IntegrationRecord& record = journal.integration;
    bool complete = true;
    if (record.task != EarlierTask::Untouched && !UndoTask(journal)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"无法恢复开机启动任务");
        complete = false;
    }
    if (record.uninstallRecorded && !UndoUninstall(record)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"无法恢复卸载信息");
        complete = false;
    }
    // The shell keeps no trace we could check; a pin that stays is logged, not retried.
    if (record.pinned && !UnpinClientFromTaskbar()) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"无法取消任务栏固定");
    }
    for (auto link = record.links.rbegin(); link != record.links.rend(); ++link) {
        if (!UndoLink(journal, *link)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"无法恢复快捷方式：%s", link->path.c_str());
            complete = false;
        }
    }
    const std::wstring startMenu = GetStartMenuProductFolder();
    for (const std::wstring& folder : record.madeFolders) {
        // Only the start-menu folder, and only when empty: what someone put there stays.
        if (startMenu.empty() || !SameText(folder, startMenu)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"安装记录中的文件夹不属于本程序，未处理：%s", folder.c_str());
            continue;
        }
        if (!::RemoveDirectoryW(folder.c_str()) && !IsMissing(folder)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"无法删除文件夹：%s", folder.c_str());
        }
    }
    static_cast<void>(HeldBackupFolder(journal).Delete(kIntegrationCopyName));
    return complete;
}

void FinishIntegrationCommit(const ExtractJournal& journal) {
    const HeldBackupFolder backup(journal);
    for (const OutsideLink& link : journal.integration.links) {
        if (link.saved != 0) {
            static_cast<void>(backup.Delete(IntegrationLinkFileName(link.saved)));
        }
    }
    static_cast<void>(backup.Delete(kIntegrationTaskFileName));
    static_cast<void>(backup.Delete(kIntegrationCopyName));
}
