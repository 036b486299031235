#include "engine/ExtractJournal.h"

#include <algorithm>
#include <cwctype>
#include <set>

#include "zip/ZipEntryName.h"

namespace {

constexpr wchar_t kFormatLine[] = L"varlo extract journal 1";
constexpr wchar_t kCommitText[] = L"COMMIT";
constexpr wchar_t kBackupPrefix[] = L"~vzbak";
constexpr wchar_t kDiscardPrefix[] = L"~vzdel";
constexpr size_t kMaxPath = 260;  // characters including the terminator
constexpr uint32_t kMaxNumber = 99999999;

std::wstring Line(std::wstring_view tag, std::wstring_view text) {
    std::wstring line(tag);
    line += L' ';
    line += text;
    line += L"\r\n";
    return line;
}

bool IsHex(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F');
}

std::wstring Hex8(uint32_t value) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text(8, L'0');
    for (int i = 7; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kDigits[value & 0xF];
        value >>= 4;
    }
    return text;
}

// Names are compared as the file system does, without regard to case.
std::wstring Folded(std::wstring_view text) {
    std::wstring folded(text);
    for (wchar_t& c : folded) {
        c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    }
    return folded;
}

// Components separated by single "\", none empty, each one a safe file name.
bool IsPlainComponentList(std::wstring_view text) {
    if (text.empty() || text.front() == L'\\' || text.back() == L'\\' || text.find(L'/') != std::wstring_view::npos ||
        text.find(L"\\\\") != std::wstring_view::npos) {
        return false;
    }
    return IsSafeRelativeName(text);
}

// "X:\" followed by plain components; a drive alone is not an install folder.
bool IsPlainFullPath(std::wstring_view path) {
    if (path.size() < 4 || path.size() >= kMaxPath || path[1] != L':' || path[2] != L'\\') {
        return false;
    }
    const wchar_t drive = path[0];
    if (!((drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z'))) {
        return false;
    }
    return IsPlainComponentList(path.substr(3));
}

bool IsLevelOf(std::wstring_view level, std::wstring_view target) {
    if (!IsPlainFullPath(level)) {
        return false;
    }
    return level == target ||
           (target.size() > level.size() && target.substr(0, level.size()) == level && target[level.size()] == L'\\');
}

bool IsNameBelow(std::wstring_view name, const ExtractJournal& journal) {
    if (!IsPlainComponentList(name) || journal.target.size() + 1 + name.size() >= kMaxPath) {
        return false;
    }
    const std::wstring_view first = name.substr(0, name.find(L'\\'));
    return Folded(first) != Folded(journal.backupFolder);
}

bool ParseNumber(std::wstring_view text, uint32_t* number) {
    if (text.empty() || text.size() > 8 || text[0] == L'0') {
        return false;
    }
    uint32_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        value = value * 10 + static_cast<uint32_t>(c - L'0');
    }
    if (value > kMaxNumber) {
        return false;
    }
    *number = value;
    return true;
}

// The complete lines of the text, each without its "\r\n"; false when one ends otherwise.
bool SplitLines(std::wstring_view text, std::vector<std::wstring_view>* lines) {
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L'\n', start);
        if (end == std::wstring_view::npos) {
            return true;  // whatever follows the last line end was cut off
        }
        if (end == start || text[end - 1] != L'\r') {
            return false;
        }
        lines->push_back(text.substr(start, end - 1 - start));
        start = end + 1;
    }
}

}  // namespace

std::wstring JournalOpeningText(const ExtractJournal& journal) {
    std::wstring text = kFormatLine;
    text += L"\r\n";
    text += Line(L"T", journal.target);
    text += Line(L"B", journal.backupFolder);
    for (const std::wstring& level : journal.createdLevels) {
        text += Line(L"L", level);
    }
    return text;
}

std::wstring JournalDirectoryLine(const std::wstring& name) {
    return Line(L"D", name);
}

std::wstring JournalFileLine(const std::wstring& name) {
    return Line(L"F", name);
}

std::wstring JournalMovedLine(const MovedFile& moved) {
    return Line(L"M", std::to_wstring(moved.number) + L" " + moved.name);
}

std::wstring JournalCommitLine() {
    return std::wstring(kCommitText) + L"\r\n";
}

std::wstring JournalDiscardLine(const ExtractJournal& journal) {
    return Line(L"X", DiscardFolderPath(journal));
}

