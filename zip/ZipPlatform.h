#pragma once

#include <cstdint>
#include <string>

// The few things the extraction layer needs from the system it runs on: name decoding in
// the system's code pages, local-time conversion, the current directory. The Windows build
// uses the system's own conversions; the host build (tests, fuzzers) has simple stand-ins.

// Decodes a stored entry name: UTF-8 when the entry says so, else the ANSI code page.
// False when the bytes cannot be decoded.
[[nodiscard]] bool DecodeEntryName(const std::string& raw, bool utf8, std::wstring* name);

// The stored (ANSI code page) spelling of a name looked up by the caller.
[[nodiscard]] bool EncodeLookupName(const std::wstring& name, std::string* raw);

// A broken-down local time (month 1-12) as 100 ns intervals since 1601 UTC; 0 when the
// fields name no valid time.
[[nodiscard]] uint64_t LocalTimeToFileTime(int year, int month, int day, int hour, int minute, int second);

// The process's current directory, or empty.
[[nodiscard]] std::wstring CurrentDirectoryPath();
