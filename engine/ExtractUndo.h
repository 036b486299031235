#pragma once
// Puts an install folder back as an extraction journal says it was, or finishes the
// commit it records. Used by the transaction itself after a failure and by the next start
// after a killed run, so both undo in exactly the same way. Nothing here follows a link:
// every directory on the way from the target down to a recorded name must be a plain
// directory, and the file there is opened as itself. The target and those directories are
// held open, each reached through its held parent, while the undo works in them, so none
// can be swapped for a link between the check and the use.

#include "engine/ExtractJournal.h"

// The target and the backup folder inside it are both plain directories: the folder the
// journal names is one this installer was working in.
[[nodiscard]] bool IsJournalFolderPresent(const ExtractJournal& journal);

// A discarded target goes whole. Otherwise, moved files go back under their names
// (replacing what the extraction put there), created files and the placer's leftover
// temporary files go, then the backup folder and the created directories and levels,
// when empty. True when every recorded file was dealt
// with and the backup folder is gone; directories that cannot go are logged, not counted.
[[nodiscard]] bool UndoExtraction(const ExtractJournal& journal);

// Moves the whole target, a plain directory, to DiscardFolderPath in one step (the
// journal's discard line must be written first). False when it stays where it is.
[[nodiscard]] bool DiscardTarget(const ExtractJournal& journal);

// Deletes the moved files' backups and the backup folder. True when the folder is gone.
[[nodiscard]] bool FinishCommit(const ExtractJournal& journal);
