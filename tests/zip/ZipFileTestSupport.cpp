#include "ZipFileTestSupport.h"

#include <winioctl.h>

#include <algorithm>

namespace {

void ListInto(const std::wstring& folder,
              const std::wstring& prefix,
              bool withDirectories,
              std::vector<std::wstring>* out) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (withDirectories) {
                out->push_back(prefix + name + L"/");
            }
            ListInto(folder + L"\\" + name, prefix + name + L"/", withDirectories, out);
        } else {
            out->push_back(prefix + name);
        }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

}  // namespace

TestSandbox::TestSandbox() : folder_(L"zipt") {}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok =
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    ::CloseHandle(file);
    return ok;
}

std::string ReadBytes(const std::wstring& path) {
    // Shared for writing too: the log is read while the installer's log holds it open.
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<missing>";
    }
    std::string out;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        out.append(buffer, got);
    }
    ::CloseHandle(file);
    return out;
}

bool PathExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD AttributesOf(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str());
}

std::vector<std::wstring> ListFiles(const std::wstring& folder, bool withDirectories) {
    std::vector<std::wstring> out;
    ListInto(folder, L"", withDirectories, &out);
    std::sort(out.begin(), out.end());
    return out;
}

std::wstring HostPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) {
        path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return path;
}

bool MakeJunction(const std::wstring& link, const std::wstring& target) {
    if (!::CreateDirectoryW(link.c_str(), nullptr)) {
        return false;
    }
    HANDLE dir = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (dir == INVALID_HANDLE_VALUE) {
        return false;
    }
    const std::wstring substitute = L"\\??\\" + target;
    std::vector<BYTE> buffer(sizeof(DWORD) + 2 * sizeof(WORD) + 8 + (substitute.size() + 2) * sizeof(wchar_t) * 2);
    auto put16 = [&](size_t at, size_t value) { *reinterpret_cast<WORD*>(&buffer[at]) = static_cast<WORD>(value); };
    *reinterpret_cast<DWORD*>(&buffer[0]) = IO_REPARSE_TAG_MOUNT_POINT;
    const size_t nameBytes = substitute.size() * sizeof(wchar_t);
    const size_t pathBuffer = 16;
    std::copy(substitute.begin(), substitute.end(), reinterpret_cast<wchar_t*>(&buffer[pathBuffer]));
    put16(8, 0);                             // substitute name offset
    put16(10, nameBytes);                    // substitute name length
    put16(12, nameBytes + sizeof(wchar_t));  // print name offset
    put16(14, 0);                            // print name length
    const size_t dataLength = 8 + nameBytes + 2 * sizeof(wchar_t);
    put16(4, dataLength);
    DWORD returned = 0;
    const BOOL ok = ::DeviceIoControl(dir, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(8 + dataLength),
                                      nullptr, 0, &returned, nullptr);
    ::CloseHandle(dir);
    return ok && (::GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
}
