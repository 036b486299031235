#pragma once

// The archive interface the installer and the skin loader use: handles to open archives,
// entry information with names made safe as relative paths, extraction into memory and
// (on Windows) into files below an extraction root.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

class ZipSource;
class ZipExtractObserver;
struct ZipExtractError;

using ZipResult = uint32_t;

constexpr ZipResult UZ_OK = 0x00000000;
constexpr ZipResult UZ_NOFILE = 0x00000200;    // archive unopenable or unparsable, target not creatable
constexpr ZipResult UZ_WRITE = 0x00000400;     // writing a target file failed
constexpr ZipResult UZ_NOTFOUND = 0x00000500;  // no entry has the name
constexpr ZipResult UZ_MORE = 0x00000600;      // the buffer is full and data remains
constexpr ZipResult UZ_CORRUPT = 0x00000700;   // local and central headers disagree
constexpr ZipResult UZ_READ = 0x00000800;      // the local extra field cannot be read
constexpr ZipResult UZ_PASSWORD = 0x00001000;  // wrong or missing password
constexpr ZipResult UZ_ARGS = 0x00010000;      // null handle, index out of range
constexpr ZipResult UZ_INFLATE = 0x05000000;   // the data is damaged, ends early or fails its CRC

constexpr uint32_t kZipAttrReadOnly = 0x01;
constexpr uint32_t kZipAttrHidden = 0x02;
constexpr uint32_t kZipAttrSystem = 0x04;
constexpr uint32_t kZipAttrDirectory = 0x10;
constexpr uint32_t kZipAttrArchive = 0x20;

constexpr size_t kZipMaxPath = 260;  // characters including the terminator

struct ZipEntryInfo {
    int32_t index;              // 0-based; for index -1 requests, the number of entries
    wchar_t name[kZipMaxPath];  // cleaned relative name, always terminated
    uint32_t attributes;        // kZipAttr* bits
    uint64_t accessTime;        // 100 ns intervals since 1601-01-01 UTC; 0 when unknown
    uint64_t creationTime;
    uint64_t writeTime;
    uint32_t compressedSize;
    uint32_t uncompressedSize;
};

struct ZipHandleData;
using ZipHandle = ZipHandleData*;

// The buffer is read in place and must outlive the handle. Null on any failure.
[[nodiscard]] ZipHandle OpenZipMemory(const void* buffer, uint32_t length, const char* password);
// Any source, e.g. one reading a file that was verified while held open. Null on failure.
[[nodiscard]] ZipHandle OpenZipFromSource(std::unique_ptr<ZipSource> source, const char* password);
ZipResult CloseZipHandle(ZipHandle handle);

// Index -1 reports the number of entries in `info->index`.
[[nodiscard]] ZipResult GetZipEntry(ZipHandle handle, int32_t index, ZipEntryInfo* info);
// Matches the stored name (before cleaning); `index` and `info` may be null.
[[nodiscard]] ZipResult FindZipEntry(ZipHandle handle,
                                     const std::wstring& name,
                                     bool ignoreCase,
                                     int32_t* index,
                                     ZipEntryInfo* info);
// Paths of 260 characters or more are refused with UZ_ARGS.
[[nodiscard]] ZipResult SetZipExtractRoot(ZipHandle handle, const std::wstring& directory);
// Extracts up to `length` bytes; calls with the same index continue where the last one
// stopped (UZ_MORE) until the entry ends (UZ_OK). `written`, when given, gets the count.
[[nodiscard]] ZipResult ExtractZipEntryToMemory(ZipHandle handle,
                                                int32_t index,
                                                void* buffer,
                                                uint32_t length,
                                                uint32_t* written = nullptr);
// The sum of every entry's uncompressed size as the central directory declares it, for
// a free-space check before an extraction.
[[nodiscard]] ZipResult GetZipTotalSize(ZipHandle handle, uint64_t* total);

#ifdef _WIN32
// Opens the file with read sharing only. Null on any failure.
[[nodiscard]] ZipHandle OpenZipFile(const std::wstring& path, const char* password);
// Reads through a file handle the caller keeps open until the archive is closed; reads
// are positioned, so the handle's file pointer does not matter. Open it with
// FILE_SHARE_READ only, so nobody can change the file between its check and its use.
[[nodiscard]] ZipHandle OpenZipFileHandle(HANDLE file, const char* password);

// Extracts entry `index` to `targetName` below the extraction root, through a temporary
// file as ExtractZipToDirectory does. Names that could reach outside the root, device
// names, streams and paths of 260 characters or more are refused with UZ_NOFILE before
// anything is created, as are directories on the way that are links or junctions.
[[nodiscard]] ZipResult ExtractZipEntryToFile(ZipHandle handle, int32_t index, const std::wstring& targetName);

// Unpacks every entry into `directory`; false at the first failing entry, leaving the
// entries before it in place. Each file is written under a temporary name beside its
// target and moved over it only once its size and CRC checked out, so a failed entry
// leaves an earlier file of its name as it was. Directories that are links or junctions
// at or below `directory` are refused. `cancel`, when given, is checked between entries
// and between chunks of an entry; once it is set the extraction stops with false, with
// no file left open and no partial file under a final name.
[[nodiscard]] bool ExtractZipToDirectory(const std::wstring& zipPath,
                                         const std::wstring& directory,
                                         const char* password,
                                         const std::atomic<bool>* cancel = nullptr);
// The same from a file held open (see OpenZipFileHandle).
[[nodiscard]] bool ExtractZipHandleToDirectory(HANDLE file,
                                               const std::wstring& directory,
                                               const char* password,
                                               const std::atomic<bool>* cancel = nullptr);

// ExtractZipHandleToDirectory, telling `observer` of every directory and file before it
// is made or placed. UZ_OK when everything went in; otherwise the result of the entry
// that stopped it (UZ_WRITE when the observer refused), with details in `error`.
[[nodiscard]] ZipResult ExtractZipHandleObserved(HANDLE file,
                                                 const std::wstring& directory,
                                                 const char* password,
                                                 const std::atomic<bool>* cancel,
                                                 ZipExtractObserver* observer,
                                                 ZipExtractError* error);
// GetZipTotalSize of an archive read through a held file (see OpenZipFileHandle).
[[nodiscard]] bool GetZipFileHandleTotalSize(HANDLE file, uint64_t* total);

// Creates every missing directory of `path`.
[[nodiscard]] bool MakeDirectoryTree(const std::wstring& path);
#endif
