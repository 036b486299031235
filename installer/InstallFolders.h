#pragma once
// Where the client is installed by default and where an earlier install put it, as this
// machine says. The text rules behind both are in InstallDirRules.

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
