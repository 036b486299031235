#include "zip/ZipEntryName.h"

#include <vector>

namespace {

struct Component {
    std::wstring_view text;
    wchar_t separator;  // the separator that followed it, or 0 at the end
};

std::vector<Component> SplitComponents(std::wstring_view name) {
    std::vector<Component> parts;
    size_t start = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsPathSeparator(name[i])) {
            parts.push_back({name.substr(start, i - start), name[i]});
            start = i + 1;
        }
    }
    parts.push_back({name.substr(start), 0});
    return parts;
}

// One pass of the prefix rules; false when none applies.
bool StripOnePrefix(std::wstring& name) {
    if (name.size() >= 2 && name[1] == L':') {
        name.erase(0, 2);
        return true;
    }
    if (!name.empty() && IsPathSeparator(name[0])) {
        name.erase(0, 1);
        return true;
    }
    static const wchar_t* const kParentPatterns[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
    for (const wchar_t* pattern : kParentPatterns) {
        size_t at = name.find(pattern);
        if (at != std::wstring::npos) {
            name.erase(0, at + 4);
            return true;
        }
    }
    return false;
}

wchar_t FoldAscii(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool EqualsAsciiInsensitive(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsDotsAndBlanks(std::wstring_view component) {
    for (wchar_t c : component) {
        if (c != L'.' && c != L' ') {
            return false;
        }
    }
    return !component.empty();
}

bool IsForbiddenCharacter(wchar_t c) {
    return c < 0x20 || c == L':' || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*';
}

std::wstring CleanOnce(std::wstring name) {
    while (StripOnePrefix(name)) {
    }
    std::vector<Component> parts = SplitComponents(name);
    size_t first = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].text == L"..") {
            first = i + 1;
        }
    }
    std::wstring cleaned;
    for (size_t i = first; i < parts.size(); ++i) {
        const Component& part = parts[i];
        if (part.text.empty() || part.text == L".") {
            // A dropped last component leaves the separator before it as the trailing one.
            continue;
        }
        cleaned.append(part.text);
        if (part.separator) {
            cleaned.push_back(part.separator);
        }
    }
    return cleaned;
}

}  // namespace

std::wstring CleanEntryName(std::wstring_view raw) {
    // Dropping "." components can uncover a drive or a separator at the front again
    // ("\\.\C:\x"); clean until nothing changes, so the result never starts with one.
    std::wstring name(raw);
    for (;;) {
        std::wstring cleaned = CleanOnce(name);
        if (cleaned == name) {
            return cleaned;
        }
        name = std::move(cleaned);
    }
}

bool IsReservedDeviceName(std::wstring_view component) {
    std::wstring_view base = component.substr(0, component.find(L'.'));
    while (!base.empty() && base.back() == L' ') {
        base.remove_suffix(1);
    }
    static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* reserved : kNames) {
        if (EqualsAsciiInsensitive(base, reserved)) {
            return true;
        }
    }
    if (base.size() == 4 &&
        (EqualsAsciiInsensitive(base.substr(0, 3), L"COM") || EqualsAsciiInsensitive(base.substr(0, 3), L"LPT"))) {
        wchar_t digit = base[3];
        // Port 0 and the superscript digits one to three count as ports on some versions.
        return (digit >= L'0' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

bool IsSafeRelativeName(std::wstring_view name) {
    if (name.empty()) {
        return false;
    }
    for (wchar_t c : name) {
        if (IsForbiddenCharacter(c)) {
            return false;
        }
    }
    for (const Component& part : SplitComponents(name)) {
        if (part.text.empty()) {
            continue;
        }
        if (IsDotsAndBlanks(part.text) || IsReservedDeviceName(part.text)) {
            return false;
        }
    }
    return true;
}

bool IsAbsoluteTargetName(std::wstring_view name) {
    return (!name.empty() && IsPathSeparator(name[0])) || (name.size() >= 2 && name[1] == L':');
}
