#pragma once
// Which running processes the installer ends before it installs: the client's own
// programs, and only where the client lives. A process of the same name elsewhere (another
// product's VPN, a user's copy) is none of the installer's business. Pure logic over a
// snapshot, so it is checked on the host with made-up process tables.

#include <cstdint>
#include <string>
#include <vector>

struct ProcessEntry {
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    uint64_t createdAt = 0;  // any clock that orders creations; 0 when unknown
    std::wstring name;       // image file name, as the snapshot gives it
    std::wstring imagePath;  // full path of the image; empty when it could not be read
};

// Case-insensitive, "/" as "\", no trailing separator, "\\?\" dropped.
std::wstring NormalizeFolderForCompare(const std::wstring& folder);

// True when `imagePath` lies inside `folder` (at any depth).
bool IsInsideFolder(const std::wstring& imagePath, const std::wstring& folder);

// The processes to end, in an order where a parent comes before its children: each
// process whose name is one of `names` and whose image lies in one of `folders`, then its
// descendants. A child is a process whose parent id is that of an ended process and that
// was created after it (a parent id can be a stale one that a new process reuses). The
// process `selfPid` is never chosen, nor is anything chosen through it.
std::vector<uint32_t> SelectProcessesToEnd(const std::vector<ProcessEntry>& snapshot,
                                           const std::vector<std::wstring>& names,
                                           const std::vector<std::wstring>& folders,
                                           uint32_t selfPid);
