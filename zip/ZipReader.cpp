#include "zip/ZipReader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t kEndRecordSize = 22;
constexpr uint32_t kEndRecordSearchWindow = 65535;
constexpr uint32_t kCentralHeaderSize = 46;
constexpr uint32_t kLocalHeaderSize = 30;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kFlagStrongEncryption = 0x0040;

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

bool HasSignature(const uint8_t* p, uint8_t third, uint8_t fourth) {
    return p[0] == 'P' && p[1] == 'K' && p[2] == third && p[3] == fourth;
}

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool NamesMatch(std::string_view stored, std::string_view wanted, ZipCaseMode mode) {
    if (stored.size() != wanted.size()) {
        return false;
    }
    if (mode == ZipCaseMode::kExact) {
        return stored == wanted;
    }
    for (size_t i = 0; i < stored.size(); ++i) {
        if (FoldAscii(stored[i]) != FoldAscii(wanted[i])) {
            return false;
        }
    }
    return true;
}

// A field of the local header either repeats the central value or, with a data
// descriptor, may be left zero.
bool LocalFieldAgrees(uint32_t local, uint32_t central, bool descriptor) {
    return local == central || (descriptor && local == 0);
}

}  // namespace

ZipReader::ZipReader(std::unique_ptr<ZipSource> source) : source_(std::move(source)) {}

ZipReader::~ZipReader() = default;

std::unique_ptr<ZipReader> ZipReader::Open(std::unique_ptr<ZipSource> source, int* status) {
    int ignored = 0;
    int& result = status ? *status : ignored;
    if (!source) {
        result = kZipBadParameter;
        return nullptr;
    }
    std::unique_ptr<ZipReader> reader(new (std::nothrow) ZipReader(std::move(source)));
    if (!reader) {
        result = kZipOutOfMemory;
        return nullptr;
    }
    uint64_t endPos = 0;
    result = reader->FindEndRecord(&endPos);
    if (result == kZipOk) {
        result = reader->ReadEndRecord(endPos);
    }
    if (result == kZipOk) {
        result = reader->LoadDirectory();
    }
    if (result == kZipOk) {
        int first = reader->GoToFirstEntry();
        result = first == kZipEndOfList ? kZipOk : first;
    }
    if (result != kZipOk) {
        return nullptr;
    }
    return reader;
}

int ZipReader::FindEndRecord(uint64_t* position) {
    uint64_t size = source_->Size();
    uint32_t window = static_cast<uint32_t>(std::min<uint64_t>(size, kEndRecordSearchWindow));
    if (window < 4) {
        return kZipBadArchive;
    }
    std::vector<uint8_t> tail;
    try {
        tail.resize(window);
    } catch (const std::bad_alloc&) {
        return kZipOutOfMemory;
    }
    uint64_t start = size - window;
    if (!source_->ReadExact(start, tail.data(), window)) {
        return kZipSourceError;
    }
    // The last signature wins: the record sits at the very end unless a comment follows it.
    for (uint32_t pos = window - 4 + 1; pos-- > 0;) {
        if (HasSignature(&tail[pos], 5, 6)) {
            *position = start + pos;
            return kZipOk;
        }
    }
    return kZipBadArchive;
}

int ZipReader::ReadEndRecord(uint64_t position) {
    uint8_t record[kEndRecordSize - 4];
    if (!source_->ReadExact(position + 4, record, sizeof(record))) {
        return kZipSourceError;
    }
    uint16_t thisDisk = Get16(record);
    uint16_t dirDisk = Get16(record + 2);
    uint16_t entriesHere = Get16(record + 4);
    uint16_t entriesTotal = Get16(record + 6);
    dirSize_ = Get32(record + 8);
    dirOffset_ = Get32(record + 12);
    commentLength_ = Get16(record + 16);
    if (entriesHere != entriesTotal || thisDisk != 0 || dirDisk != 0) {
        return kZipBadArchive;
    }
    uint64_t dirEnd = static_cast<uint64_t>(dirOffset_) + dirSize_;
    if (position < dirEnd) {
        return kZipBadArchive;
    }
    entryCount_ = entriesTotal;
    endRecordPos_ = position;
    bytesBefore_ = position - dirEnd;
    return kZipOk;
}