bool CanDiscardTarget(const ExtractJournal& journal) {
    return journal.movedFiles.empty() && !journal.committed &&
           std::find(journal.createdLevels.begin(), journal.createdLevels.end(), journal.target) !=
               journal.createdLevels.end();
}

std::wstring DiscardFolderPath(const ExtractJournal& journal) {
    const size_t split = journal.target.rfind(L'\\');
    const std::wstring parent = journal.target.substr(0, split == 2 ? 3 : split);
    const std::wstring name = kDiscardPrefix + journal.backupFolder.substr(std::wstring_view(kBackupPrefix).size());
    return parent.back() == L'\\' ? parent + name : parent + L"\\" + name;
}

std::optional<ExtractJournal> ParseExtractJournal(std::wstring_view text) {
    std::vector<std::wstring_view> lines;
    if (!SplitLines(text, &lines) || lines.size() < 3 || lines[0] != kFormatLine) {
        return std::nullopt;
    }
    ExtractJournal journal;
    if (lines[1].substr(0, 2) != L"T " || lines[2].substr(0, 2) != L"B ") {
        return std::nullopt;
    }
    journal.target = lines[1].substr(2);
    journal.backupFolder = lines[2].substr(2);
    if (!IsPlainFullPath(journal.target) || !IsBackupFolderName(journal.backupFolder) ||
        journal.target.size() + 1 + journal.backupFolder.size() >= kMaxPath) {
        return std::nullopt;
    }
    std::set<std::wstring> names;
    std::set<uint32_t> numbers;
    for (size_t i = 3; i < lines.size(); ++i) {
        const std::wstring_view line = lines[i];
        if (journal.committed || journal.discarded) {
            return std::nullopt;  // nothing follows the commit or the discard
        }
        if (line == kCommitText) {
            journal.committed = true;
            continue;
        }
        if (line.size() < 3 || line[1] != L' ') {
            return std::nullopt;
        }
        const wchar_t tag = line[0];
        std::wstring_view rest = line.substr(2);
        if (tag == L'X') {
            if (!CanDiscardTarget(journal) || rest != DiscardFolderPath(journal)) {
                return std::nullopt;
            }
            journal.discarded = true;
            continue;
        }
        if (tag == L'L') {
            // Levels come before anything below them was made.
            if (!journal.createdDirectories.empty() || !journal.createdFiles.empty() || !journal.movedFiles.empty() ||
                !IsLevelOf(rest, journal.target) || !names.insert(L"\\" + Folded(rest)).second) {
                return std::nullopt;
            }
            journal.createdLevels.emplace_back(rest);
            continue;
        }
        if (IsIntegrationTag(tag)) {
            if (!ParseIntegrationLine(tag, rest, &journal.integration)) {
                return std::nullopt;
            }
            continue;
        }
        MovedFile moved;
        if (tag == L'M') {
            const size_t blank = rest.find(L' ');
            if (blank == std::wstring_view::npos || !ParseNumber(rest.substr(0, blank), &moved.number) ||
                !numbers.insert(moved.number).second) {
                return std::nullopt;
            }
            rest = rest.substr(blank + 1);
        } else if (tag != L'D' && tag != L'F') {
            return std::nullopt;
        }
        if (!IsNameBelow(rest, journal) || !names.insert(Folded(rest)).second) {
            return std::nullopt;
        }
        if (tag == L'D') {
            journal.createdDirectories.emplace_back(rest);
        } else if (tag == L'F') {
            journal.createdFiles.emplace_back(rest);
        } else {
            moved.name = std::wstring(rest);
            journal.movedFiles.push_back(std::move(moved));
        }
    }
    return journal;
}

bool IsRecordableTarget(std::wstring_view path) {
    return IsPlainFullPath(path);
}

bool IsRecordableName(const ExtractJournal& journal, std::wstring_view name) {
    return IsNameBelow(name, journal);
}

std::wstring MakeBackupFolderName(uint32_t unique) {
    return kBackupPrefix + Hex8(unique);
}

bool IsBackupFolderName(std::wstring_view name) {
    const std::wstring_view prefix(kBackupPrefix);
    if (name.size() != prefix.size() + 8 || name.substr(0, prefix.size()) != prefix) {
        return false;
    }
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), IsHex);
}

std::wstring BackupFileName(uint32_t number) {
    return std::to_wstring(number);
}

bool IsPlacerTemporaryName(std::wstring_view name) {
    if (name.size() != 15 || name.substr(0, 3) != L"~vz" || name.substr(11) != L".tmp") {
        return false;
    }
    return std::all_of(name.begin() + 3, name.begin() + 11, IsHex);
}
