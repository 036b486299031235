#pragma once
// Every conversion between UTF-16, UTF-8 and the ANSI code page happens here. A failed
// conversion yields an empty string, never a half-converted one.

#include <string>

std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
std::string AnsiToUtf8(const std::string& text);
