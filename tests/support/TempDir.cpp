#include "tests/support/TempDir.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

#include "util/UniqueHandle.h"

TempDir::TempDir(const std::wstring& label) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    path_ = std::wstring(temp) + label + L" " + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    RemoveTree(path_);
    std::error_code error;
    std::filesystem::create_directories(path_, error);
}

TempDir::~TempDir() {
    RemoveTree(path_);
}

void RemoveTree(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    // Tests leave read-only files behind on purpose; and a link is removed, never followed,
    // so a test's junction cannot take the files it points at with it.
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileW(path.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW data;
        const UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
        if (find) {
            do {
                const std::wstring name = data.cFileName;
                if (name != L"." && name != L"..") {
                    RemoveTree(path + L"\\" + name);
                }
            } while (::FindNextFileW(find.get(), &data));
        }
    }
    ::RemoveDirectoryW(path.c_str());
}
