#pragma once
// Decoding of the API's encrypted payload: lenient Base64, then XXTEA with a trailing
// length word, then a 10-character prefix that carries nothing for us. Pure logic.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Standard alphabet; stops at the first "=" or foreign character. A final partial group
// of k characters gives k - 1 bytes (none for a lone character).
std::string Base64DecodeLenient(std::string_view text);

// Corrected Block TEA decryption of `words` in place; fewer than two words are left as they are.
void XxteaDecrypt(std::vector<uint32_t>& words, const uint32_t key[4]);

// The first 16 bytes of `key` as four little-endian words, zero-padded when shorter.
void XxteaKeyWords(std::string_view key, uint32_t out[4]);

enum class PayloadStatus {
    Ok,        // `text` holds the payload (possibly empty)
    Empty,     // nothing usable: no data, nothing decoded, too few words or a bad length word
    TooShort,  // the plaintext is shorter than its 10-character prefix
};

struct DecodedPayload {
    PayloadStatus status = PayloadStatus::Empty;
    std::string text;
};

[[nodiscard]] DecodedPayload DecryptPayload(std::string_view data, std::string_view key);
