#include <windows.h>

#include "app/ProductHooks.h"
#include "app/StartupSequence.h"
#include "engine/DeployCommandLine.h"
#include "engine/DeployExitCode.h"
#include "util/SystemDll.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR arguments, int) {
    // Before anything can load a DLL by name: only System32 may answer.
    RestrictDllSearchToSystem32();
    // Decided before the start-up: a command line that is wrong stops no service, ends no
    // process and writes no file, not even the log.
    const DeployCommand command = ParseDeployCommandLine(arguments != nullptr ? arguments : L"");
    if (command.kind == DeployCommand::Kind::Invalid) {
        return static_cast<int>(DeployExitCode::BadArguments);
    }
    return RunInstaller(instance, MakeProductHooks(), command);
}
