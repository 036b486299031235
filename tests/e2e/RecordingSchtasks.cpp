// Takes the place of the system's scheduled-task tool in an end-to-end test prefix only
// (Wine's has no "/tr"): it appends its command line to C:\e2e-schtasks.txt and answers
// as a real one does when the task was made or removed.
#include <windows.h>

#include <string>

int wmain() {
    HANDLE file = ::CreateFileW(L"C:\\e2e-schtasks.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
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