int ZipReader::LoadDirectory() {
    if (dirSize_ > kMaxDirectorySize) {
        return kZipBadArchive;
    }
    try {
        directory_.resize(dirSize_);
        recordPositions_.reserve(entryCount_);
        localOffsets_.reserve(entryCount_);
    } catch (const std::bad_alloc&) {
        return kZipOutOfMemory;
    }
    if (!source_->ReadExact(bytesBefore_ + dirOffset_, directory_.data(), dirSize_)) {
        return kZipSourceError;
    }
    uint64_t pos = 0;
    for (uint32_t i = 0; i < entryCount_; ++i) {
        if (pos + kCentralHeaderSize > dirSize_) {
            return kZipBadArchive;
        }
        const uint8_t* p = directory_.data() + pos;
        if (!HasSignature(p, 1, 2)) {
            return kZipBadArchive;
        }
        uint64_t length = kCentralHeaderSize + static_cast<uint64_t>(Get16(p + 28)) + Get16(p + 30) + Get16(p + 32);
        if (pos + length > dirSize_) {
            return kZipBadArchive;
        }
        uint32_t localOffset = Get32(p + 42);
        // Entries lie before the directory; one inside or after it would overlap it.
        if (static_cast<uint64_t>(localOffset) + kLocalHeaderSize > dirOffset_) {
            return kZipBadArchive;
        }
        recordPositions_.push_back(static_cast<uint32_t>(pos));
        localOffsets_.push_back(localOffset);
        pos += length;
    }
    std::sort(localOffsets_.begin(), localOffsets_.end());
    // Two records naming one local header make two entries out of the same bytes.
    if (std::adjacent_find(localOffsets_.begin(), localOffsets_.end()) != localOffsets_.end()) {
        return kZipBadArchive;
    }
    return kZipOk;
}

int ZipReader::ReadCurrentEntry() {
    const uint8_t* p = directory_.data() + recordPositions_[entryNumber_];
    ZipCentralEntry& e = entry_;
    e.versionMadeBy = Get16(p + 4);
    e.versionNeeded = Get16(p + 6);
    e.flags = Get16(p + 8);
    e.method = Get16(p + 10);
    e.dosDateTime = Get32(p + 12);
    e.crc = Get32(p + 16);
    e.compressedSize = Get32(p + 20);
    e.uncompressedSize = Get32(p + 24);
    e.nameLength = Get16(p + 28);
    e.extraLength = Get16(p + 30);
    e.commentLength = Get16(p + 32);
    e.diskNumberStart = Get16(p + 34);
    e.internalAttributes = Get16(p + 36);
    e.externalAttributes = Get32(p + 38);
    e.localHeaderOffset = Get32(p + 42);
    uint32_t time = e.dosDateTime & 0xFFFF;
    uint32_t date = e.dosDateTime >> 16;
    e.second = static_cast<int>((time & 31) * 2);
    e.minute = static_cast<int>((time >> 5) & 63);
    e.hour = static_cast<int>((time >> 11) & 31);
    e.day = static_cast<int>(date & 31);
    e.month = static_cast<int>((date >> 5) & 15) - 1;
    e.year = static_cast<int>(date >> 9) + 1980;
    entryValid_ = true;
    return kZipOk;
}

int ZipReader::GoToFirstEntry() {
    return GoToEntry(0);
}

int ZipReader::GoToNextEntry() {
    if (!entryValid_ || entryNumber_ + 1 >= entryCount_) {
        return kZipEndOfList;
    }
    return GoToEntry(entryNumber_ + 1);
}

int ZipReader::GoToEntry(uint32_t index) {
    CloseEntry();
    if (index >= entryCount_) {
        entryValid_ = false;
        return kZipEndOfList;
    }
    entryNumber_ = index;
    return ReadCurrentEntry();
}

int ZipReader::GetEntryHeader(ZipCentralEntry* entry, std::string* rawName) const {
    if (!entryValid_) {
        return kZipEndOfList;
    }
    if (entry) {
        *entry = entry_;
    }
    if (rawName) {
        const uint8_t* name = directory_.data() + recordPositions_[entryNumber_] + kCentralHeaderSize;
        rawName->assign(reinterpret_cast<const char*>(name), entry_.nameLength);
    }
    return kZipOk;
}

int ZipReader::LocateEntry(std::string_view rawName, ZipCaseMode mode) {
    if (rawName.size() >= kMaxLocateName) {
        return kZipBadParameter;
    }
    if (!entryValid_) {
        return kZipEndOfList;
    }
    CloseEntry();
    for (uint32_t i = 0; i < entryCount_; ++i) {
        const uint8_t* p = directory_.data() + recordPositions_[i];
        std::string_view stored(reinterpret_cast<const char*>(p + kCentralHeaderSize), Get16(p + 28));
        if (NamesMatch(stored, rawName, mode)) {
            entryNumber_ = i;
            return ReadCurrentEntry();
        }
    }
    return kZipEndOfList;
}

