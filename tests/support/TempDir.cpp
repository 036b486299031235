#include "tests/support/TempDir.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

TempDir::TempDir(const std::wstring& label) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    path_ = std::wstring(temp) + label + L" " + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    std::error_code error;
    std::filesystem::remove_all(path_, error);
    std::filesystem::create_directories(path_, error);
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}
