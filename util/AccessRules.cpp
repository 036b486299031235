#include "util/AccessRules.h"

#include <cstddef>

namespace acl {

namespace {

constexpr wchar_t kCreatorOwnerSid[] = L"S-1-3-0";
constexpr wchar_t kCreatorGroupSid[] = L"S-1-3-1";
constexpr wchar_t kOwnerRightsSid[] = L"S-1-3-4";

constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint32_t kGenericExecute = 0x20000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kGenericRead = 0x80000000;
constexpr uint32_t kFileWrite = 0x120116;
constexpr uint32_t kFileExecute = 0x1200A0;

struct Alias {
    const wchar_t* code;
    const wchar_t* sid;
};

// The aliases the system writes for well-known principals. Domain-relative ones (domain
// admins and the like) keep their alias: they are never among the trusted three.
constexpr Alias kSidAliases[] = {
    {L"AN", L"S-1-5-7"},      {L"AO", L"S-1-5-32-548"}, {L"AU", L"S-1-5-11"},     {L"BA", L"S-1-5-32-544"},
    {L"BG", L"S-1-5-32-546"}, {L"BO", L"S-1-5-32-551"}, {L"BU", L"S-1-5-32-545"}, {L"CG", L"S-1-3-1"},
    {L"CO", L"S-1-3-0"},      {L"ED", L"S-1-5-9"},      {L"IU", L"S-1-5-4"},      {L"LS", L"S-1-5-19"},
    {L"NS", L"S-1-5-20"},     {L"NU", L"S-1-5-2"},      {L"OW", L"S-1-3-4"},      {L"PS", L"S-1-5-10"},
    {L"PU", L"S-1-5-32-547"}, {L"RC", L"S-1-5-12"},     {L"SO", L"S-1-5-32-549"}, {L"SU", L"S-1-5-6"},
    {L"SY", L"S-1-5-18"},     {L"WD", L"S-1-1-0"},      {L"AC", L"S-1-15-2-1"},   {L"WR", L"S-1-5-33"},
};

struct Right {
    const wchar_t* code;
    uint32_t mask;
};

constexpr Right kRights[] = {
    {L"GA", kGenericAll},  {L"GR", kGenericRead}, {L"GW", kGenericWrite}, {L"GX", kGenericExecute},
    {L"RC", kReadControl}, {L"SD", kDelete},      {L"WD", kWriteDac},     {L"WO", kWriteOwner},
    {L"CC", 0x1},          {L"DC", 0x2},          {L"LC", 0x4},           {L"SW", 0x8},
    {L"RP", 0x10},         {L"WP", 0x20},         {L"DT", 0x40},          {L"LO", 0x80},
    {L"CR", 0x100},        {L"FA", kFileAll},     {L"FR", kFileRead},     {L"FW", kFileWrite},
    {L"FX", kFileExecute}, {L"KA", 0xF003F},      {L"KR", 0x20019},       {L"KW", 0x20006},
    {L"KX", 0x20019},
};

// A file object maps the generic rights like this; an ACE on a folder seldom keeps them,
// but one that does grants just as much.
uint32_t MapGeneric(uint32_t mask) {
    uint32_t mapped = mask & ~(kGenericAll | kGenericRead | kGenericWrite | kGenericExecute);
    if (mask & kGenericAll) {
        mapped |= kFileAll;
    }
    if (mask & kGenericRead) {
        mapped |= kFileRead;
    }
    if (mask & kGenericWrite) {
        mapped |= kFileWrite;
    }
    if (mask & kGenericExecute) {
        mapped |= kFileExecute;
    }
    return mapped;
}

bool StartsWith(const std::wstring& text, size_t at, const wchar_t* prefix) {
    for (size_t i = 0; prefix[i] != L'\0'; ++i) {
        if (at + i >= text.size() || text[at + i] != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool IsSidChar(wchar_t c) {
    return (c >= L'0' && c <= L'9') || c == L'-';
}

// "S-1-..." as it is, a two-letter alias resolved where it is well known.
std::optional<std::wstring> ResolveSid(const std::wstring& text) {
    if (text.size() > 2 && (text[0] == L'S' || text[0] == L's') && text[1] == L'-') {
        for (size_t i = 2; i < text.size(); ++i) {
            if (!IsSidChar(text[i])) {
                return std::nullopt;
            }
        }
        return L"S" + text.substr(1);
    }
    if (text.size() != 2) {
        return std::nullopt;
    }
    for (const Alias& alias : kSidAliases) {
        if (text == alias.code) {
            return std::wstring(alias.sid);
        }
    }
    return L"alias:" + text;
}

std::optional<uint32_t> ParseNumber(const std::wstring& text) {
    uint64_t value = 0;
    size_t i = 0;
    int base = 10;
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        base = 16;
        i = 2;
    }
    if (i >= text.size()) {
        return std::nullopt;
    }
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        int digit = -1;
        if (c >= L'0' && c <= L'9') {
            digit = c - L'0';
        } else if (base == 16 && c >= L'a' && c <= L'f') {
            digit = c - L'a' + 10;
        } else if (base == 16 && c >= L'A' && c <= L'F') {
            digit = c - L'A' + 10;
        }
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFu) {
            return std::nullopt;
        }
    }
    return static_cast<uint32_t>(value);
}

std::optional<uint32_t> ParseRights(const std::wstring& text) {
    if (!text.empty() && text[0] >= L'0' && text[0] <= L'9') {
        return ParseNumber(text);
    }
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    uint32_t mask = 0;
    for (size_t i = 0; i < text.size(); i += 2) {
        const std::wstring code = text.substr(i, 2);
        bool known = false;
        for (const Right& right : kRights) {
            if (code == right.code) {
                mask |= right.mask;
                known = true;
                break;
            }
        }
        if (!known) {
            return std::nullopt;
        }
    }
    return mask;
}

std::vector<std::wstring> SplitFields(const std::wstring& text) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L';', start);
        fields.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) {
            return fields;
        }
        start = end + 1;
    }
}

