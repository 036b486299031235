#include "util/MachineInfo.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>

#include <cpuid.h>

#include <cstdio>
#include <vector>

namespace {
class WinsockSession {
  public:
    WinsockSession() { ok_ = ::WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~WinsockSession() {
        if (ok_) {
            ::WSACleanup();
        }
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;

  private:
    WSADATA data_{};
    bool ok_ = false;
};
}  // namespace

bool IsUsableIpRow(const IpRow& row) {
    const unsigned char firstOctet = static_cast<unsigned char>(row.address & 0xFF);
    return row.address != 0 && row.mask != 0 && firstOctet != 127 && (row.type & 0x0008) == 0 &&
           row.mask != 0xFFFFFFFFul;
}

std::string GetLocalIpAddress() {
    WinsockSession winsock;
    ULONG size = 0;
    std::vector<unsigned char> buffer;
    DWORD status = ::GetIpAddrTable(nullptr, &size, FALSE);
    if (status == ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(size);
        status = ::GetIpAddrTable(reinterpret_cast<PMIB_IPADDRTABLE>(buffer.data()), &size, FALSE);
    }
    if (status != NO_ERROR || buffer.empty()) {
        return std::string();
    }
    const auto* table = reinterpret_cast<const MIB_IPADDRTABLE*>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IPADDRROW& row = table->table[i];
        if (!IsUsableIpRow({row.dwAddr, row.dwMask, row.wType})) {
            continue;
        }
        const unsigned long a = row.dwAddr;
        char text[16];
        std::snprintf(text, sizeof(text), "%lu.%lu.%lu.%lu", a & 0xFF, (a >> 8) & 0xFF, (a >> 16) & 0xFF,
                      (a >> 24) & 0xFF);
        return text;
    }
    return std::string();
}

std::string GetMacAddress() {
    ULONG size = 0;
    if (::GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) {
        return std::string();
    }
    std::vector<unsigned char> buffer(size);
    auto* list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    if (::GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, list, &size) != NO_ERROR) {
        return std::string();
    }
    for (const IP_ADAPTER_ADDRESSES* adapter = list; adapter; adapter = adapter->Next) {
        if (adapter->PhysicalAddressLength != 6) {
            continue;
        }
        const BYTE* m = adapter->PhysicalAddress;
        char text[32];
        std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", m[0], m[1], m[2], m[3], m[4], m[5]);
        return text;
    }
    return std::string();
}

std::string GetCpuId() {
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid_count(1, 0, eax, ebx, ecx, edx);
    char text[64];
    std::snprintf(text, sizeof(text), "%08X%08X", edx, eax);
    return text;
}

void GetWindowsVersion(int& major, int& minor) {
    wchar_t windowsDir[1024] = {};
    const UINT length = ::GetWindowsDirectoryW(windowsDir, ARRAYSIZE(windowsDir) - 1);
    if (length > 0 && length < ARRAYSIZE(windowsDir) - 1) {
        const std::wstring path = std::wstring(windowsDir, length) + L"\\System32\\ntdll.dll";
        DWORD handle = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
        if (size > 0) {
            std::vector<unsigned char> data(size + 1);
            VS_FIXEDFILEINFO* info = nullptr;
            UINT infoLength = 0;
            if (::GetFileVersionInfoW(path.c_str(), 0, size, data.data()) &&
                ::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoLength) && info &&
                infoLength >= sizeof(VS_FIXEDFILEINFO)) {
                major = HIWORD(info->dwFileVersionMS);
                minor = LOWORD(info->dwFileVersionMS);
                return;
            }
        }
    }
    // The version query lies to programs without a compatibility manifest, which is why
    // ntdll's file version comes first.
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (::GetVersionExW(&version)) {
#pragma GCC diagnostic pop
        major = static_cast<int>(version.dwMajorVersion);
        minor = static_cast<int>(version.dwMinorVersion);
    }
}

bool IsWindows8OrLater() {
    int major = -1;
    int minor = -1;
    GetWindowsVersion(major, minor);
    return major == 6 ? minor > 1 : major > 6;
}
