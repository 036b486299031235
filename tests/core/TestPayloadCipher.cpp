#include "TestPayloadCipher.h"

#include "core/PayloadCodec.h"

std::string Base64EncodeForTest(const std::string& bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t g = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[g >> 18];
        out += kAlphabet[(g >> 12) & 63];
        out += kAlphabet[(g >> 6) & 63];
        out += kAlphabet[g & 63];
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t g = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) {
            g |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        out += kAlphabet[g >> 18];
        out += kAlphabet[(g >> 12) & 63];
        out += rest == 2 ? kAlphabet[(g >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

void XxteaEncryptForTest(std::vector<uint32_t>& v, const uint32_t key[4]) {
    const size_t n = v.size();
    if (n < 2) {
        return;
    }
    uint32_t rounds = static_cast<uint32_t>(6 + 52 / n);
    uint32_t sum = 0;
    uint32_t z = v[n - 1];
    while (rounds-- > 0) {
        sum += 0x9E3779B9u;
        const uint32_t e = (sum >> 2) & 3;
        for (size_t p = 0; p < n; ++p) {
            const uint32_t y = v[(p + 1) % n];
            v[p] += (((z >> 5) ^ (y << 2)) + ((y >> 3) ^ (z << 4))) ^ ((sum ^ y) + (key[(p & 3) ^ e] ^ z));
            z = v[p];
        }
    }
}

std::string EncryptPayloadForTest(const std::string& plain, const std::string& key, int64_t lengthWord) {
    std::vector<uint32_t> words((plain.size() + 3) / 4 + 1, 0);
    for (size_t i = 0; i < plain.size(); ++i) {
        words[i / 4] |= static_cast<uint32_t>(static_cast<unsigned char>(plain[i])) << (8 * (i % 4));
    }
    words.back() = lengthWord < 0 ? static_cast<uint32_t>(plain.size()) : static_cast<uint32_t>(lengthWord);
    uint32_t k[4];
    XxteaKeyWords(key, k);
    XxteaEncryptForTest(words, k);
    std::string bytes;
    for (const uint32_t w : words) {
        for (int b = 0; b < 4; ++b) {
            bytes += static_cast<char>((w >> (8 * b)) & 0xFF);
        }
    }
    return Base64EncodeForTest(bytes);
}
