// Stands in for the installed client in end-to-end runs: it writes the command line it
// was started with beside itself and ends, so a run can tell the installer started it.
#include <windows.h>

#include <string>

#include "AppendCommandLine.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return 1;
    }
    std::wstring record(path, length);
    record.resize(record.rfind(L'\\') + 1);
    return AppendCommandLine(record + L"launch-args.txt") ? 0 : 1;
}
