#pragma once
// Where the client is installed by default and where an earlier install put it, as this
// machine says. The text rules behind both are in InstallDirRules.

#include <functional>
#include <optional>
#include <string>

// The system's folder for 32-bit programs + "\varlo"; when the system cannot name that
// folder, the system drive's "\Program Files (x86)\varlo".
std::wstring SystemDefaultInstallDir();

// The directory of the install registered in the uninstall entry; empty when there is
// none.
std::wstring RegisteredInstallDir();

// The folder the window proposes: the earlier install's, else the default.
std::wstring ProposedInstallDir();

// True when `dir` exists and holds entries: the window asks before it installs there.
bool FolderHoldsFiles(const std::wstring& dir);

// Where an install into `dir` goes once the user agrees to go on: `dir` itself, unless it
// holds files but no client, then a folder of the client's own below it ("\varlo").
std::wstring ConfirmedTargetDir(const std::wstring& dir);

// The one decision about a typed folder that both hosts take, the window turning it into
// boxes and questions, the unattended install into exit codes.
struct FolderDecision {
    // The folder as the install would use it; empty when the text names none (refused).
    std::wstring usable;
    // It holds files: asked before the install goes there (ConfirmedTargetDir).
    bool holdsFiles = false;
    // Where the install goes once that is agreed to.
    std::wstring target;
    // The folder at or above `target` that others than the administrators could replace:
    // asked about, since the client runs elevated from there. Logged when found.
    std::optional<std::wstring> replaceable;
    [[nodiscard]] bool TargetIsReplaceable() const { return replaceable && *replaceable == target; }
};

using ReplaceableProbe = std::function<std::optional<std::wstring>(const std::wstring& target)>;

FolderDecision DecideInstallFolder(const std::wstring& typed, const ReplaceableProbe& replaceable);
