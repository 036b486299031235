#pragma once
// The undo record's lines for what the install changes outside its extracted files: the
// shortcuts outside the folder, the start-menu folder, the taskbar pin, the uninstall
// entry and the logon task. Each is written before its step runs and says what was there
// before, so a failed, cancelled or killed install can put it back. The data that would
// let a forged line do harm (an earlier shortcut, an earlier task's definition) is never
// in the line itself: it lies in the backup folder inside the protected install folder,
// and the line only says that it does. Read back as untrusted text, like the rest of the
// record. Pure logic.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A shortcut outside the install folder that the install makes or replaces.
struct OutsideLink {
    std::wstring path;   // full path, ending in ".lnk"
    uint32_t saved = 0;  // the earlier one's number in the backup folder; 0: there was none
};

// One of the uninstall entry's values as it was before the install.
struct EarlierValue {
    std::wstring name;
    bool present = false;
    uint32_t type = 1;  // REG_SZ or REG_EXPAND_SZ
    std::wstring data;  // without a terminating zero
};

enum class EarlierTask {
    Untouched,  // no task step was recorded
    Absent,     // there was none: the undo deletes it
    Saved,      // its definition lies in the backup folder as IntegrationTaskFileName
};

struct IntegrationRecord {
    std::vector<OutsideLink> links;
    // Folders outside the install folder that the install made (the start-menu folder).
    std::vector<std::wstring> madeFolders;
    // The install pinned the client, which was not pinned before.
    bool pinned = false;
    // The uninstall step was recorded; `keyExisted` and `values` say what was there.
    bool uninstallRecorded = false;
    bool keyExisted = false;
    std::vector<EarlierValue> values;
    EarlierTask task = EarlierTask::Untouched;
};

// The four values the uninstall entry writes; no other name may appear in a record.
[[nodiscard]] bool IsUninstallValueName(std::wstring_view name);

[[nodiscard]] std::wstring IntegrationLinkLine(const OutsideLink& link);
[[nodiscard]] std::wstring IntegrationFolderLine(const std::wstring& path);
[[nodiscard]] std::wstring IntegrationPinLine();
[[nodiscard]] std::wstring IntegrationUninstallLine(bool keyExisted);
[[nodiscard]] std::wstring IntegrationValueLine(const EarlierValue& value);
[[nodiscard]] std::wstring IntegrationTaskLine(EarlierTask task);

// Names inside the backup folder: a saved shortcut by its number, the saved task, and the
// one copy in progress (renamed to its final name once complete).
[[nodiscard]] std::wstring IntegrationLinkFileName(uint32_t number);
inline constexpr wchar_t kIntegrationTaskFileName[] = L"task.xml";
inline constexpr wchar_t kIntegrationCopyName[] = L"copy.part";

// True for the tags of these lines ("O", "K", "G", "U", "V", "A").
[[nodiscard]] bool IsIntegrationTag(wchar_t tag);
// Adds one line (its tag and the text after the blank) to `record`. False for anything
// the writer would not have written: a path that is not a plain full path under 260
// characters, a shortcut not ending in ".lnk", a repeated path, number or name, a value
// line before its "U +" or after a "U -", an unknown value name or type, an escape that
// is not one of the writer's, a second pin, uninstall or task line.
[[nodiscard]] bool ParseIntegrationLine(wchar_t tag, std::wstring_view rest, IntegrationRecord* record);
