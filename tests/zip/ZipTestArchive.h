#pragma once

// Builds zip archives in memory for the tests, field by field, so a test can make any
// header disagree with any other. Compression uses zlib's deflate; the traditional
// encryption here is written from the format description on its own, so the reader's
// decryption is checked against an independent implementation (and against Info-ZIP in
// the interop tests).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ZipTestHeader {
    uint16_t versionMadeBy = 20;  // host 0 (DOS), version 2.0
    uint16_t versionNeeded = 20;
    uint16_t flags = 0;
    uint16_t method = 8;
    uint32_t dosDateTime = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    std::string name;
    std::string extra;
    uint16_t diskNumberStart = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0x20;
    std::optional<uint32_t> localOffset;  // central only: overrides the computed offset
};

struct ZipTestEntry {
    ZipTestHeader local;
    ZipTestHeader central;
    std::string payload;  // raw data as stored (compressed, encrypted)
    std::string trailer;  // bytes after the payload (a data descriptor)
};

struct ZipTestOptions {
    std::string password;  // non-empty: traditional encryption
    bool dataDescriptor = false;
};

class ZipTestArchive {
  public:
    // 2021-06-15 12:34:56 as a DOS date-time.
    static constexpr uint32_t kDefaultDosTime =
        (((2021 - 1980) << 25) | (6 << 21) | (15 << 16)) | ((12 << 11) | (34 << 5) | (56 / 2));

    ZipTestEntry& Add(const std::string& name,
                      const std::string& data,
                      uint16_t method = 8,
                      const ZipTestOptions& options = {});
    ZipTestEntry& AddDirectory(const std::string& name);

    [[nodiscard]] std::string Build() const;

    std::vector<ZipTestEntry> entries;
    std::string prefix;   // bytes before the archive (a self-extracting stub)
    std::string comment;  // archive comment
    std::string between;  // bytes between the last entry and the central directory
    std::optional<uint16_t> diskNumber;
    std::optional<uint16_t> directoryDisk;
    std::optional<uint16_t> entriesOnDisk;
    std::optional<uint16_t> entriesTotal;
    std::optional<uint32_t> directorySize;
    std::optional<uint32_t> directoryOffset;
    std::optional<uint16_t> commentLength;
};

[[nodiscard]] std::string RawDeflate(const std::string& data);
[[nodiscard]] uint32_t Crc32Of(const std::string& data);
// A "UT" extra block with the given flags and times.
[[nodiscard]] std::string UtBlock(uint8_t flags, const std::vector<int32_t>& times);
// Deterministic bytes: `size` bytes, compressible or not.
[[nodiscard]] std::string TestBytes(size_t size, bool compressible, uint32_t seed = 1);
