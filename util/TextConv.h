#pragma once
// Every conversion between UTF-16, UTF-8 and the ANSI code page happens here. A failed
// conversion yields an empty string, never a half-converted one.

#include <string>
#include <vector>

std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
std::string AnsiToUtf8(const std::string& text);

// Form encoding: digits, letters, "-", "_" and "." stay; blank becomes "+"; any other
// byte becomes %XX with upper-case digits.
std::string UrlEncode(const std::string& text);
// Each byte through the C library's single-byte case mapping.
std::string ChangeCase(bool toUpper, const std::string& text);
// Splits at runs of any of `delimiters`; see the tests for the edge rules.
void SplitWide(const std::wstring& text, std::vector<std::wstring>& parts, const std::wstring& delimiters);
