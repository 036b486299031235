#pragma once
// The one UTF-8 codec of the host builds, where there is no code-page API to lean on: host
// file paths, skin markup and test fixtures all go through it, so they agree on what is
// valid. On Windows, TextConv's UTF-8 conversions are this codec too, so both builds refuse
// the same texts. Pure logic: no Windows headers.
//
// wchar_t is 16 bits on Windows and 32 bits on the host; characters beyond U+FFFF become a
// surrogate pair in the first case and one unit in the second, either way round.

#include <cstddef>
#include <string>
#include <string_view>

enum class Utf8Errors {
    Refuse,   // any invalid sequence fails the whole text: names that must round-trip
    Replace,  // each invalid sequence becomes U+FFFD: text meant for reading
};

// Invalid: a stray continuation byte, a lead byte past F4, a cut-off sequence, an overlong
// form, a surrogate or a value past U+10FFFF. With Refuse, `out` is left as it was.
bool DecodeUtf8(const char* data, size_t size, Utf8Errors errors, std::wstring* out);

// A lone surrogate (a high one not followed by a low one, or a low one on its own) or a
// unit past U+10FFFF: with Refuse the whole text fails and `out` is left as it was; with
// Replace it becomes U+FFFD, so the result is always valid UTF-8.
bool EncodeUtf8(std::wstring_view text, Utf8Errors errors, std::string* out);

// EncodeUtf8 with Replace.
std::string EncodeUtf8(const std::wstring& text);
