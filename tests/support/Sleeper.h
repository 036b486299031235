#pragma once
// A copy of a test program started as a stand-in process that only waits to be ended. It
// gets no console and the null device as its standard handles: a console would bring a
// console host of its own, and either would keep the test runner's output pipe open after
// the test is over, so the runner would wait for them.

#include <windows.h>

#include <string>

// Starts `image` with `commandLine` in `folder`, with `environment` ("NAME") set to "1" for
// the child only. The process handle, or null when it could not be started.
HANDLE StartSleeperProcess(const std::wstring& image,
                           std::wstring commandLine,
                           const std::wstring& folder,
                           const wchar_t* environment);
