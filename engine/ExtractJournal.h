#pragma once
// The record of one extraction into an install folder, kept in the work folder while the
// extraction runs, so that a run that ends half-way (a failure, a cancel, a killed
// process) can be undone: which levels of the folder the install made, which directories
// and files it created below it, and which earlier files it moved aside into its backup
// folder. Each step is written before it is taken. The record lies in the user's
// temporary folder, where anything running as that user can change it, so it is read back
// as untrusted text: whatever does not look exactly like what the writer writes is
// refused whole. Pure logic, so it builds and is checked on the host too.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/IntegrationJournal.h"

// An earlier file of the folder, now in the backup folder under its number.
struct MovedFile {
    uint32_t number = 0;
    std::wstring name;  // relative to the install folder
};

struct ExtractJournal {
    std::wstring target;        // "X:\..." without a trailing separator
    std::wstring backupFolder;  // the name of the backup folder directly inside `target`
    // `target` and those of its parents that did not exist before the install.
    std::vector<std::wstring> createdLevels;
    // Below `target`, with "\" separators, in the order they were made.
    std::vector<std::wstring> createdDirectories;
    std::vector<std::wstring> createdFiles;
    std::vector<MovedFile> movedFiles;
    // The extraction succeeded; what is left is dropping the backups.
    bool committed = false;
    // The undo moved the whole target aside (to DiscardFolderPath) to delete it there: the
    // install made it and replaced nothing in it, so all of it is the install's.
    bool discarded = false;
    // What the steps after the extraction changed outside its files.
    IntegrationRecord integration;
};

// The opening lines: the format, the target, the backup folder and the created levels.
[[nodiscard]] std::wstring JournalOpeningText(const ExtractJournal& journal);
[[nodiscard]] std::wstring JournalDirectoryLine(const std::wstring& name);
[[nodiscard]] std::wstring JournalFileLine(const std::wstring& name);
[[nodiscard]] std::wstring JournalMovedLine(const MovedFile& moved);
[[nodiscard]] std::wstring JournalCommitLine();
[[nodiscard]] std::wstring JournalDiscardLine(const ExtractJournal& journal);

// The install made the target and moved no earlier file: the undo may take the whole
// folder away at once instead of file by file.
[[nodiscard]] bool CanDiscardTarget(const ExtractJournal& journal);
// Beside the target: "~vzdel" and the backup folder's digits.
[[nodiscard]] std::wstring DiscardFolderPath(const ExtractJournal& journal);

// Reads a journal back. A last line without its end was cut off by the end of the
// writer, before the step it announces, and is left out. The discard line comes last and
// only where CanDiscardTarget holds. Nullopt for anything odd: an
// unknown or misplaced line, a target that is not a plain full path, a created level that
// is not the target or one of its parents, a name that is absolute, has "." or ".."
// components, streams, device names or lies in the backup folder, a malformed or repeated
// number or name, a path of 260 characters or more.
[[nodiscard]] std::optional<ExtractJournal> ParseExtractJournal(std::wstring_view text);

// A target the journal can record: "X:\" and plain components, under 260 characters.
[[nodiscard]] bool IsRecordableTarget(std::wstring_view path);
// A name the journal can record below its target (see ParseExtractJournal).
[[nodiscard]] bool IsRecordableName(const ExtractJournal& journal, std::wstring_view name);

// "~vzbak" and eight upper-case hexadecimal digits.
[[nodiscard]] std::wstring MakeBackupFolderName(uint32_t unique);
[[nodiscard]] bool IsBackupFolderName(std::wstring_view name);
// The name of a moved file inside the backup folder.
[[nodiscard]] std::wstring BackupFileName(uint32_t number);
// The spelling of the placer's temporary files ("~vz" + eight hex digits + ".tmp").
[[nodiscard]] bool IsPlacerTemporaryName(std::wstring_view name);
