#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zip/ZipEntryStream.h"
#include "zip/ZipSource.h"
#include "zip/ZipStatus.h"

// One entry's record in the central directory.
struct ZipCentralEntry {
    uint16_t versionMadeBy = 0;
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t dosDateTime = 0;  // time in the low 16 bits, date in the high 16 bits
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
    uint16_t commentLength = 0;
    uint16_t diskNumberStart = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    uint32_t localHeaderOffset = 0;
    int second = 0;
    int minute = 0;
    int hour = 0;
    int day = 0;
    int month = 0;  // 0-based
    int year = 0;
};

// What the local header check yields; positions are absolute in the source.
struct ZipLocalHeader {
    uint16_t flags = 0;
    uint64_t extraOffset = 0;
    uint16_t extraLength = 0;
    uint64_t dataOffset = 0;
};

// A parsed archive: one disk, no zip64, stored and deflated entries, traditional
// encryption. The central directory is read and checked whole at open, so walking it later
// cannot fail half-way, and every entry's data must lie between its local header and the
// next entry, which refuses archives whose entries share bytes.
class ZipReader {
  public:
    static constexpr uint32_t kMaxDirectorySize = 64u * 1024 * 1024;
    static constexpr size_t kMaxLocateName = 256;

    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Parses the archive; on failure returns null (the source is freed) and the status.
    [[nodiscard]] static std::unique_ptr<ZipReader> Open(std::unique_ptr<ZipSource> source, int* status);

    [[nodiscard]] uint32_t EntryCount() const { return entryCount_; }
    [[nodiscard]] uint32_t CommentLength() const { return commentLength_; }
    [[nodiscard]] uint64_t BytesBefore() const { return bytesBefore_; }
    [[nodiscard]] uint32_t EntryNumber() const { return entryNumber_; }
    [[nodiscard]] bool EntryValid() const { return entryValid_; }
    [[nodiscard]] ZipSource& Source() { return *source_; }

    [[nodiscard]] int GoToFirstEntry();
    [[nodiscard]] int GoToNextEntry();
    [[nodiscard]] int GoToEntry(uint32_t index);

    // The current entry's central record and, when asked, its raw (undecoded) name.
    [[nodiscard]] int GetEntryHeader(ZipCentralEntry* entry, std::string* rawName) const;
    [[nodiscard]] int LocateEntry(std::string_view rawName, ZipCaseMode mode);
    [[nodiscard]] int CheckLocalHeader(ZipLocalHeader* header);

    [[nodiscard]] int OpenEntry(const char* password);
    [[nodiscard]] bool IsEntryOpen() const { return open_ != nullptr; }
    // Bytes produced (0..size) or a negative status; `endReached` once the entry is done.
    [[nodiscard]] int64_t ReadEntry(void* buffer, size_t size, bool* endReached);
    // kZipCrcMismatch when the whole entry was read and its CRC-32 differs.
    int CloseEntry();

  private:
    explicit ZipReader(std::unique_ptr<ZipSource> source);

    [[nodiscard]] int FindEndRecord(uint64_t* position);
    [[nodiscard]] int ReadEndRecord(uint64_t position);
    [[nodiscard]] int LoadDirectory();
    [[nodiscard]] int ReadCurrentEntry();
    [[nodiscard]] uint64_t NextLocalOffset(uint32_t localOffset) const;

    std::unique_ptr<ZipSource> source_;
    uint32_t entryCount_ = 0;
    uint32_t commentLength_ = 0;
    uint64_t bytesBefore_ = 0;
    uint64_t endRecordPos_ = 0;
    uint32_t dirSize_ = 0;
    uint32_t dirOffset_ = 0;
    std::vector<uint8_t> directory_;
    std::vector<uint32_t> recordPositions_;  // each entry's record within directory_
    std::vector<uint32_t> localOffsets_;     // sorted local header offsets of all entries
    uint32_t entryNumber_ = 0;
    bool entryValid_ = false;
    ZipCentralEntry entry_;
    std::unique_ptr<ZipEntryStream> open_;
};

[[nodiscard]] std::unique_ptr<ZipReader> OpenZipReader(std::unique_ptr<ZipSource> source, int* status = nullptr);
void CloseZipReader(std::unique_ptr<ZipReader>& reader);
