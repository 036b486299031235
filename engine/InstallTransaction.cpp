#include "engine/InstallTransaction.h"

#include <optional>
#include <vector>

#include "engine/ExtractUndo.h"
#include "engine/IntegrationUndo.h"
#include "engine/ReplayGate.h"
#include "util/WriteLogFile.h"
#include "zip/Unzip.h"
#include "zip/ZipFilePlacer.h"

namespace {

constexpr wchar_t kLogSource[] = L".\\InstallTransaction";
constexpr wchar_t kJournalName[] = L"extract.journal";
// Far beyond any real package's journal; a larger file is not ours.
constexpr DWORD kMaxJournalBytes = 16u * 1024 * 1024;

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load();
}

bool IsDiskFull(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

bool IsNotFound(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool FullPath(const std::wstring& path, std::wstring* full) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    full->assign(buffer, length);
    while (full->size() > 3 && full->back() == L'\\') {
        full->pop_back();
    }
    return true;
}

bool SamePrefix(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           ::CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                  static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

std::wstring Folded(const std::wstring& text) {
    std::wstring folded = text;
    if (!folded.empty()) {
        ::CharUpperBuffW(&folded[0], static_cast<DWORD>(folded.size()));
    }
    return folded;
}

uint32_t UniqueNumber() {
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    static std::atomic<uint32_t> sequence{0};
    return (::GetCurrentProcessId() << 16) ^ static_cast<uint32_t>(counter.QuadPart) ^
           (sequence.fetch_add(1) * 2654435761u) ^ ::GetTickCount();
}

// The levels of `target` that do not exist, the target first.
std::vector<std::wstring> MissingLevels(const std::wstring& target) {
    std::vector<std::wstring> missing;
    std::wstring level = target;
    while (level.size() > 3) {
        if (::GetFileAttributesW(level.c_str()) != INVALID_FILE_ATTRIBUTES || !IsNotFound(::GetLastError())) {
            break;
        }
        missing.push_back(level);
        level = level.substr(0, level.rfind(L'\\'));
    }
    return missing;
}

void DeleteThroughHandle(HANDLE file) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    static_cast<void>(::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)));
}

// The whole journal through a handle that opened the file itself, never a link there.
std::optional<std::wstring> ReadJournal(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        info.nFileSizeHigh != 0 || info.nFileSizeLow > kMaxJournalBytes || info.nFileSizeLow % sizeof(wchar_t) != 0) {
        return std::nullopt;
    }
    std::wstring text(info.nFileSizeLow / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    if (!text.empty() &&
        (!::ReadFile(file, &text[0], info.nFileSizeLow, &read, nullptr) || read != info.nFileSizeLow)) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

InstallTransaction::~InstallTransaction() {
    if (state_ == State::Begun) {
        static_cast<void>(Rollback());
    }
}

bool InstallTransaction::Begin(const std::wstring& target, const std::wstring& workDir) {
    // A bare name would land wherever the process happens to be.
    if (state_ != State::Idle || workDir.empty() || workDir.back() != L'\\') {
        return false;
    }
    ExtractJournal journal;
    if (!FullPath(target, &journal.target) || !IsRecordableTarget(journal.target)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装目录无法记录：%s", target.c_str());
        return false;
    }
    RecoverInterruptedInstall(workDir);
    journal.backupFolder = MakeBackupFolderName(UniqueNumber());
    journal.createdLevels = MissingLevels(journal.target);
    const std::wstring journalPath = workDir + kJournalName;
    // Held without write or delete sharing until the end: a second installer's recovery
    // cannot take it for an abandoned one. CREATE_NEW never opens what is already there.
    journalFile_.reset(::CreateFileW(journalPath.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!journalFile_) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装记录无法创建：%s，0x%08X", journalPath.c_str(),
                           static_cast<unsigned>(::GetLastError()));
        return false;
    }
    journal_ = std::move(journal);
    backupPath_ = journal_.target + L"\\" + journal_.backupFolder;
    state_ = State::Begun;
    if (!Append(JournalOpeningText(journal_))) {
        DeleteJournal();
        state_ = State::Ended;
        return false;
    }
    return true;
}

