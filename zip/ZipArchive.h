#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "zip/Unzip.h"
#include "zip/ZipReader.h"

// One open archive behind a ZipHandle: entry information with cleaned names, lookups,
// streaming an entry to a sink, and memory extraction in pieces.
class ZipArchive {
  public:
    static constexpr size_t kExtractBufferSize = 256 * 1024;

    [[nodiscard]] static std::unique_ptr<ZipArchive> Open(std::unique_ptr<ZipSource> source, const char* password);

    [[nodiscard]] uint32_t EntryCount() const { return reader_->EntryCount(); }
    [[nodiscard]] const std::wstring& ExtractRoot() const { return extractRoot_; }
    [[nodiscard]] ZipResult SetExtractRoot(const std::wstring& directory);

    [[nodiscard]] ZipResult GetEntry(int32_t index, ZipEntryInfo* info);
    [[nodiscard]] ZipResult FindEntry(const std::wstring& name, bool ignoreCase, int32_t* index, ZipEntryInfo* info);
    [[nodiscard]] ZipResult ExtractToMemory(int32_t index, void* buffer, uint32_t length, uint32_t* written);

    // Feeds the whole entry to `sink` in large pieces; a false from the sink stops with
    // UZ_WRITE. The result covers the entry's integrity: damage, early end or a CRC
    // mismatch is UZ_INFLATE.
    using Sink = std::function<bool(const uint8_t* data, size_t size)>;
    [[nodiscard]] ZipResult StreamEntry(int32_t index, const Sink& sink);

    // The declared uncompressed sizes of all entries added up, from the central directory.
    [[nodiscard]] ZipResult TotalUncompressedSize(uint64_t* total);

    // Ends a memory extraction in progress.
    void EndMemoryExtraction();

  private:
    ZipArchive(std::unique_ptr<ZipReader> reader, const char* password);

    [[nodiscard]] const char* Password() const { return password_ ? password_->c_str() : nullptr; }
    [[nodiscard]] ZipResult OpenEntryAt(int32_t index);
    [[nodiscard]] ZipResult BuildInfo(int32_t index, ZipEntryInfo* info);

    std::unique_ptr<ZipReader> reader_;
    int32_t memoryEntry_ = -1;
    ZipEntryInfo cachedInfo_{};
    int32_t cachedIndex_ = -1;
    std::optional<std::string> password_;
    std::vector<uint8_t> extractBuffer_;
    std::wstring extractRoot_;
};

// Attribute bits from the external attributes and the system that wrote the entry.
[[nodiscard]] uint32_t ZipEntryAttributes(uint16_t versionMadeBy, uint32_t externalAttributes);
// Applies the first "UT" block of an extra field to the times it carries.
void ApplyExtendedTimestamps(const uint8_t* extra, size_t length, ZipEntryInfo* info);
