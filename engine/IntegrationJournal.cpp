#include "engine/IntegrationJournal.h"

#include <algorithm>
#include <cwctype>

#include "engine/ExtractJournal.h"
#include "util/StringUtil.h"

namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kMaxNumber = 99999999;
constexpr wchar_t kLinkSuffix[] = L".lnk";

std::wstring Line(wchar_t tag, std::wstring_view text) {
    std::wstring line(1, tag);
    line += L' ';
    line += text;
    line += L"\r\n";
    return line;
}

// A value's data may hold anything but the record's line ends; "%" escapes those and
// itself, and a zero, so a line stays one line.
constexpr CharEscape kEscapes[] = {{L'%', L"%25"}, {L'\r', L"%0D"}, {L'\n', L"%0A"}, {L'\0', L"%00"}};

std::wstring Escaped(std::wstring_view text) {
    return EscapeChars(text, kEscapes);
}

std::optional<std::wstring> Unescaped(std::wstring_view text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            out += text[i];
            continue;
        }
        const std::wstring_view code = text.substr(i, 3);
        const CharEscape* found = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                               [code](const CharEscape& escape) { return escape.escaped == code; });
        if (found == std::end(kEscapes)) {
            return std::nullopt;
        }
        out += found->character;
        i += 2;
    }
    return out;
}

bool ParseNumber(std::wstring_view text, uint32_t* number) {
    if (text.empty() || text.size() > 8 || (text[0] == L'0' && text.size() > 1)) {
        return false;
    }
    uint32_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        value = value * 10 + static_cast<uint32_t>(c - L'0');
    }
    *number = value;
    return value <= kMaxNumber;
}

std::wstring Folded(std::wstring_view text) {
    std::wstring folded(text);
    for (wchar_t& c : folded) {
        c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    }
    return folded;
}

bool EndsWithLinkSuffix(std::wstring_view path) {
    const std::wstring_view suffix(kLinkSuffix);
    return path.size() > suffix.size() && Folded(path.substr(path.size() - suffix.size())) == Folded(suffix);
}

bool ParseLink(std::wstring_view rest, IntegrationRecord* record) {
    const size_t blank = rest.find(L' ');
    OutsideLink link;
    if (blank == std::wstring_view::npos || !ParseNumber(rest.substr(0, blank), &link.saved)) {
        return false;
    }
    link.path = std::wstring(rest.substr(blank + 1));
    if (!IsRecordableTarget(link.path) || !EndsWithLinkSuffix(link.path)) {
        return false;
    }
    for (const OutsideLink& other : record->links) {
        if (Folded(other.path) == Folded(link.path) || (link.saved != 0 && other.saved == link.saved)) {
            return false;
        }
    }
    record->links.push_back(std::move(link));
    return true;
}

bool ParseFolder(std::wstring_view rest, IntegrationRecord* record) {
    if (!IsRecordableTarget(rest)) {
        return false;
    }
    for (const std::wstring& other : record->madeFolders) {
        if (Folded(other) == Folded(rest)) {
            return false;
        }
    }
    record->madeFolders.emplace_back(rest);
    return true;
}

bool ParseValue(std::wstring_view rest, IntegrationRecord* record) {
    if (!record->uninstallRecorded || !record->keyExisted) {
        return false;
    }
    EarlierValue value;
    const size_t nameEnd = rest.find(L' ');
    value.name = std::wstring(rest.substr(0, nameEnd));
    if (!IsUninstallValueName(value.name)) {
        return false;
    }
    for (const EarlierValue& other : record->values) {
        if (other.name == value.name) {
            return false;
        }
    }
    if (nameEnd != std::wstring_view::npos) {
        // "<name> <type> <escaped data>", the data possibly empty.
        const std::wstring_view typed = rest.substr(nameEnd + 1);
        const size_t typeEnd = typed.find(L' ');
        if (typeEnd == std::wstring_view::npos || !ParseNumber(typed.substr(0, typeEnd), &value.type) ||
            (value.type != kRegSz && value.type != kRegExpandSz)) {
            return false;
        }
        std::optional<std::wstring> data = Unescaped(typed.substr(typeEnd + 1));
        if (!data) {
            return false;
        }
        value.present = true;
        value.data = std::move(*data);
    }
    record->values.push_back(std::move(value));
    return true;
}

}  // namespace

bool IsUninstallValueName(std::wstring_view name) {
    return name == L"DisplayName" || name == L"UninstallString" || name == L"DisplayIcon" || name == L"DisplayShortcut";
}

std::wstring IntegrationLinkLine(const OutsideLink& link) {
    return Line(L'O', std::to_wstring(link.saved) + L" " + link.path);
}

std::wstring IntegrationFolderLine(const std::wstring& path) {
    return Line(L'K', path);
}

std::wstring IntegrationPinLine() {
    return Line(L'G', L"+");
}

std::wstring IntegrationUninstallLine(bool keyExisted) {
    return Line(L'U', keyExisted ? L"+" : L"-");
}

std::wstring IntegrationValueLine(const EarlierValue& value) {
    if (!value.present) {
        return Line(L'V', value.name);
    }
    return Line(L'V', value.name + L" " + std::to_wstring(value.type) + L" " + Escaped(value.data));
}

std::wstring IntegrationTaskLine(EarlierTask task) {
    return Line(L'A', task == EarlierTask::Saved ? L"+" : L"-");
}

std::wstring IntegrationLinkFileName(uint32_t number) {
    return L"link" + std::to_wstring(number) + L".lnk";
}

bool IsIntegrationTag(wchar_t tag) {
    return tag == L'O' || tag == L'K' || tag == L'G' || tag == L'U' || tag == L'V' || tag == L'A';
}

bool ParseIntegrationLine(wchar_t tag, std::wstring_view rest, IntegrationRecord* record) {
    switch (tag) {
        case L'O':
            return ParseLink(rest, record);
        case L'K':
            return ParseFolder(rest, record);
        case L'G':
            if (rest != L"+" || record->pinned) {
                return false;
            }
            record->pinned = true;
            return true;
        case L'U':
            if ((rest != L"+" && rest != L"-") || record->uninstallRecorded) {
                return false;
            }
            record->uninstallRecorded = true;
            record->keyExisted = rest == L"+";
            return true;
        case L'V':
            return ParseValue(rest, record);
        case L'A':
            if ((rest != L"+" && rest != L"-") || record->task != EarlierTask::Untouched) {
                return false;
            }
            record->task = rest == L"+" ? EarlierTask::Saved : EarlierTask::Absent;
            return true;
        default:
            return false;
    }
}
