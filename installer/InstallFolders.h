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
