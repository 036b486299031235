#pragma once
// Starting the client at logon through a scheduled task, made and withdrawn with the
// system's scheduled-task tool.

#include <string>

// How long the tool is waited for; one still running then is taken as started.
inline constexpr unsigned kSchtasksWaitMs = 10000;

// True when the tool created the task, or was still running when the wait ended.
[[nodiscard]] bool CreateAutostartTask(const std::wstring& taskName, const std::wstring& exePath);
// True when the task is gone: the tool deleted it, there was none to delete, or the tool
// was still running when the wait ended.
[[nodiscard]] bool DeleteAutostartTask(const std::wstring& taskName);

enum class TaskPresence { Present, Absent, Unknown };
// Asks the task scheduler whether a task of this name exists in its root folder.
TaskPresence QueryTaskPresence(const std::wstring& taskName);

// The autostart step of an install into `targetDir`: creates the task "vljsqRun" for the
// client (enabled) or deletes it (disabled), and records the outcome as "powerup" in the
// client's "local.cfg" only when the step succeeded. True when it did.
bool ApplyAutostartOption(const std::wstring& targetDir, bool enabled);