ExtractOutcome InstallTransaction::Extract(HANDLE heldPackage, const std::atomic<bool>* cancel) {
    ExtractOutcome outcome;
    if (state_ != State::Begun) {
        outcome.reason = L"安装记录未开始";
        return outcome;
    }
    cancel_ = cancel;
    refusal_.clear();
    journalError_ = 0;
    // The backup folder is named in the journal already; a fresh one, or none.
    if (!::CreateDirectoryW(backupPath_.c_str(), nullptr)) {
        outcome.reason = L"备份文件夹无法创建：" + backupPath_;
        return outcome;
    }
    ::SetFileAttributesW(backupPath_.c_str(), FILE_ATTRIBUTE_HIDDEN);

    ZipExtractError error;
    const ZipResult result = ExtractZipHandleObserved(heldPackage, journal_.target, nullptr, cancel, this, &error);
    cancel_ = nullptr;
    if (result == UZ_OK) {
        outcome.status = ExtractStatus::Ok;
        return outcome;
    }
    if (Cancelled(cancel)) {
        outcome.status = ExtractStatus::Cancelled;
        outcome.reason = L"解压已取消";
        return outcome;
    }
    if (!refusal_.empty()) {
        outcome.status = IsDiskFull(journalError_) ? ExtractStatus::DiskFull : ExtractStatus::Failed;
        outcome.reason = refusal_;
        return outcome;
    }
    outcome.status =
        result == UZ_WRITE && IsDiskFull(error.systemError) ? ExtractStatus::DiskFull : ExtractStatus::Failed;
    wchar_t code[64];
    ::wsprintfW(code, L"解压失败（0x%08X，0x%08X）：", static_cast<unsigned>(result),
                static_cast<unsigned>(error.systemError));
    outcome.reason = code + error.path;
    return outcome;
}

void InstallTransaction::Commit() {
    if (state_ != State::Begun) {
        return;
    }
    state_ = State::Ended;
    // Past this line a killed run is finished, not undone, by the next start. Should it
    // not go in, the journal goes first: a stray backup folder is better than an undo of
    // a good install.
    if (!Append(JournalCommitLine())) {
        DeleteJournal();
        FinishIntegrationCommit(journal_);
        static_cast<void>(FinishCommit(journal_));
        return;
    }
    FinishIntegrationCommit(journal_);
    if (FinishCommit(journal_)) {
        DeleteJournal();
    }
    journalFile_.reset();
}

bool InstallTransaction::Rollback() {
    if (state_ != State::Begun) {
        return state_ == State::Idle;
    }
    state_ = State::Ended;
    const ULONGLONG started = ::GetTickCount64();
    // What lies outside the folder first, while the backup folder still holds its copies.
    const bool outsideUndone = UndoIntegration(journal_);
    // A folder the install made and replaced nothing in goes in one move; its files are
    // then deleted where nobody looks for an install. A cancel is over at once, and a run
    // killed while deleting leaves no half-filled install folder, only the moved one,
    // which the next start removes.
    if (outsideUndone && CanDiscardTarget(journal_) && Append(JournalDiscardLine(journal_))) {
        journal_.discarded = true;
        static_cast<void>(DiscardTarget(journal_));
    }
    const bool complete = UndoExtraction(journal_) && outsideUndone;
    if (complete) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装已撤销：%s，用时 %u 毫秒", journal_.target.c_str(),
                           static_cast<unsigned>(::GetTickCount64() - started));
        DeleteJournal();
    } else {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装未能完全撤销，下次启动时继续：%s", journal_.target.c_str());
    }
    journalFile_.reset();
    return complete;
}

bool InstallTransaction::Record(const std::wstring& line) {
    if (state_ != State::Begun || line.size() < 5 || line[1] != L' ' ||
        line.compare(line.size() - 2, 2, L"\r\n") != 0 || line.find_first_of(L"\r\n") != line.size() - 2 ||
        !IsIntegrationTag(line[0])) {
        return false;
    }
    // The same reader as the next start's: what goes in is what can be read back.
    IntegrationRecord updated = journal_.integration;
    if (!ParseIntegrationLine(line[0], std::wstring_view(line).substr(2, line.size() - 4), &updated) || !Append(line)) {
        return false;
    }
    journal_.integration = std::move(updated);
    return true;
}

bool InstallTransaction::KeepTargetFile(const std::wstring& name) {
    if (state_ != State::Begun || !IsRecordableName(journal_, name)) {
        return false;
    }
    if (!recorded_.insert(Folded(name)).second) {
        return true;  // the extraction's own record puts it back already
    }
    const std::wstring path = journal_.target + L"\\" + name;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES && IsNotFound(::GetLastError())) {
        journal_.createdFiles.push_back(name);
        return Append(JournalFileLine(name));
    }
    MovedFile kept;
    kept.number = static_cast<uint32_t>(journal_.movedFiles.size() + 1);
    kept.name = name;
    journal_.movedFiles.push_back(kept);
    // Copied, not moved: the step changes the file in place, keeping the client's keys.
    return Append(JournalMovedLine(kept)) && SaveToBackup(journal_, path, BackupFileName(kept.number));
}

void InstallTransaction::Abandon() {
    state_ = State::Ended;
    journalFile_.reset();
}

bool InstallTransaction::BeforeDirectory(const std::wstring& path) {
    if (path.size() == journal_.target.size() && SamePrefix(path, journal_.target)) {
        return true;  // the target itself: its missing levels are in the opening lines
    }
    const std::wstring name = NameBelowTarget(path);
    if (name.empty()) {
        Refuse(L"文件夹无法记录：", path);
        return false;
    }
    if (!recorded_.insert(Folded(name)).second) {
        return true;
    }
    journal_.createdDirectories.push_back(name);
    return Append(JournalDirectoryLine(name));
}

