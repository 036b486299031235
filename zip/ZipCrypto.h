#pragma once

#include <cstddef>
#include <cstdint>

// The traditional zip encryption: three keys stirred by the password and then by every
// plain byte. Weak, but it is what the skin archive and old packages use.
class ZipCrypto {
  public:
    // Starts the keys and feeds them the password; a null password counts as empty.
    explicit ZipCrypto(const char* password);

    void Decrypt(uint8_t* data, size_t size);
    [[nodiscard]] uint8_t DecryptByte(uint8_t cipher);

    // One step of the bitwise CRC-32 (reflected, polynomial 0xEDB88320) on a byte.
    [[nodiscard]] static uint32_t CrcStep(uint32_t crc, uint8_t byte);

  private:
    void UpdateKeys(uint8_t plain);
    [[nodiscard]] uint8_t KeyStreamByte() const;

    uint32_t keys_[3];
};
