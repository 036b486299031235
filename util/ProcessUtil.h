#pragma once
// Starting helper programs (cmd, taskkill, sc, schtasks). Every launch goes through one
// seam so tests can record the exact command lines instead of running them.

#include <cstdint>
#include <string>

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

// Forcibly ends every process with this image name and its children; not awaited.
void KillProcessByName(const std::wstring& imageName);
// Runs `command` through cmd /c in a hidden window; not awaited.
void RunHiddenCommand(const std::string& command);
