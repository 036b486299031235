#include "zip/ZipCrypto.h"

namespace {

struct CrcTable {
    uint32_t entries[256] = {};
};

constexpr CrcTable MakeCrcTable() {
    CrcTable table;
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table.entries[n] = c;
    }
    return table;
}

// Built at compile time, so it is ready before any static initialiser runs.
constexpr CrcTable kCrcTable = MakeCrcTable();

}  // namespace

uint32_t ZipCrypto::CrcStep(uint32_t crc, uint8_t byte) {
    return kCrcTable.entries[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

ZipCrypto::ZipCrypto(const char* password) : keys_{0x12345678u, 0x23456789u, 0x34567890u} {
    if (password) {
        for (const char* p = password; *p; ++p) {
            UpdateKeys(static_cast<uint8_t>(*p));
        }
    }
}

void ZipCrypto::UpdateKeys(uint8_t plain) {
    keys_[0] = CrcStep(keys_[0], plain);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
    keys_[2] = CrcStep(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
}

uint8_t ZipCrypto::KeyStreamByte() const {
    uint32_t t = (keys_[2] & 0xFFFF) | 2;
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

uint8_t ZipCrypto::DecryptByte(uint8_t cipher) {
    uint8_t plain = static_cast<uint8_t>(cipher ^ KeyStreamByte());
    UpdateKeys(plain);
    return plain;
}

void ZipCrypto::Decrypt(uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        data[i] = DecryptByte(data[i]);
    }
}
