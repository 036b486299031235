#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "zip/ZipCrypto.h"

class ZipSource;

// Where an entry's raw data lies and what it must turn into.
struct ZipEntryStreamParams {
    uint64_t dataOffset = 0;  // absolute position of the first raw byte in the source
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint32_t crc = 0;
    uint16_t method = 0;  // 0 stored, 8 deflate
    bool encrypted = false;
    uint8_t checkByte = 0;  // expected last byte of the decrypted encryption header
};

// Streams one entry: reads raw data in large blocks, decrypts, inflates, and holds the
// output to its declared size and CRC-32. Any inconsistency ends the stream with an error
// that sticks, so a caller can never read on past a fault.
class ZipEntryStream {
  public:
    static constexpr size_t kInputBufferSize = 64 * 1024;

    // Returns kZipOk and the stream, or kZipOutOfMemory.
    [[nodiscard]] static int Create(ZipSource& source,
                                    const ZipEntryStreamParams& params,
                                    const char* password,
                                    std::unique_ptr<ZipEntryStream>* stream);
    ~ZipEntryStream();
    ZipEntryStream(const ZipEntryStream&) = delete;
    ZipEntryStream& operator=(const ZipEntryStream&) = delete;

    // Produces up to `size` bytes; returns the count or a negative status. `endReached`
    // is set once every declared byte has been produced and checked.
    [[nodiscard]] int64_t Read(void* buffer, size_t size, bool* endReached);

    [[nodiscard]] bool AllRead() const { return uncompressedLeft_ == 0; }
    [[nodiscard]] bool CrcMatches() const { return crc_ == params_.crc; }

  private:
    ZipEntryStream(ZipSource& source, const ZipEntryStreamParams& params, const char* password);

    [[nodiscard]] int Refill();
    [[nodiscard]] int SkipEncryptionHeader();
    [[nodiscard]] int64_t ReadStored(uint8_t* out, size_t size);
    [[nodiscard]] int64_t ReadDeflated(uint8_t* out, size_t size);
    [[nodiscard]] int ConfirmStreamEnd();
    [[nodiscard]] int Fail(int status);
    void Produced(const uint8_t* data, size_t count);

    ZipSource& source_;
    ZipEntryStreamParams params_;
    ZipCrypto crypto_;
    std::vector<uint8_t> in_;
    size_t inPos_ = 0;
    size_t inLen_ = 0;
    z_stream inflater_{};
    bool inflaterReady_ = false;
    bool streamEnded_ = false;
    uint64_t dataPos_;
    uint32_t compressedLeft_;
    uint32_t uncompressedLeft_;
    uint32_t crc_ = 0;
    uint32_t headerLeft_;
    bool ended_ = false;
    int error_ = 0;
};
