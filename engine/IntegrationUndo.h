#pragma once
// Puts back what the steps after the extraction changed outside the extracted files, as
// the undo record's integration lines say (see IntegrationJournal.h), or drops what they
// kept once the install is committed. Used by the install's own undo and by the next
// start after a killed run, so both undo the same way. Every path a record names outside
// the install folder must be one of the current user's own shortcut places; anything
// else is left alone and logged.

#include <string>
#include <vector>

#include "engine/ExtractJournal.h"

// Copies the plain file at `from` (never through a link there) into the journal's backup
// folder as `name`: written under a part name and renamed once complete, so a name in
// the backup folder always holds a whole copy. False when nothing was kept.
[[nodiscard]] bool SaveToBackup(const ExtractJournal& journal, const std::wstring& from, const std::wstring& name);
// The same with bytes the caller holds.
[[nodiscard]] bool SaveBytesToBackup(const ExtractJournal& journal, const std::string& bytes, const std::wstring& name);

// The uninstall entry's four values as they are now; false when the key could not be
// read (there, or absent: `keyExists` tells).
[[nodiscard]] bool ReadEarlierUninstall(bool* keyExists, std::vector<EarlierValue>* values);

// The shortcuts the install may make outside its folder, and the start-menu folder.
[[nodiscard]] std::vector<std::wstring> OutsideLinkPlaces();

// Latest step first: the task, the uninstall entry, the pin, the shortcuts and the
// start-menu folder. True when everything recorded was put back.
[[nodiscard]] bool UndoIntegration(const ExtractJournal& journal);

// Deletes the earlier shortcuts and task definition kept in the backup folder.
void FinishIntegrationCommit(const ExtractJournal& journal);