uint64_t ZipReader::NextLocalOffset(uint32_t localOffset) const {
    auto next = std::upper_bound(localOffsets_.begin(), localOffsets_.end(), localOffset);
    return next == localOffsets_.end() ? dirOffset_ : *next;
}

int ZipReader::CheckLocalHeader(ZipLocalHeader* header) {
    if (!entryValid_) {
        return kZipEndOfList;
    }
    uint64_t pos = bytesBefore_ + entry_.localHeaderOffset;
    uint8_t h[kLocalHeaderSize];
    if (!source_->ReadExact(pos, h, sizeof(h))) {
        return kZipSourceError;
    }
    if (!HasSignature(h, 3, 4)) {
        return kZipBadArchive;
    }
    uint16_t flags = Get16(h + 6);
    uint16_t method = Get16(h + 8);
    if (method != entry_.method || (method != 0 && method != 8)) {
        return kZipBadArchive;
    }
    bool descriptor = (flags & kFlagDataDescriptor) != 0;
    if (!LocalFieldAgrees(Get32(h + 14), entry_.crc, descriptor) ||
        !LocalFieldAgrees(Get32(h + 18), entry_.compressedSize, descriptor) ||
        !LocalFieldAgrees(Get32(h + 22), entry_.uncompressedSize, descriptor)) {
        return kZipBadArchive;
    }
    uint16_t nameLength = Get16(h + 26);
    uint16_t extraLength = Get16(h + 28);
    if (nameLength != entry_.nameLength || (flags & kFlagEncrypted) != (entry_.flags & kFlagEncrypted)) {
        return kZipBadArchive;
    }
    uint64_t dataEnd = static_cast<uint64_t>(entry_.localHeaderOffset) + kLocalHeaderSize + nameLength + extraLength +
                       entry_.compressedSize;
    if (dataEnd > NextLocalOffset(entry_.localHeaderOffset)) {
        return kZipBadArchive;
    }
    if (header) {
        header->flags = flags;
        header->extraOffset = pos + kLocalHeaderSize + nameLength;
        header->extraLength = extraLength;
        header->dataOffset = header->extraOffset + extraLength;
    }
    return kZipOk;
}

int ZipReader::OpenEntry(const char* password) {
    CloseEntry();
    if (!entryValid_) {
        return kZipBadParameter;
    }
    ZipLocalHeader local;
    if (int status = CheckLocalHeader(&local); status != kZipOk) {
        return status;
    }
    bool encrypted = (entry_.flags & kFlagEncrypted) != 0;
    if (entry_.flags & kFlagStrongEncryption) {
        return kZipBadArchive;
    }
    uint64_t header = encrypted ? 12 : 0;
    if (encrypted && entry_.compressedSize < header) {
        return kZipBadArchive;
    }
    if (entry_.method == 0 && entry_.compressedSize != entry_.uncompressedSize + header) {
        return kZipBadArchive;
    }
    ZipEntryStreamParams params;
    params.dataOffset = local.dataOffset;
    params.compressedSize = entry_.compressedSize;
    params.uncompressedSize = entry_.uncompressedSize;
    params.crc = entry_.crc;
    params.method = entry_.method;
    params.encrypted = encrypted;
    // With a data descriptor the writer did not know the CRC yet and checks against the time.
    params.checkByte =
        static_cast<uint8_t>((local.flags & kFlagDataDescriptor) ? (entry_.dosDateTime >> 8) : (entry_.crc >> 24));
    return ZipEntryStream::Create(*source_, params, password, &open_);
}

int64_t ZipReader::ReadEntry(void* buffer, size_t size, bool* endReached) {
    bool ignored = false;
    bool& ended = endReached ? *endReached : ignored;
    ended = false;
    if (!open_) {
        return kZipBadParameter;
    }
    return open_->Read(buffer, size, &ended);
}

int ZipReader::CloseEntry() {
    if (!open_) {
        return kZipBadParameter;
    }
    int status = (open_->AllRead() && !open_->CrcMatches()) ? kZipCrcMismatch : kZipOk;
    open_.reset();
    return status;
}

std::unique_ptr<ZipReader> OpenZipReader(std::unique_ptr<ZipSource> source, int* status) {
    return ZipReader::Open(std::move(source), status);
}

void CloseZipReader(std::unique_ptr<ZipReader>& reader) {
    reader.reset();
}
