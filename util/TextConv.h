#pragma once
// Every conversion between UTF-16, UTF-8 and the ANSI code page happens here. Text that
// cannot be converted exactly is refused, never guessed at: invalid UTF-8 (stray or cut-off
// sequences, overlong forms, encoded surrogates, values past U+10FFFF), an unpaired
// surrogate, bytes the code page does not define, or a character it cannot hold (no
// look-alike stands in). Each caller decides what a refusal means for it.
//
// UTF-8 goes through util/Utf8, the codec the host build uses as well, so both builds
// accept and refuse the same texts; the ANSI code page through the system's routines.

#include <optional>
#include <string>
#include <string_view>

[[nodiscard]] std::optional<std::string> WideToAnsi(std::wstring_view text);
[[nodiscard]] std::optional<std::wstring> AnsiToWide(std::string_view text);
[[nodiscard]] std::optional<std::wstring> Utf8ToWide(std::string_view text);
[[nodiscard]] std::optional<std::string> WideToUtf8(std::wstring_view text);
[[nodiscard]] std::optional<std::string> AnsiToUtf8(std::string_view text);

// For text that is only read by a person (log lines, a server's message): every invalid
// sequence becomes U+FFFD (the code page's default character for ANSI), so one bad byte
// costs one character, not the whole text. Never for names, paths or anything compared.
[[nodiscard]] std::wstring Utf8ToWideForReading(std::string_view text);
[[nodiscard]] std::wstring AnsiToWideForReading(std::string_view text);
