#include "util/DiskSpace.h"

#include <windows.h>

#include "util/FileUtil.h"

DiskSpace QueryDiskSpace(const std::wstring& path) {
    DiskSpace space;
    std::wstring probe = path;
    while (!probe.empty() && !FileExists(probe)) {
        probe = GetParentPart(probe);
    }
    if (probe.empty()) {
        return space;
    }
    if (probe.back() != L'\\') {
        probe += L'\\';
    }
    ULARGE_INTEGER available = {};
    if (!::GetDiskFreeSpaceExW(probe.c_str(), &available, nullptr, nullptr)) {
        return space;
    }
    wchar_t volume[MAX_PATH + 1] = {};
    space.volume = ::GetVolumePathNameW(probe.c_str(), volume, MAX_PATH) ? volume : probe;
    space.freeBytes = available.QuadPart;
    space.known = true;
    return space;
}

bool IsDiskFullError(uint32_t error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

std::wstring DescribeShortage(const DiskSpace& space, uint64_t neededBytes) {
    return L"磁盘空间不足：" + space.volume + L" 需要 " + std::to_wstring(neededBytes) + L" 字节，可用 " +
           std::to_wstring(space.freeBytes) + L" 字节";
}
