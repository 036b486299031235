#include <windows.h>

#include "app/ProductHooks.h"
#include "app/StartupSequence.h"
#include "util/SystemDll.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    // Before anything can load a DLL by name: only System32 may answer.
    RestrictDllSearchToSystem32();
    return RunInstaller(instance, MakeProductHooks());
}
