#pragma once
// Where the downloaded package is kept: <log directory>cache\<file name of the URL>.
// Pure logic on wide strings.

#include <cstddef>
#include <string>

// Longest package path, in characters, without the terminator.
constexpr size_t kMaxPackagePath = 511;
// Used when the URL's last segment cannot serve as a file name.
constexpr wchar_t kFallbackPackageName[] = L"package.zip";

// The last path segment of `url` with any query ("?") or fragment ("#") cut off first.
// A name that is empty, only dots, too long, holds characters Windows refuses in file
// names, ends in a dot or blank, or is a device name (CON, NUL, COM1, ...) is replaced
// by kFallbackPackageName.
[[nodiscard]] std::wstring PackageFileNameFromUrl(const std::wstring& url);

// logDir (ending in a separator) + "cache\" + fileName; empty when the result would not
// fit kMaxPackagePath, which the caller treats as a failed download.
[[nodiscard]] std::wstring BuildPackagePath(const std::wstring& logDir, const std::wstring& fileName);
