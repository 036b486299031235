#include "zip/ZipArchive.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "zip/ZipEntryName.h"
#include "zip/ZipPlatform.h"

namespace {

constexpr uint16_t kFlagUtf8Name = 0x0800;
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

// Systems whose low attribute byte carries the DOS attributes.
bool IsDosLikeHost(uint8_t host) {
    return host == 0 || host == 7 || host == 11 || host == 14;
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t UnixSecondsToFileTime(int32_t seconds) {
    return static_cast<uint64_t>(static_cast<int64_t>(seconds) * 10000000 + static_cast<int64_t>(kUnixEpochAsFileTime));
}

bool EndsWithSeparator(const std::string& raw) {
    return !raw.empty() && (raw.back() == '/' || raw.back() == '\\');
}

// Errors met while an entry's data is read.
ZipResult ReadFailure(int64_t status) {
    return status == kZipWrongPassword ? UZ_PASSWORD : UZ_INFLATE;
}

// Errors met while an entry is opened: its headers disagree, or it cannot be read at all.
ZipResult OpenFailure(int status) {
    return status == kZipBadArchive ? UZ_CORRUPT : UZ_INFLATE;
}

}  // namespace

uint32_t ZipEntryAttributes(uint16_t versionMadeBy, uint32_t external) {
    uint8_t host = static_cast<uint8_t>(versionMadeBy >> 8);
    // Unix writers that record no mode leave the high word zero; the DOS byte is all there is.
    if (IsDosLikeHost(host) || (external >> 16) == 0) {
        return external & (kZipAttrReadOnly | kZipAttrHidden | kZipAttrSystem | kZipAttrDirectory | kZipAttrArchive);
    }
    uint32_t attributes = kZipAttrArchive;
    if (external & 0x40000000u) {
        attributes |= kZipAttrDirectory;
    }
    if (!(external & 0x00800000u)) {
        attributes |= kZipAttrReadOnly;
    }
    return attributes;
}

void ApplyExtendedTimestamps(const uint8_t* extra, size_t length, ZipEntryInfo* info) {
    size_t pos = 0;
    while (pos + 4 < length) {
        size_t size = static_cast<size_t>(extra[pos + 2]) | (static_cast<size_t>(extra[pos + 3]) << 8);
        if (extra[pos] != 'U' || extra[pos + 1] != 'T') {
            pos += 4 + size;
            continue;
        }
        // Every read stays inside both the block and the field.
        size_t data = pos + 4;
        size_t end = std::min(length, data + size);
        if (data >= end) {
            return;
        }
        uint8_t flags = extra[data];
        size_t at = data + 1;
        uint64_t* targets[] = {&info->writeTime, &info->accessTime, &info->creationTime};
        for (int bit = 0; bit < 3; ++bit) {
            if (!(flags & (1 << bit))) {
                continue;
            }
            if (at + 4 > end) {
                return;
            }
            *targets[bit] = UnixSecondsToFileTime(static_cast<int32_t>(Get32(extra + at)));
            at += 4;
        }
        return;
    }
}

ZipArchive::ZipArchive(std::unique_ptr<ZipReader> reader, const char* password) : reader_(std::move(reader)) {
    if (password) {
        password_ = std::string(password);
    }
    std::wstring current = CurrentDirectoryPath();
    if (!current.empty() && SetExtractRoot(current) != UZ_OK) {
        extractRoot_.clear();
    }
}

std::unique_ptr<ZipArchive> ZipArchive::Open(std::unique_ptr<ZipSource> source, const char* password) {
    std::unique_ptr<ZipReader> reader = ZipReader::Open(std::move(source), nullptr);
    if (!reader) {
        return nullptr;
    }
    try {
        return std::unique_ptr<ZipArchive>(new ZipArchive(std::move(reader), password));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

ZipResult ZipArchive::SetExtractRoot(const std::wstring& directory) {
    // A root that does not fit is refused: cutting it would extract somewhere else.
    if (directory.empty() || directory.size() >= kZipMaxPath || directory.find(L'\0') != std::wstring::npos) {
        return UZ_ARGS;
    }
    extractRoot_ = directory;
    if (!IsPathSeparator(extractRoot_.back())) {
        extractRoot_.push_back(L'/');
    }
    return UZ_OK;
}

void ZipArchive::EndMemoryExtraction() {
    if (memoryEntry_ >= 0) {
        reader_->CloseEntry();
        memoryEntry_ = -1;
    }
}

ZipResult ZipArchive::TotalUncompressedSize(uint64_t* total) {
    if (!total) {
        return UZ_ARGS;
    }
    EndMemoryExtraction();
    uint64_t sum = 0;
    for (uint32_t i = 0; i < reader_->EntryCount(); ++i) {
        ZipCentralEntry entry;
        if (reader_->GoToEntry(i) != kZipOk || reader_->GetEntryHeader(&entry, nullptr) != kZipOk) {
            return UZ_CORRUPT;
        }
        sum += entry.uncompressedSize;
    }
    *total = sum;
    return UZ_OK;
}

ZipResult ZipArchive::GetEntry(int32_t index, ZipEntryInfo* info) {
    if (!info) {
        return UZ_ARGS;
    }
    std::memset(info, 0, sizeof(*info));
    if (index < -1 || (index >= 0 && static_cast<uint32_t>(index) >= EntryCount())) {
        return UZ_ARGS;
    }
    if (index == -1) {
        info->index = static_cast<int32_t>(EntryCount());
        return UZ_OK;
    }
    EndMemoryExtraction();
    if (index == cachedIndex_) {
        *info = cachedInfo_;
        return UZ_OK;
    }
    ZipResult result = BuildInfo(index, info);
    if (result == UZ_OK) {
        cachedInfo_ = *info;
        cachedIndex_ = index;
    } else {
        std::memset(info, 0, sizeof(*info));
    }
    return result;
}

ZipResult ZipArchive::BuildInfo(int32_t index, ZipEntryInfo* info) {
    if (reader_->GoToEntry(static_cast<uint32_t>(index)) != kZipOk) {
        return UZ_ARGS;
    }
    ZipCentralEntry entry;
    std::string rawName;
    if (reader_->GetEntryHeader(&entry, &rawName) != kZipOk) {
        return UZ_ARGS;
    }
    // A name that cannot be held whole (with its terminator) is refused, never cut.
    std::wstring decoded;
    if (rawName.size() >= kZipMaxPath || rawName.find('\0') != std::string::npos ||
        !DecodeEntryName(rawName, (entry.flags & kFlagUtf8Name) != 0, &decoded)) {
        return UZ_NOFILE;
    }
    ZipLocalHeader local;
    if (reader_->CheckLocalHeader(&local) != kZipOk) {
        return UZ_CORRUPT;
    }
    std::vector<uint8_t> extra(local.extraLength);
    if (!reader_->Source().ReadExact(local.extraOffset, extra.data(), extra.size())) {
        return UZ_READ;
    }
    std::wstring name = CleanEntryName(decoded);
    if (name.size() >= kZipMaxPath) {
        return UZ_NOFILE;
    }
    info->index = index;
    std::copy(name.begin(), name.end(), info->name);
    info->name[name.size()] = L'\0';
    info->attributes = ZipEntryAttributes(entry.versionMadeBy, entry.externalAttributes);
    // Writers that record no attributes still mark directories with a trailing separator.
    if (EndsWithSeparator(rawName)) {
        info->attributes |= kZipAttrDirectory;
    }
    info->compressedSize = entry.compressedSize;
    info->uncompressedSize = entry.uncompressedSize;
    uint64_t dosTime =
        LocalTimeToFileTime(entry.year, entry.month + 1, entry.day, entry.hour, entry.minute, entry.second);
    info->accessTime = info->creationTime = info->writeTime = dosTime;
    ApplyExtendedTimestamps(extra.data(), extra.size(), info);
    return UZ_OK;
}

ZipResult ZipArchive::FindEntry(const std::wstring& name, bool ignoreCase, int32_t* index, ZipEntryInfo* info) {
    if (index) {
        *index = -1;
    }
    if (info) {
        std::memset(info, 0, sizeof(*info));
        info->index = -1;
    }
    std::string raw;
    if (!EncodeLookupName(name, &raw) || raw.size() >= ZipReader::kMaxLocateName) {
        return UZ_NOTFOUND;
    }
    // Locating closes whatever entry is open.
    memoryEntry_ = -1;
    if (reader_->LocateEntry(raw, ignoreCase ? ZipCaseMode::kAsciiInsensitive : ZipCaseMode::kExact) != kZipOk) {
        return UZ_NOTFOUND;
    }
    int32_t found = static_cast<int32_t>(reader_->EntryNumber());
    if (index) {
        *index = found;
    }
    return info ? GetEntry(found, info) : UZ_OK;
}

ZipResult ZipArchive::OpenEntryAt(int32_t index) {
    if (index < 0 || static_cast<uint32_t>(index) >= EntryCount()) {
        return UZ_ARGS;
    }
    if (reader_->GoToEntry(static_cast<uint32_t>(index)) != kZipOk) {
        return UZ_ARGS;
    }
    int status = reader_->OpenEntry(Password());
    return status == kZipOk ? UZ_OK : OpenFailure(status);
}

ZipResult ZipArchive::StreamEntry(int32_t index, const Sink& sink) {
    EndMemoryExtraction();
    if (ZipResult opened = OpenEntryAt(index); opened != UZ_OK) {
        return opened;
    }
    if (extractBuffer_.empty()) {
        try {
            extractBuffer_.resize(kExtractBufferSize);
        } catch (const std::bad_alloc&) {
            reader_->CloseEntry();
            return UZ_INFLATE;
        }
    }
    ZipResult result = UZ_OK;
    for (;;) {
        bool ended = false;
        int64_t count = reader_->ReadEntry(extractBuffer_.data(), extractBuffer_.size(), &ended);
        if (count < 0) {
            result = ReadFailure(count);
            break;
        }
        if (count > 0 && !sink(extractBuffer_.data(), static_cast<size_t>(count))) {
            result = UZ_WRITE;
            break;
        }
        if (ended) {
            break;
        }
        if (count == 0) {
            result = UZ_INFLATE;
            break;
        }
    }
    if (reader_->CloseEntry() != kZipOk && result == UZ_OK) {
        result = UZ_INFLATE;
    }
    return result;
}

ZipResult ZipArchive::ExtractToMemory(int32_t index, void* buffer, uint32_t length, uint32_t* written) {
    if (written) {
        *written = 0;
    }
    if (!buffer && length > 0) {
        return UZ_ARGS;
    }
    if (index < 0 || static_cast<uint32_t>(index) >= EntryCount()) {
        EndMemoryExtraction();
        return UZ_ARGS;
    }
    if (index != memoryEntry_) {
        EndMemoryExtraction();
        if (ZipResult opened = OpenEntryAt(index); opened != UZ_OK) {
            return opened;
        }
        memoryEntry_ = index;
    }
    bool ended = false;
    int64_t count = reader_->ReadEntry(buffer, length, &ended);
    if (count > 0 && written) {
        *written = static_cast<uint32_t>(count);
    }
    if (count < 0 || (count == 0 && !ended && length > 0)) {
        EndMemoryExtraction();
        return count < 0 ? ReadFailure(count) : UZ_INFLATE;
    }
    if (ended) {
        if (count == 0) {
            EndMemoryExtraction();
        }
        return UZ_OK;
    }
    return UZ_MORE;
}
