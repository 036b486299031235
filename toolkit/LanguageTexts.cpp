#include "toolkit/LanguageTexts.h"

std::map<int, std::wstring>& CLanguageTexts::Table() {
    static std::map<int, std::wstring> table;
    return table;
}

void CLanguageTexts::Set(int id, const std::wstring& text) {
    Table()[id] = text;
}

bool CLanguageTexts::Get(int id, std::wstring& text) {
    const auto it = Table().find(id);
    if (it == Table().end()) {
        return false;
    }
    text = it->second;
    return true;
}

void CLanguageTexts::Clear() {
    Table().clear();
}

std::wstring CLanguageTexts::Replace(const std::wstring& text) {
    if (text.find(L"%{") == std::wstring::npos || Table().empty()) {
        return text;
    }
    std::wstring out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = text.find(L"%{", pos);
        if (start == std::wstring::npos) {
            break;
        }
        size_t digitsEnd = start + 2;
        long long id = 0;
        while (digitsEnd < text.size() && text[digitsEnd] >= L'0' && text[digitsEnd] <= L'9' && id <= 0x7FFFFFFF) {
            id = id * 10 + (text[digitsEnd] - L'0');
            ++digitsEnd;
        }
        std::wstring replacement;
        if (digitsEnd > start + 2 && digitsEnd < text.size() && text[digitsEnd] == L'}' && id <= 0x7FFFFFFF &&
            Get(static_cast<int>(id), replacement)) {
            out.append(text, pos, start - pos);
            out += replacement;
            pos = digitsEnd + 1;
        } else {
            out.append(text, pos, start + 2 - pos);
            pos = start + 2;
        }
    }
    out.append(text, pos, std::wstring::npos);
    return out;
}
