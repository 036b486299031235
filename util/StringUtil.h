#pragma once
// Byte-level text helpers that need no code page. Pure logic: no Windows headers.

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// Form encoding: digits, letters, "-", "_" and "." stay; blank becomes "+"; any other
// byte becomes %XX with upper-case digits.
std::string UrlEncode(const std::string& text);
// Each byte through the C library's single-byte case mapping.
std::string ChangeCase(bool toUpper, const std::string& text);
// Splits at runs of any of `delimiters`; see the tests for the edge rules.
void SplitWide(const std::wstring& text, std::vector<std::wstring>& parts, const std::wstring& delimiters);

// One character and what stands for it in an escaped text.
struct CharEscape {
    wchar_t character;
    std::wstring_view escaped;
};

// `text` with every character `escapes` names written as its escape; the rest as it is.
template <size_t N>
std::wstring EscapeChars(std::wstring_view text, const CharEscape (&escapes)[N]) {
    std::wstring out;
    out.reserve(text.size());
    for (const wchar_t c : text) {
        const CharEscape* found = std::find_if(std::begin(escapes), std::end(escapes),
                                               [c](const CharEscape& escape) { return escape.character == c; });
        if (found != std::end(escapes)) {
            out += found->escaped;
        } else {
            out += c;
        }
    }
    return out;
}
