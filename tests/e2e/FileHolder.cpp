// Holds one file open the way another program using it would (no delete sharing, so it can
// be neither renamed nor deleted), until C:\e2e-release exists. Writes C:\e2e-held once it
// holds the file, so a run knows when to start the installer.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        return 2;
    }
    HANDLE file = ::CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    HANDLE mark =
        ::CreateFileW(L"C:\\e2e-held", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark != INVALID_HANDLE_VALUE) {
        ::CloseHandle(mark);
    }
    for (int i = 0; i < 6000 && ::GetFileAttributesW(L"C:\\e2e-release") == INVALID_FILE_ATTRIBUTES; ++i) {
        ::Sleep(50);
    }
    ::CloseHandle(file);
    return 0;
}
