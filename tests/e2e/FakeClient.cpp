// Stands in for the installed client in end-to-end runs: it writes the command line it
// was started with beside itself and ends, so a run can tell the installer started it.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return 1;
    }
    std::wstring record(path, length);
    record.resize(record.rfind(L'\\') + 1);
    record += L"launch-args.txt";
    HANDLE file = ::CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    const std::wstring line = std::wstring(::GetCommandLineW()) + L"\n";
    DWORD written = 0;
    ::WriteFile(file, line.c_str(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
