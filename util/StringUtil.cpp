// The byte-level text helpers that need no code page: built natively too.
#include <cctype>

#include "util/StringUtil.h"

std::string UrlEncode(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_' ||
            c == '.') {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string ChangeCase(bool toUpper, const std::string& text) {
    std::string out(text);
    for (char& ch : out) {
        const int c = static_cast<unsigned char>(ch);
        ch = static_cast<char>(toUpper ? std::toupper(c) : std::tolower(c));
    }
    return out;
}

void SplitWide(const std::wstring& text, std::vector<std::wstring>& parts, const std::wstring& delimiters) {
    size_t start = 0;
    size_t pos = text.find_first_of(delimiters, start);
    while (pos != std::wstring::npos) {
        parts.push_back(text.substr(start, pos - start));
        start = text.find_first_not_of(delimiters, pos);
        if (start == std::wstring::npos) {
            return;
        }
        pos = text.find_first_of(delimiters, start);
    }
    if (start < text.size()) {
        parts.push_back(text.substr(start));
    }
}
