#pragma once
// Starting helper programs (schtasks), ending the client's processes and stopping its old
// service. Every launch goes through one seam so tests can record the exact command lines
// instead of running them. No command interpreter is ever started: it would run the
// user's own AutoRun command with the installer's rights.

#include <cstdint>
#include <string>
#include <vector>

#include "util/ProcessSelection.h"

struct LaunchRequest {
    std::wstring program;      // full path of the executable; never searched for
    std::wstring commandLine;  // the complete command line the program receives
    std::wstring workDir;      // empty: inherit
    bool hidden = true;
    uint32_t waitMs = 0;  // 0: do not wait
};

struct LaunchResult {
    bool started = false;
    bool exited = false;  // only when waited for and the process ended in time
    uint32_t exitCode = 0;
};

class IProcessLauncher {
  public:
    virtual ~IProcessLauncher() = default;
    virtual LaunchResult Launch(const LaunchRequest& request) = 0;
};

// Null restores the real launcher. Tests only.
void SetProcessLauncher(IProcessLauncher* launcher);
LaunchResult LaunchProcess(const LaunchRequest& request);

// The system directory without a trailing separator; empty if it cannot be had.
std::wstring GetSystemDirectoryPath();

// The processes running now; image paths and start times where they can be read.
std::vector<ProcessEntry> SnapshotProcesses();

// Forcibly ends each process named as in `imageNames` whose image lies in one of `folders`,
// with its child processes (SelectProcessesToEnd); never this process. A process is ended
// only while it is still the one seen in the snapshot. Not awaited. The number ended.
size_t EndProcessesInFolders(const std::vector<std::wstring>& imageNames, const std::vector<std::wstring>& folders);

// Stops and then deletes the service through the service control manager; true when it
// is marked for deletion. Waits for nothing but the manager's answers.
bool StopAndDeleteService(const std::wstring& serviceName);
// The same on a thread of its own, not awaited; its result is not looked at.
void StopAndDeleteServiceDetached(const std::wstring& serviceName);
