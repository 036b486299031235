#include "SystemTestSupport.h"

#include <shobjidl.h>
#include <winternl.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "system/TaskbarPin.h"
#include "util/ComPtr.h"

SharedStateLock::SharedStateLock() : mutex_(::CreateMutexW(nullptr, FALSE, L"Local\\VarloSystemTestsSharedState")) {
    if (mutex_) {
        ::WaitForSingleObject(mutex_, INFINITE);
    }
}

SharedStateLock::~SharedStateLock() {
    if (mutex_) {
        ::ReleaseMutex(mutex_);
        ::CloseHandle(mutex_);
    }
}

RawValue ReadRawValue(HKEY root, const std::wstring& subKey, const std::wstring& name, REGSAM view) {
    RawValue value;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
        return value;
    }
    DWORD bytes = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &bytes) == ERROR_SUCCESS) {
        value.bytes.resize(bytes);
        value.found =
            ::RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.bytes.data(), &bytes) == ERROR_SUCCESS;
        value.bytes.resize(bytes);
    }
    ::RegCloseKey(key);
    return value;
}

bool KeyExists(HKEY root, const std::wstring& subKey, REGSAM view) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

bool SetRawValue(HKEY key, const std::wstring& name, DWORD type, const void* data, DWORD bytes) {
    using SetValueKey = LONG(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);
    const auto setValueKey = reinterpret_cast<SetValueKey>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
    if (!setValueKey) {
        return false;
    }
    UNICODE_STRING valueName;
    valueName.Buffer = const_cast<PWSTR>(name.c_str());
    valueName.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    valueName.MaximumLength = valueName.Length;
    return setValueKey(key, &valueName, 0, type, const_cast<void*>(data), bytes) == 0;
}

std::vector<BYTE> StringBytes(const std::wstring& text) {
    std::vector<BYTE> bytes;
    for (const wchar_t ch : text) {
        bytes.push_back(static_cast<BYTE>(ch & 0xFF));
        bytes.push_back(static_cast<BYTE>(ch >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

LinkInfo LoadLink(const std::wstring& linkPath) {
    LinkInfo info;
    ScopedComInit com;
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                                  link.put_void()))) {
        return info;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link.As(file)) || FAILED(file->Load(linkPath.c_str(), STGM_READ))) {
        return info;
    }
    wchar_t buffer[1024] = {};
    if (FAILED(link->GetPath(buffer, ARRAYSIZE(buffer), nullptr, SLGP_RAWPATH))) {
        return info;
    }
    info.target = buffer;
    wchar_t arguments[1024] = {};
    if (FAILED(link->GetArguments(arguments, ARRAYSIZE(arguments)))) {
        return info;
    }
    info.arguments = arguments;
    info.loaded = true;
    return info;
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring IniValue(const std::wstring& path, const std::wstring& section, const std::wstring& key) {
    wchar_t buffer[1024] = {};
    ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"<absent>", buffer, ARRAYSIZE(buffer), path.c_str());
    return buffer;
}

bool SeedPinHandler() {
    // Windows has both commands; the undo of a pin borrows the second.
    const std::wstring classId = L"{90AA3A4E-1CBA-4233-B8BB-535773D48449}";
    for (const wchar_t* source : {kPinCommandSourceKey, kUnpinCommandSourceKey}) {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, source, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
            return false;
        }
        const bool written =
            ::RegSetValueExW(key, kPinHandlerValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(classId.c_str()),
                             static_cast<DWORD>((classId.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        ::RegCloseKey(key);
        if (!written) {
            return false;
        }
    }
    return true;
}
