#include "zip/ZipEntryStream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "zip/ZipSource.h"
#include "zip/ZipStatus.h"

namespace {

constexpr uint32_t kEncryptionHeaderSize = 12;

}  // namespace

ZipEntryStream::ZipEntryStream(ZipSource& source, const ZipEntryStreamParams& params, const char* password)
    : source_(source),
      params_(params),
      crypto_(password),
      dataPos_(params.dataOffset),
      compressedLeft_(params.compressedSize),
      uncompressedLeft_(params.uncompressedSize),
      headerLeft_(params.encrypted ? kEncryptionHeaderSize : 0) {}

int ZipEntryStream::Create(ZipSource& source,
                           const ZipEntryStreamParams& params,
                           const char* password,
                           std::unique_ptr<ZipEntryStream>* stream) {
    stream->reset();
    std::unique_ptr<ZipEntryStream> created(new (std::nothrow) ZipEntryStream(source, params, password));
    if (!created) {
        return kZipOutOfMemory;
    }
    try {
        created->in_.resize(std::min<size_t>(kInputBufferSize, std::max<uint32_t>(params.compressedSize, 1)));
    } catch (const std::bad_alloc&) {
        return kZipOutOfMemory;
    }
    if (params.method == 8) {
        if (inflateInit2(&created->inflater_, -MAX_WBITS) != Z_OK) {
            return kZipOutOfMemory;
        }
        created->inflaterReady_ = true;
    }
    *stream = std::move(created);
    return kZipOk;
}

ZipEntryStream::~ZipEntryStream() {
    if (inflaterReady_) {
        inflateEnd(&inflater_);
    }
}

int ZipEntryStream::Fail(int status) {
    error_ = status;
    return status;
}

int ZipEntryStream::Refill() {
    size_t count = std::min<size_t>(in_.size(), compressedLeft_);
    if (count == 0) {
        inPos_ = inLen_ = 0;
        return kZipOk;
    }
    if (!source_.ReadExact(dataPos_, in_.data(), count)) {
        return Fail(kZipSourceError);
    }
    if (params_.encrypted) {
        crypto_.Decrypt(in_.data(), count);
    }
    dataPos_ += count;
    compressedLeft_ -= static_cast<uint32_t>(count);
    inPos_ = 0;
    inLen_ = count;
    return kZipOk;
}

int ZipEntryStream::SkipEncryptionHeader() {
    while (headerLeft_ > 0) {
        if (inPos_ == inLen_) {
            if (compressedLeft_ == 0) {
                return Fail(kZipBadArchive);
            }
            if (int status = Refill(); status != kZipOk) {
                return status;
            }
        }
        size_t take = std::min<size_t>(headerLeft_, inLen_ - inPos_);
        inPos_ += take;
        headerLeft_ -= static_cast<uint32_t>(take);
        if (headerLeft_ == 0 && in_[inPos_ - 1] != params_.checkByte) {
            return Fail(kZipWrongPassword);
        }
    }
    return kZipOk;
}

void ZipEntryStream::Produced(const uint8_t* data, size_t count) {
    // zlib's CRC-32 is the same polynomial as the archive's, only faster than a byte loop.
    size_t done = 0;
    while (done < count) {
        uInt chunk = static_cast<uInt>(std::min<size_t>(count - done, 1u << 30));
        crc_ = static_cast<uint32_t>(crc32(crc_, data + done, chunk));
        done += chunk;
    }
    uncompressedLeft_ -= static_cast<uint32_t>(count);
}

