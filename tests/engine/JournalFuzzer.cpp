// Feeds arbitrary text to the reader of the install's undo record, which the next start
// reads from a folder others may have written to: none may crash, and a record that
// reads back survives being written again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/ExtractJournal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    const std::optional<ExtractJournal> journal = ParseExtractJournal(text);
    if (!journal) {
        return 0;
    }
    static_cast<void>(CanDiscardTarget(*journal));
    static_cast<void>(DiscardFolderPath(*journal));
    // Each integration line as its writer makes it reads back into the same record.
    IntegrationRecord again;
    for (const OutsideLink& link : journal->integration.links) {
        const std::wstring line = IntegrationLinkLine(link);
        if (!ParseIntegrationLine(line[0], std::wstring_view(line).substr(2, line.size() - 4), &again)) {
            __builtin_trap();
        }
    }
    if (journal->integration.uninstallRecorded) {
        const std::wstring key = IntegrationUninstallLine(journal->integration.keyExisted);
        if (!ParseIntegrationLine(key[0], std::wstring_view(key).substr(2, key.size() - 4), &again)) {
            __builtin_trap();
        }
        for (const EarlierValue& value : journal->integration.values) {
            const std::wstring line = IntegrationValueLine(value);
            if (!ParseIntegrationLine(line[0], std::wstring_view(line).substr(2, line.size() - 4), &again) ||
                again.values.back().data != value.data) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
