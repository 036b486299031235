#pragma once
// The definition of the logon task in the task scheduler's XML form. Pure text work, so it
// builds and is tested on the host too.

#include <string>

inline constexpr int kLogonDelaySeconds = 15;

// A task that starts `exePath` (quoted, so a path with blanks stays one program) when any
// user logs on, 15 seconds late, at the highest run level the user has. Unlike the
// scheduler's defaults it starts and keeps running on battery, has no time limit, and
// starts as soon as it can when its start was missed.
std::wstring LogonTaskXml(const std::wstring& exePath);

// `text` as the content of an element: "&", "<" and ">" written as entities.
std::wstring XmlText(const std::wstring& text);
