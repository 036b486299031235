#include "core/PayloadCodec.h"

#include <cstring>

namespace {

constexpr uint32_t kDelta = 0x9E3779B9u;
constexpr size_t kPrefixLength = 10;

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

uint32_t Mx(uint32_t sum, uint32_t y, uint32_t z, size_t p, uint32_t e, const uint32_t key[4]) {
    return (((z >> 5) ^ (y << 2)) + ((y >> 3) ^ (z << 4))) ^ ((sum ^ y) + (key[(p & 3) ^ e] ^ z));
}

}  // namespace

std::string Base64DecodeLenient(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3 + 3);
    uint32_t group = 0;
    int filled = 0;
    for (const char c : text) {
        const int v = Base64Value(c);
        if (v < 0) {
            break;
        }
        group = (group << 6) | static_cast<uint32_t>(v);
        if (++filled == 4) {
            out += static_cast<char>((group >> 16) & 0xFF);
            out += static_cast<char>((group >> 8) & 0xFF);
            out += static_cast<char>(group & 0xFF);
            group = 0;
            filled = 0;
        }
    }
    // k leftover characters carry 6k bits: k - 1 whole bytes, high bits first.
    if (filled >= 2) {
        group <<= 6 * (4 - filled);
        out += static_cast<char>((group >> 16) & 0xFF);
        if (filled == 3) {
            out += static_cast<char>((group >> 8) & 0xFF);
        }
    }
    return out;
}

void XxteaKeyWords(std::string_view key, uint32_t out[4]) {
    unsigned char bytes[16] = {};
    std::memcpy(bytes, key.data(), key.size() < 16 ? key.size() : 16);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint32_t>(bytes[4 * i]) | static_cast<uint32_t>(bytes[4 * i + 1]) << 8 |
                 static_cast<uint32_t>(bytes[4 * i + 2]) << 16 | static_cast<uint32_t>(bytes[4 * i + 3]) << 24;
    }
}

void XxteaDecrypt(std::vector<uint32_t>& v, const uint32_t key[4]) {
    const size_t n = v.size();
    if (n < 2) {
        return;
    }
    uint32_t rounds = static_cast<uint32_t>(6 + 52 / n);
    uint32_t sum = rounds * kDelta;
    uint32_t y = v[0];
    while (rounds-- > 0) {
        const uint32_t e = (sum >> 2) & 3;
        for (size_t p = n - 1; p > 0; --p) {
            const uint32_t z = v[p - 1];
            y = v[p] -= Mx(sum, y, z, p, e, key);
        }
        const uint32_t z = v[n - 1];
        y = v[0] -= Mx(sum, y, z, 0, e, key);
        sum -= kDelta;
    }
}

DecodedPayload DecryptPayload(std::string_view data, std::string_view key) {
    DecodedPayload result;
    if (data.empty()) {
        return result;
    }
    const std::string raw = Base64DecodeLenient(data);
    const size_t n = (raw.size() + 3) / 4;
    if (n < 2) {
        return result;
    }
    std::vector<uint32_t> words(n, 0);
    for (size_t i = 0; i < raw.size(); ++i) {
        words[i / 4] |= static_cast<uint32_t>(static_cast<unsigned char>(raw[i])) << (8 * (i % 4));
    }
    uint32_t k[4];
    XxteaKeyWords(key, k);
    XxteaDecrypt(words, k);

    const uint64_t length = words[n - 1];
    const uint64_t room = 4 * static_cast<uint64_t>(n - 1);
    if (length + 3 < room || length > room) {
        return result;
    }
    std::string plain(static_cast<size_t>(length), '\0');
    for (size_t i = 0; i < plain.size(); ++i) {
        plain[i] = static_cast<char>((words[i / 4] >> (8 * (i % 4))) & 0xFF);
    }
    const size_t nul = plain.find('\0');
    if (nul != std::string::npos) {
        plain.resize(nul);
    }
    if (plain.size() < kPrefixLength) {
        result.status = PayloadStatus::TooShort;
        return result;
    }
    result.status = PayloadStatus::Ok;
    result.text = plain.substr(kPrefixLength);
    return result;
}