bool InstallTransaction::BeforeFile(const std::wstring& path) {
    const std::wstring name = NameBelowTarget(path);
    if (name.empty()) {
        Refuse(L"文件无法记录：", path);
        return false;
    }
    // A name the package repeats: the first time decided what the undo does.
    if (!recorded_.insert(Folded(name)).second) {
        return true;
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES && IsNotFound(::GetLastError())) {
        journal_.createdFiles.push_back(name);
        return Append(JournalFileLine(name));
    }
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        Refuse(L"不是普通文件：", path);
        return false;
    }
    MovedFile moved;
    moved.number = static_cast<uint32_t>(journal_.movedFiles.size() + 1);
    moved.name = name;
    journal_.movedFiles.push_back(moved);
    if (!Append(JournalMovedLine(moved))) {
        return false;
    }
    // By name: one call per file, and a rename never follows a link (were the plain file
    // just seen swapped for one, the link itself would move aside).
    switch (ZipFilePlacer::MoveByName(path, backupPath_ + L"\\" + BackupFileName(moved.number), cancel_)) {
        case ZipFilePlacer::Move::Moved:
            return true;
        case ZipFilePlacer::Move::Held:
            Refuse(L"文件被占用：", path);
            return false;
        case ZipFilePlacer::Move::Refused:
            Refuse(L"不是普通文件：", path);
            return false;
        case ZipFilePlacer::Move::Absent:
        case ZipFilePlacer::Move::Failed:
            break;
    }
    Refuse(L"文件无法移开：", path);
    return false;
}

bool InstallTransaction::Append(const std::wstring& line) {
    const DWORD size = static_cast<DWORD>(line.size() * sizeof(wchar_t));
    DWORD written = 0;
    if (!::WriteFile(journalFile_.get(), line.data(), size, &written, nullptr) || written != size) {
        journalError_ = ::GetLastError();
        Refuse(L"安装记录无法写入：", kJournalName);
        return false;
    }
    return true;
}

std::wstring InstallTransaction::NameBelowTarget(const std::wstring& path) const {
    const std::wstring& target = journal_.target;
    if (path.size() <= target.size() + 1 || !SamePrefix(path, target) || path[target.size()] != L'\\') {
        return std::wstring();
    }
    std::wstring name = path.substr(target.size() + 1);
    return IsRecordableName(journal_, name) ? name : std::wstring();
}

void InstallTransaction::Refuse(const wchar_t* what, const std::wstring& path) {
    if (refusal_.empty()) {
        refusal_ = what + path;
    }
}

void InstallTransaction::DeleteJournal() {
    if (journalFile_) {
        DeleteThroughHandle(journalFile_.get());
        journalFile_.reset();
    }
}

void RecoverInterruptedInstall(const std::wstring& workDir) {
    const std::wstring journalPath = workDir + kJournalName;
    // The file itself, never a link planted in its place; no sharing but reads, so a
    // running install's journal (held for writing) is never taken.
    UniqueKernelHandle file(::CreateFileW(journalPath.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (!IsNotFound(error)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"安装记录无法打开：0x%08X", static_cast<unsigned>(error));
        }
        return;
    }
    const std::optional<std::wstring> text = ReadJournal(file.get());
    const std::optional<ExtractJournal> journal = text ? ParseExtractJournal(*text) : std::nullopt;
    if (!journal) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装记录无效，已删除");
        DeleteThroughHandle(file.get());
        return;
    }
    // A record that someone else could have written, or arranged the folder for, is never
    // followed: administrator rights would delete and replace files of their choosing.
    if (const std::optional<std::wstring> refusal = ReplayRefusal(journal->target)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装记录不可信，已删除，未改动任何文件：%s", refusal->c_str());
        DeleteThroughHandle(file.get());
        return;
    }
    // Without our backup folder in it, the folder named is not one a run of ours was
    // working in (or its commit had finished): nothing there is touched.
    if (!IsJournalFolderPresent(*journal)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"安装记录与目录不符，已删除：%s", journal->target.c_str());
        DeleteThroughHandle(file.get());
        return;
    }
    bool done = false;
    if (journal->committed) {
        FinishIntegrationCommit(*journal);
        done = FinishCommit(*journal);
    } else {
        // A discarded target was undone outside before it was moved aside.
        const bool outside = journal->discarded || UndoIntegration(*journal);
        done = UndoExtraction(*journal) && outside;
    }
    if (done) {
        g_logFile.WriteLog(kLogSource, __LINE__, journal->committed ? L"已完成中断的安装：%s" : L"已撤销中断的安装：%s",
                           journal->target.c_str());
        DeleteThroughHandle(file.get());
    } else {
        g_logFile.WriteLog(kLogSource, __LINE__, L"中断的安装未能完全撤销：%s", journal->target.c_str());
    }
}
