#pragma once
// The package information payload: {"version_code", "file_url", "file_md5"}. Pure logic.

#include <string>
#include <string_view>

struct PackageInfo {
    std::string fileUrl;
    std::string fileMd5;
    std::string versionCode;
};

enum class PackageInfoStatus {
    Ok,
    NotJson,    // not JSON at all (an empty payload included)
    BadMember,  // a member that is an object or array, or a root that is no object
    BadMd5,     // "file_md5" is not 32 hexadecimal digits
};

[[nodiscard]] PackageInfoStatus ParsePackageInfo(const std::string& payload, PackageInfo& info);

// Exactly 32 hexadecimal digits, either letter case.
[[nodiscard]] bool IsMd5Hex(std::string_view text);

// Digest equality ignoring letter case; an empty digest never matches anything.
[[nodiscard]] bool Md5Equal(std::string_view a, std::string_view b);
