#pragma once
// The one UTF-8 codec of the host builds, where there is no code-page API to lean on: host
// file paths, skin markup and test fixtures all go through it, so they agree on what is
// valid. Windows builds convert through TextConv. Pure logic: no Windows headers.
//
// wchar_t is 16 bits on Windows and 32 bits on the host; characters beyond U+FFFF become a
// surrogate pair in the first case and one unit in the second, either way round.

#include <cstddef>
#include <string>

enum class Utf8Errors {
    Refuse,   // any invalid sequence fails the whole text: names that must round-trip
    Replace,  // each invalid sequence becomes U+FFFD: text meant for reading
};

// Invalid: a stray continuation byte, a lead byte past F4, a cut-off sequence, an overlong
// form, a surrogate or a value past U+10FFFF. With Refuse, `out` is left as it was.
bool DecodeUtf8(const char* data, size_t size, Utf8Errors errors, std::wstring* out);

// A lone surrogate (only possible with 16-bit wchar_t) or a unit past U+10FFFF becomes
// U+FFFD, so the result is always valid UTF-8.
std::string EncodeUtf8(const std::wstring& text);