int64_t ZipEntryStream::Read(void* buffer, size_t size, bool* endReached) {
    *endReached = false;
    if (error_ != 0) {
        return error_;
    }
    if (ended_) {
        *endReached = true;
        return 0;
    }
    if (int status = SkipEncryptionHeader(); status != kZipOk) {
        return status;
    }
    size = std::min<size_t>(size, uncompressedLeft_);
    if (size > 0 && !buffer) {
        return Fail(kZipBadParameter);
    }
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t produced = params_.method == 8 ? ReadDeflated(out, size) : ReadStored(out, size);
    if (produced < 0) {
        return produced;
    }
    if (uncompressedLeft_ == 0) {
        if (params_.method == 8 && !streamEnded_) {
            if (int status = ConfirmStreamEnd(); status != kZipOk) {
                return status;
            }
        }
        if (!CrcMatches()) {
            return Fail(kZipCrcMismatch);
        }
        ended_ = true;
        *endReached = true;
    }
    return produced;
}

int64_t ZipEntryStream::ReadStored(uint8_t* out, size_t size) {
    size_t produced = 0;
    while (produced < size) {
        if (inPos_ == inLen_) {
            // The raw data ran out while output is still owed.
            if (compressedLeft_ == 0) {
                return Fail(kZipBadArchive);
            }
            if (int status = Refill(); status != kZipOk) {
                return status;
            }
        }
        size_t take = std::min(size - produced, inLen_ - inPos_);
        std::memcpy(out + produced, in_.data() + inPos_, take);
        Produced(out + produced, take);
        inPos_ += take;
        produced += take;
    }
    return static_cast<int64_t>(produced);
}

int64_t ZipEntryStream::ReadDeflated(uint8_t* out, size_t size) {
    size_t produced = 0;
    while (produced < size) {
        if (inPos_ == inLen_ && compressedLeft_ > 0) {
            if (int status = Refill(); status != kZipOk) {
                return status;
            }
        }
        size_t want = std::min<size_t>(size - produced, 1u << 30);
        inflater_.next_in = in_.data() + inPos_;
        inflater_.avail_in = static_cast<uInt>(inLen_ - inPos_);
        inflater_.next_out = out + produced;
        inflater_.avail_out = static_cast<uInt>(want);
        int ret = inflate(&inflater_, Z_SYNC_FLUSH);
        inPos_ = static_cast<size_t>(inflater_.next_in - in_.data());
        size_t made = want - inflater_.avail_out;
        Produced(out + produced, made);
        produced += made;
        if (ret == Z_STREAM_END) {
            streamEnded_ = true;
            // The stream finished before every declared byte came out.
            if (uncompressedLeft_ != 0) {
                return Fail(kZipBadArchive);
            }
            break;
        }
        if (ret == Z_BUF_ERROR) {
            // No progress: only legitimate when the buffer is empty and more raw data waits.
            if (inPos_ < inLen_ || compressedLeft_ == 0) {
                return Fail(kZipBadArchive);
            }
            continue;
        }
        if (ret == Z_NEED_DICT) {
            return Fail(Z_DATA_ERROR);
        }
        if (ret != Z_OK) {
            return Fail(ret == Z_MEM_ERROR ? kZipOutOfMemory : ret);
        }
    }
    return static_cast<int64_t>(produced);
}

int ZipEntryStream::ConfirmStreamEnd() {
    // Every declared byte is out; the deflate stream must end here and not hold more data.
    uint8_t none = 0;
    for (;;) {
        if (inPos_ == inLen_ && compressedLeft_ > 0) {
            if (int status = Refill(); status != kZipOk) {
                return status;
            }
        }
        inflater_.next_in = in_.data() + inPos_;
        inflater_.avail_in = static_cast<uInt>(inLen_ - inPos_);
        inflater_.next_out = &none;
        inflater_.avail_out = 0;
        int ret = inflate(&inflater_, Z_SYNC_FLUSH);
        inPos_ = static_cast<size_t>(inflater_.next_in - in_.data());
        if (ret == Z_STREAM_END) {
            streamEnded_ = true;
            return kZipOk;
        }
        if (ret == Z_OK) {
            continue;
        }
        if (ret == Z_BUF_ERROR && inPos_ == inLen_ && compressedLeft_ > 0) {
            continue;
        }
        return Fail(ret == Z_BUF_ERROR || ret == Z_NEED_DICT ? kZipBadArchive : ret);
    }
}