// One "(type;flags;rights;object;inherited object;sid[;attribute])". False on a malformed
// entry; `keep` is false for entry types that grant and deny nothing on a file.
bool ParseAce(const std::wstring& text, Ace& ace, bool& keep) {
    const std::vector<std::wstring> fields = SplitFields(text);
    if (fields.size() < 6 || fields.size() > 7) {
        return false;
    }
    const std::wstring& type = fields[0];
    if (type == L"A" || type == L"OA" || type == L"XA" || type == L"ZA") {
        ace.allow = true;
        keep = true;
    } else if (type == L"D" || type == L"OD" || type == L"XD") {
        ace.allow = false;
        keep = true;
    } else {
        keep = false;
    }
    const std::wstring& flags = fields[1];
    if (flags.size() % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < flags.size(); i += 2) {
        const std::wstring flag = flags.substr(i, 2);
        if (flag == L"OI") {
            ace.objectInherit = true;
        } else if (flag == L"CI") {
            ace.containerInherit = true;
        } else if (flag == L"IO") {
            ace.inheritOnly = true;
        } else if (flag == L"ID") {
            ace.inherited = true;
        } else if (flag != L"NP" && flag != L"SA" && flag != L"FA" && flag != L"CR" && flag != L"TP") {
            return false;
        }
    }
    const std::optional<uint32_t> rights = ParseRights(fields[2]);
    const std::optional<std::wstring> sid = ResolveSid(fields[5]);
    if (!rights || !sid) {
        return false;
    }
    ace.mask = MapGeneric(*rights);
    ace.sid = *sid;
    return true;
}

// The DACL part after "D:" up to the next section; `at` moves past it.
bool ParseDacl(const std::wstring& text, size_t& at, Descriptor& out) {
    out.hasDacl = true;
    while (at < text.size() && text[at] != L'(') {
        if (StartsWith(text, at, L"NO_ACCESS_CONTROL")) {
            out.nullDacl = true;
            at += 17;
        } else if (StartsWith(text, at, L"AI") || StartsWith(text, at, L"AR")) {
            at += 2;
        } else if (text[at] == L'P') {
            out.daclProtected = true;
            ++at;
        } else if (at + 1 < text.size() && text[at + 1] == L':') {
            return true;  // the next section
        } else {
            return false;
        }
    }
    while (at < text.size() && text[at] == L'(') {
        const size_t close = text.find(L')', at);
        if (close == std::wstring::npos) {
            return false;
        }
        Ace ace;
        bool keep = false;
        if (!ParseAce(text.substr(at + 1, close - at - 1), ace, keep)) {
            return false;
        }
        if (keep) {
            out.dacl.push_back(ace);
        }
        at = close + 1;
    }
    return true;
}

