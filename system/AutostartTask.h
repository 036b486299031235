#pragma once
// Starting the client at logon through a task registered with the task scheduler's COM
// interface: no helper process, no definition file lying in a writable folder, and a
// result that says whether the scheduler took the task.

#include <string>

// True when the scheduler registered (or replaced) the task.
[[nodiscard]] bool CreateAutostartTask(const std::wstring& taskName, const std::wstring& exePath);
// True when the task is gone: deleted now, or there was none to delete.
[[nodiscard]] bool DeleteAutostartTask(const std::wstring& taskName);

enum class TaskPresence { Present, Absent, Unknown };
// Asks the task scheduler whether a task of this name exists in its root folder.
TaskPresence QueryTaskPresence(const std::wstring& taskName);

// The registered definition (XML) of the task in the scheduler's root folder, when it is
// Present; Unknown when the scheduler could not be asked or gave no definition.
TaskPresence ReadTaskDefinition(const std::wstring& taskName, std::wstring* xml);
// Registers `xml` as the task again, as the install registers its own. True when taken.
[[nodiscard]] bool RestoreTaskDefinition(const std::wstring& taskName, const std::wstring& xml);

// Reaches the task scheduler once and lets it go. Where the system starts the scheduler's
// service only on demand, that start then overlaps other work instead of holding up the
// autostart step. Nothing is kept or changed.
void WakeTaskScheduler();

// The autostart step of an install into `targetDir`: creates the task "vljsqRun" for the
// client (enabled) or deletes it (disabled), and records the outcome as "powerup" in the
// client's "local.cfg" only when the step succeeded. True when it did.
bool ApplyAutostartOption(const std::wstring& targetDir, bool enabled);
