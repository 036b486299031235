#pragma once

#include <string>
#include <string_view>

// Entry names come from the network and name files an administrator process writes, so
// they are cleaned into relative paths and then checked before anything touches the disk.

// Strips drive prefixes, leading separators and parent references: the repeated prefix
// rules, then every component up to and including the last "..", and every "." or empty
// component. Separators stay as they were written (a trailing one marks a directory).
[[nodiscard]] std::wstring CleanEntryName(std::wstring_view name);

// True when every component of a relative name can only name a file below the folder it
// is joined to: no ":" (streams, drives), no control or wildcard characters, no component
// made of dots and blanks only, no reserved device name (also with an extension or
// trailing blanks). Empty components are allowed; an empty name is not.
[[nodiscard]] bool IsSafeRelativeName(std::wstring_view name);

// CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$ in any case, with or without an
// extension, with trailing blanks.
[[nodiscard]] bool IsReservedDeviceName(std::wstring_view component);

[[nodiscard]] inline bool IsPathSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Begins with a separator or a drive ("X:").
[[nodiscard]] bool IsAbsoluteTargetName(std::wstring_view name);