// A SACL, with its entries and the parentheses inside their attributes, is passed over.
bool SkipSacl(const std::wstring& text, size_t& at) {
    int depth = 0;
    while (at < text.size()) {
        const wchar_t c = text[at];
        if (c == L'(') {
            ++depth;
        } else if (c == L')') {
            if (--depth < 0) {
                return false;
            }
        } else if (depth == 0 && at + 1 < text.size() && text[at + 1] == L':') {
            return true;
        }
        ++at;
    }
    return depth == 0;
}

std::optional<std::wstring> ParseSidSection(const std::wstring& text, size_t& at) {
    size_t end = at;
    if (end + 1 < text.size() && (text[end] == L'S' || text[end] == L's') && text[end + 1] == L'-') {
        end += 2;
        while (end < text.size() && IsSidChar(text[end])) {
            ++end;
        }
    } else {
        end = at + 2;
    }
    if (end > text.size()) {
        return std::nullopt;
    }
    std::optional<std::wstring> sid = ResolveSid(text.substr(at, end - at));
    at = end;
    return sid;
}

}  // namespace

std::optional<Descriptor> ParseSddl(const std::wstring& sddl) {
    Descriptor out;
    size_t at = 0;
    bool sawOwner = false;
    bool sawDacl = false;
    while (at < sddl.size()) {
        if (at + 1 >= sddl.size() || sddl[at + 1] != L':') {
            return std::nullopt;
        }
        const wchar_t section = sddl[at];
        at += 2;
        if (section == L'O' || section == L'G') {
            const bool owner = section == L'O';
            if ((owner && sawOwner)) {
                return std::nullopt;
            }
            std::optional<std::wstring> sid = ParseSidSection(sddl, at);
            if (!sid) {
                return std::nullopt;
            }
            if (owner) {
                out.owner = *sid;
                sawOwner = true;
            }
        } else if (section == L'D') {
            if (sawDacl || !ParseDacl(sddl, at, out)) {
                return std::nullopt;
            }
            sawDacl = true;
        } else if (section == L'S') {
            if (!SkipSacl(sddl, at)) {
                return std::nullopt;
            }
        } else {
            return std::nullopt;
        }
    }
    return out;
}

bool IsTrustedSid(const std::wstring& sid) {
    return sid == kSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid;
}

uint32_t RightsOfOthers(const Descriptor& descriptor) {
    if (!descriptor.hasDacl || descriptor.nullDacl) {
        return kFileAll;
    }
    const bool ownerTrusted = IsTrustedSid(descriptor.owner);
    uint32_t rights = ownerTrusted ? 0 : (kReadControl | kWriteDac);
    for (const Ace& ace : descriptor.dacl) {
        if (!ace.allow || ace.inheritOnly) {
            continue;
        }
        // Placeholders that only mean something when inherited onto a new object.
        if (ace.sid == kCreatorOwnerSid || ace.sid == kCreatorGroupSid) {
            continue;
        }
        const bool trusted = ace.sid == kOwnerRightsSid ? ownerTrusted : IsTrustedSid(ace.sid);
        if (!trusted) {
            rights |= ace.mask;
        }
    }
    return rights;
}

bool IsHeldByAdministrators(const Descriptor& descriptor, uint32_t othersMay) {
    return IsTrustedSid(descriptor.owner) && descriptor.hasDacl && !descriptor.nullDacl && descriptor.daclProtected &&
           (RightsOfOthers(descriptor) & ~othersMay) == 0;
}

bool IsKeptByAdministrators(const Descriptor& descriptor, uint32_t othersMay) {
    return IsTrustedSid(descriptor.owner) && descriptor.hasDacl && !descriptor.nullDacl &&
           (RightsOfOthers(descriptor) & ~othersMay) == 0;
}

std::optional<size_t> FirstReplaceableAncestor(const std::vector<Ancestor>& chain) {
    for (size_t i = 0; i < chain.size(); ++i) {
        const Ancestor& folder = chain[i];
        if (folder.isLink || !folder.descriptor) {
            return i;
        }
        if (folder.isRoot) {
            continue;
        }
        if (RightsOfOthers(*folder.descriptor) & kReplaceSelf) {
            return i;
        }
        if (i > 0 && (RightsOfOthers(*chain[i - 1].descriptor) & kReplaceEntry)) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace acl
