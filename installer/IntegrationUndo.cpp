#include "installer/IntegrationUndo.h"

#include <windows.h>

#include <algorithm>

#include "system/AutostartTask.h"
#include "system/ProductNames.h"
#include "system/ShellLink.h"
#include "system/TaskbarPin.h"
#include "system/UninstallRegistration.h"
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

// The whole content of the plain file at `path`, opened as itself: a link planted there
// is refused, never read through.
bool ReadUnfollowed(const std::wstring& path, std::string* bytes) {
    UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !::GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        info.nFileSizeHigh != 0 || info.nFileSizeLow > kMaxSavedBytes) {
        return false;
    }
    bytes->assign(info.nFileSizeLow, '\0');
    DWORD read = 0;
    return bytes->empty() ||
           (::ReadFile(file.get(), &(*bytes)[0], info.nFileSizeLow, &read, nullptr) && read == info.nFileSizeLow);
}

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
    const std::wstring copy = BackupFolder(journal) + L"\\" + IntegrationLinkFileName(link.saved);
    if (IsMissing(copy)) {
        return true;  // recorded, but the run ended before it kept or touched anything
    }
    std::string bytes;
    if (!ReadUnfollowed(copy, &bytes) || !ZipFilePlacer::DeleteUnfollowed(link.path, nullptr) ||
        !WriteNew(link.path, bytes)) {
        return false;
    }
    return ZipFilePlacer::DeleteUnfollowed(copy, nullptr);
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
    const std::wstring copy = BackupFolder(journal) + L"\\" + kIntegrationTaskFileName;
    if (IsMissing(copy)) {
        return true;
    }
    std::string bytes;
    if (!ReadUnfollowed(copy, &bytes) || bytes.size() % sizeof(wchar_t) != 0) {
        return false;
    }
    const std::wstring xml(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    return RestoreTaskDefinition(kAutostartTaskName, xml) && ZipFilePlacer::DeleteUnfollowed(copy, nullptr);
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
    static_cast<void>(ZipFilePlacer::DeleteUnfollowed(BackupFolder(journal) + L"\\" + kIntegrationCopyName, nullptr));
    return complete;
}

void FinishIntegrationCommit(const ExtractJournal& journal) {
    const std::wstring backup = BackupFolder(journal);
    for (const OutsideLink& link : journal.integration.links) {
        if (link.saved != 0) {
            static_cast<void>(
                ZipFilePlacer::DeleteUnfollowed(backup + L"\\" + IntegrationLinkFileName(link.saved), nullptr));
        }
    }
    static_cast<void>(ZipFilePlacer::DeleteUnfollowed(backup + L"\\" + kIntegrationTaskFileName, nullptr));
    static_cast<void>(ZipFilePlacer::DeleteUnfollowed(backup + L"\\" + kIntegrationCopyName, nullptr));
}
