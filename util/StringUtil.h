#pragma once
// Byte-level text helpers that need no code page. Pure logic: no Windows headers.

#include <string>
#include <vector>

// Form encoding: digits, letters, "-", "_" and "." stay; blank becomes "+"; any other
// byte becomes %XX with upper-case digits.
std::string UrlEncode(const std::string& text);
// Each byte through the C library's single-byte case mapping.
std::string ChangeCase(bool toUpper, const std::string& text);
// Splits at runs of any of `delimiters`; see the tests for the edge rules.
void SplitWide(const std::wstring& text, std::vector<std::wstring>& parts, const std::wstring& delimiters);
