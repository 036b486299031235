#pragma once
// Argument strings for the system's scheduled-task tool. Pure text work, so it builds and
// is tested on the host too.

#include <cstddef>
#include <optional>
#include <string>

// The tool's arguments always lived in a fixed buffer of this many characters, terminator
// included; anything longer is refused rather than cut.
inline constexpr size_t kTaskArgumentsCapacity = 512;
inline constexpr int kLogonDelaySeconds = 15;

// Creates (or replaces) a task that starts `exePath` at logon, delayed, at the highest
// run level. The action carries escaped quotes, so a path with blanks still starts.
// Empty when the result would not fit the capacity.
std::optional<std::wstring> FormatCreateTaskArguments(const std::wstring& taskName, const std::wstring& exePath);
std::optional<std::wstring> FormatDeleteTaskArguments(const std::wstring& taskName);

// The full command line the tool receives: its bare name, a blank, the arguments.
std::wstring SchtasksCommandLine(const std::wstring& arguments);
