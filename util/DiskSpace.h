#pragma once
// Room on the drive a path lies on, so that a full disk is told apart from the failures
// around it (a lost network, a damaged package) before anything is written.

#include <cstdint>
#include <string>

struct DiskSpace {
    bool known = false;
    std::wstring volume;     // the volume's root, as "C:\" or "\\server\share\"
    uint64_t freeBytes = 0;  // free to this process (quotas count)
};

// The space on the volume of `path`, which need not exist yet: its nearest existing
// ancestor is asked. Not known when no ancestor can be asked.
DiskSpace QueryDiskSpace(const std::wstring& path);

// True for the system's codes of a write refused because the disk is full.
bool IsDiskFullError(uint32_t error);

// The log's words for too little room: the volume, what is needed and what is free.
std::wstring DescribeShortage(const DiskSpace& space, uint64_t neededBytes);
