#pragma once
// The message loop the window tests run between steps, with the toolkit's own message
// translation, the way the program's loop runs it.

#include <windows.h>

#include <functional>

// Handles what is queued, then what comes, for about `ms` milliseconds (0: only the queue).
void PumpMessages(DWORD ms);
// Handles messages until `done` holds; false when `timeoutMs` passed first.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
