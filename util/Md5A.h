#pragma once
// MD5 (RFC 1321) as lowercase hex text. Pure logic: no Windows headers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Incremental digest, so a download can be hashed while its bytes arrive.
class Md5Stream {
  public:
    Md5Stream();
    ~Md5Stream();
    Md5Stream(const Md5Stream&) = delete;
    Md5Stream& operator=(const Md5Stream&) = delete;

    void Update(const void* data, size_t length);
    // Ends the digest and wipes the context; call Reset before reusing the object.
    std::array<uint8_t, 16> Finish();
    std::string FinishHex();
    void Reset();

  private:
    uint32_t state_[4];
    uint32_t count_[2];  // bit count, low word first
    uint8_t buffer_[64];
};

std::string Md5ToHex(const std::array<uint8_t, 16>& digest);

class CMd5A {
  public:
    virtual ~CMd5A() = default;
    // Digest of the bytes of `text` (no terminator).
    std::string GetStringMd5(const std::string& text);
    // Digest of the whole file; empty when the file cannot be opened.
    std::string GetFileMd5(const std::wstring& path);
};
