#pragma once
// The process entry's fixed sequence: the single-instance guard, log, COM, service stop,
// skin, client kills, then the main window.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/DeployCommandLine.h"

// What start-up hands to the layers above it. Kept as hooks so the sequence runs (and is
// tested) with or without a window.
struct StartupHooks {
    std::function<void(HINSTANCE)> setToolkitInstance;
    // The buffer stays alive for the whole process.
    std::function<void(const uint8_t* data, size_t length, const char* password)> setResourceZip;
    // Creates, centres and runs the main window modally; returns when it is destroyed.
    // `logDir` is the work folder the start-up made, ending in a separator.
    std::function<void(HINSTANCE, const std::wstring& logDir)> runMainWindow;
    // The install without a window (/S), after the same start-up; returns the exit code.
    std::function<int(const DeployOptions&, const std::wstring& logDir)> runSilent;
    // The window's error box saying that the install cannot start (the skin is loaded).
    std::function<void()> refuseStart;
};

extern const char kGuardName[];

// The log directory: temp path + "varloSetup\", made the installer's own and held (or a
// fresh folder beside it when that name cannot be freed); nothing when neither can be had.
std::optional<std::wstring> DetermineLogDir();

// Ends the client's programs ("vljiasu.exe", "openvpn.exe", "varlojiasu.exe") that run
// from the default or the registered install folder, with their children; the number.
size_t EndClientProcesses();

// Runs the whole start-up, then the window (`command` of kind Window: returns 0 on every
// path) or the unattended install (kind Silent: returns its exit code, see DeployExitCode).
// An Invalid command must never get here: it changes nothing.
int RunInstaller(HINSTANCE instance, const StartupHooks& hooks, const DeployCommand& command = {});
