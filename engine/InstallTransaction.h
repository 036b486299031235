#pragma once
// The extraction into the install folder as one step that either completes or leaves the
// folder as it was. Earlier files the package replaces are moved aside (renamed, never
// copied) into a hidden backup folder inside the target; a journal in the work folder
// records each step before it is taken. Commit drops the backups and the journal; a
// failure, a cancel or a destruction without commit puts back every moved file, removes
// every file and directory the install made (the target and its new parents too) and
// leaves everything else alone. A process that dies half-way is undone by the next start
// through RecoverInterruptedInstall.

#include <windows.h>

#include <atomic>
#include <set>
#include <string>

#include "engine/ExtractJournal.h"
#include "util/UniqueHandle.h"
#include "zip/ZipExtractObserver.h"

enum class ExtractStatus {
    Ok,
    Cancelled,
    DiskFull,  // a write failed for want of space
    Failed,
};

struct ExtractOutcome {
    ExtractStatus status = ExtractStatus::Failed;
    std::wstring reason;  // for the log; empty on success
};

class InstallTransaction : private ZipExtractObserver {
  public:
    InstallTransaction() = default;
    // Rolls back unless committed (or abandoned).
    ~InstallTransaction();
    InstallTransaction(const InstallTransaction&) = delete;
    InstallTransaction& operator=(const InstallTransaction&) = delete;

    // Starts the journal in `workDir` (ending in a separator) with the target and those of
    // its levels that do not exist yet; the caller makes them afterwards. An unfinished
    // journal of an earlier run is undone first. False when the journal cannot be started
    // (an earlier one that cannot be undone, a work folder that takes no file, a target
    // that is no plain full path): nothing was touched then.
    [[nodiscard]] bool Begin(const std::wstring& target, const std::wstring& workDir);

    // Extracts the package read through `heldPackage` (see OpenZipFileHandle) into the
    // target. Checks `cancel` between entries and between chunks of an entry, and while
    // waiting for a held file. Leaves the undo to Rollback or the destructor.
    [[nodiscard]] ExtractOutcome Extract(HANDLE heldPackage, const std::atomic<bool>* cancel);

    // The steps after the extraction record here, before each change, what they change
    // (see IntegrationJournal.h). `line` is one integration line as its writer makes it;
    // false when it is none or cannot be written: the step must not run then.
    [[nodiscard]] bool Record(const std::wstring& line);
    // Before a file of the target (a settings file) is changed: an earlier one is copied
    // into the backup folder, or the file is recorded as new. Nothing to do for a file the
    // extraction dealt with already. False when the step must not run.
    [[nodiscard]] bool KeepTargetFile(const std::wstring& name);
    [[nodiscard]] const ExtractJournal& Journal() const { return journal_; }

    // Keeps the extracted files and the steps after them: drops the backups and the
    // journal.
    void Commit();
    // Undoes everything since Begin, the recorded steps after the extraction first. True
    // when all of it was undone; otherwise the journal stays for the next start to finish.
    bool Rollback();
    // Leaves the folder and the journal as a process killed at this point would.
    void Abandon();

  private:
    enum class State { Idle, Begun, Ended };

    [[nodiscard]] bool BeforeDirectory(const std::wstring& path) override;
    [[nodiscard]] bool BeforeFile(const std::wstring& path) override;

    [[nodiscard]] bool Append(const std::wstring& line);
    // The part of `path` below the target, or empty when it is not below it or cannot be
    // recorded.
    [[nodiscard]] std::wstring NameBelowTarget(const std::wstring& path) const;
    void Refuse(const wchar_t* what, const std::wstring& path);
    void DeleteJournal();

    State state_ = State::Idle;
    ExtractJournal journal_;
    std::wstring backupPath_;
    UniqueKernelHandle journalFile_;
    std::set<std::wstring> recorded_;  // names dealt with in this run, folded
    const std::atomic<bool>* cancel_ = nullptr;
    std::wstring refusal_;  // why the observer stopped the extraction
    DWORD journalError_ = 0;
};

// Undoes what a killed install left behind, as its journal in `workDir` records it, or
// finishes a commit it had begun. A journal still in use by a running install is left
// alone; one that is odd in any way, or names a folder that holds no backup folder of
// ours, is refused and removed without touching anything else.
void RecoverInterruptedInstall(const std::wstring& workDir);
