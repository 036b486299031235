#include "util/Md5A.h"

#include <cstdio>
#include <cstring>

#include "util/UniqueHandle.h"

#include <vector>

#ifndef _WIN32
#include <cwchar>
#endif

namespace {

inline uint32_t Rotl(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline uint32_t LoadLe32(const uint8_t* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint32_t v;
    std::memcpy(&v, p, sizeof(v));
    return v;
#else
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
#endif
}

inline void StoreLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

#define MD5_STEP(f, a, b, c, d, x, s, t) \
    a += f(b, c, d) + (x) + (t);         \
    a = Rotl(a, s) + (b)

#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))

void Transform(uint32_t state[4], const uint8_t block[64]) {
    // Words are read straight from the block: no working copy is left behind to wipe.
#define X(i) LoadLe32(block + 4 * (i))
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    MD5_STEP(MD5_F, a, b, c, d, X(0), 7, 0xd76aa478);
    MD5_STEP(MD5_F, d, a, b, c, X(1), 12, 0xe8c7b756);
    MD5_STEP(MD5_F, c, d, a, b, X(2), 17, 0x242070db);
    MD5_STEP(MD5_F, b, c, d, a, X(3), 22, 0xc1bdceee);
    MD5_STEP(MD5_F, a, b, c, d, X(4), 7, 0xf57c0faf);
    MD5_STEP(MD5_F, d, a, b, c, X(5), 12, 0x4787c62a);
    MD5_STEP(MD5_F, c, d, a, b, X(6), 17, 0xa8304613);
    MD5_STEP(MD5_F, b, c, d, a, X(7), 22, 0xfd469501);
    MD5_STEP(MD5_F, a, b, c, d, X(8), 7, 0x698098d8);
    MD5_STEP(MD5_F, d, a, b, c, X(9), 12, 0x8b44f7af);
    MD5_STEP(MD5_F, c, d, a, b, X(10), 17, 0xffff5bb1);
    MD5_STEP(MD5_F, b, c, d, a, X(11), 22, 0x895cd7be);
    MD5_STEP(MD5_F, a, b, c, d, X(12), 7, 0x6b901122);
    MD5_STEP(MD5_F, d, a, b, c, X(13), 12, 0xfd987193);
    MD5_STEP(MD5_F, c, d, a, b, X(14), 17, 0xa679438e);
    MD5_STEP(MD5_F, b, c, d, a, X(15), 22, 0x49b40821);

    MD5_STEP(MD5_G, a, b, c, d, X(1), 5, 0xf61e2562);
    MD5_STEP(MD5_G, d, a, b, c, X(6), 9, 0xc040b340);
    MD5_STEP(MD5_G, c, d, a, b, X(11), 14, 0x265e5a51);
    MD5_STEP(MD5_G, b, c, d, a, X(0), 20, 0xe9b6c7aa);
    MD5_STEP(MD5_G, a, b, c, d, X(5), 5, 0xd62f105d);
    MD5_STEP(MD5_G, d, a, b, c, X(10), 9, 0x02441453);
    MD5_STEP(MD5_G, c, d, a, b, X(15), 14, 0xd8a1e681);
    MD5_STEP(MD5_G, b, c, d, a, X(4), 20, 0xe7d3fbc8);
    MD5_STEP(MD5_G, a, b, c, d, X(9), 5, 0x21e1cde6);
    MD5_STEP(MD5_G, d, a, b, c, X(14), 9, 0xc33707d6);
    MD5_STEP(MD5_G, c, d, a, b, X(3), 14, 0xf4d50d87);
    MD5_STEP(MD5_G, b, c, d, a, X(8), 20, 0x455a14ed);
    MD5_STEP(MD5_G, a, b, c, d, X(13), 5, 0xa9e3e905);
    MD5_STEP(MD5_G, d, a, b, c, X(2), 9, 0xfcefa3f8);
    MD5_STEP(MD5_G, c, d, a, b, X(7), 14, 0x676f02d9);
    MD5_STEP(MD5_G, b, c, d, a, X(12), 20, 0x8d2a4c8a);

    MD5_STEP(MD5_H, a, b, c, d, X(5), 4, 0xfffa3942);
    MD5_STEP(MD5_H, d, a, b, c, X(8), 11, 0x8771f681);
    MD5_STEP(MD5_H, c, d, a, b, X(11), 16, 0x6d9d6122);
    MD5_STEP(MD5_H, b, c, d, a, X(14), 23, 0xfde5380c);
    MD5_STEP(MD5_H, a, b, c, d, X(1), 4, 0xa4beea44);
    MD5_STEP(MD5_H, d, a, b, c, X(4), 11, 0x4bdecfa9);
    MD5_STEP(MD5_H, c, d, a, b, X(7), 16, 0xf6bb4b60);
    MD5_STEP(MD5_H, b, c, d, a, X(10), 23, 0xbebfbc70);
    MD5_STEP(MD5_H, a, b, c, d, X(13), 4, 0x289b7ec6);
    MD5_STEP(MD5_H, d, a, b, c, X(0), 11, 0xeaa127fa);
    MD5_STEP(MD5_H, c, d, a, b, X(3), 16, 0xd4ef3085);
    MD5_STEP(MD5_H, b, c, d, a, X(6), 23, 0x04881d05);
    MD5_STEP(MD5_H, a, b, c, d, X(9), 4, 0xd9d4d039);
    MD5_STEP(MD5_H, d, a, b, c, X(12), 11, 0xe6db99e5);
    MD5_STEP(MD5_H, c, d, a, b, X(15), 16, 0x1fa27cf8);
    MD5_STEP(MD5_H, b, c, d, a, X(2), 23, 0xc4ac5665);

    MD5_STEP(MD5_I, a, b, c, d, X(0), 6, 0xf4292244);
    MD5_STEP(MD5_I, d, a, b, c, X(7), 10, 0x432aff97);
    MD5_STEP(MD5_I, c, d, a, b, X(14), 15, 0xab9423a7);
    MD5_STEP(MD5_I, b, c, d, a, X(5), 21, 0xfc93a039);
    MD5_STEP(MD5_I, a, b, c, d, X(12), 6, 0x655b59c3);
    MD5_STEP(MD5_I, d, a, b, c, X(3), 10, 0x8f0ccc92);
    MD5_STEP(MD5_I, c, d, a, b, X(10), 15, 0xffeff47d);
    MD5_STEP(MD5_I, b, c, d, a, X(1), 21, 0x85845dd1);
    MD5_STEP(MD5_I, a, b, c, d, X(8), 6, 0x6fa87e4f);
    MD5_STEP(MD5_I, d, a, b, c, X(15), 10, 0xfe2ce6e0);
    MD5_STEP(MD5_I, c, d, a, b, X(6), 15, 0xa3014314);
    MD5_STEP(MD5_I, b, c, d, a, X(13), 21, 0x4e0811a1);
    MD5_STEP(MD5_I, a, b, c, d, X(4), 6, 0xf7537e82);
    MD5_STEP(MD5_I, d, a, b, c, X(11), 10, 0xbd3af235);
    MD5_STEP(MD5_I, c, d, a, b, X(2), 15, 0x2ad7d2bb);
    MD5_STEP(MD5_I, b, c, d, a, X(9), 21, 0xeb86d391);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
#undef X
}

#undef MD5_STEP
#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I

}  // namespace

Md5Stream::Md5Stream() {
    Reset();
}

Md5Stream::~Md5Stream() {
    std::memset(buffer_, 0, sizeof(buffer_));
}

void Md5Stream::Reset() {
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    count_[0] = count_[1] = 0;
    std::memset(buffer_, 0, sizeof(buffer_));
}

void Md5Stream::Update(const void* data, size_t length) {
    const uint8_t* input = static_cast<const uint8_t*>(data);
    size_t index = (count_[0] >> 3) & 0x3F;
    const uint64_t bits = static_cast<uint64_t>(length) << 3;
    const uint32_t low = count_[0];
    count_[0] += static_cast<uint32_t>(bits);
    count_[1] += static_cast<uint32_t>(bits >> 32) + (count_[0] < low ? 1 : 0);

    const size_t partLen = 64 - index;
    size_t i = 0;
    if (length >= partLen) {
        std::memcpy(buffer_ + index, input, partLen);
        Transform(state_, buffer_);
        for (i = partLen; i + 63 < length; i += 64) {
            Transform(state_, input + i);
        }
        index = 0;
    }
    if (length > i) {
        std::memcpy(buffer_ + index, input + i, length - i);
    }
}

std::array<uint8_t, 16> Md5Stream::Finish() {
    uint8_t bitCount[8];
    StoreLe32(bitCount, count_[0]);
    StoreLe32(bitCount + 4, count_[1]);
    const size_t r = (count_[0] >> 3) & 0x3F;
    const size_t padLen = r < 56 ? 56 - r : 120 - r;
    static const uint8_t kPadding[64] = {0x80};
    Update(kPadding, padLen);
    Update(bitCount, 8);
    std::array<uint8_t, 16> digest{};
    for (int i = 0; i < 4; ++i) {
        StoreLe32(digest.data() + 4 * i, state_[i]);
    }
    std::memset(state_, 0, sizeof(state_));
    std::memset(count_, 0, sizeof(count_));
    std::memset(buffer_, 0, sizeof(buffer_));
    return digest;
}

std::string Md5Stream::FinishHex() {
    return Md5ToHex(Finish());
}

std::string Md5ToHex(const std::array<uint8_t, 16>& digest) {
    static const char kHex[] = "0123456789abcdef";
    std::string out(32, '0');
    for (size_t i = 0; i < digest.size(); ++i) {
        out[2 * i] = kHex[digest[i] >> 4];
        out[2 * i + 1] = kHex[digest[i] & 0x0F];
    }
    return out;
}

std::string CMd5A::GetStringMd5(const std::string& text) {
    Md5Stream md5;
    md5.Update(text.data(), text.size());
    return md5.FinishHex();
}

namespace {
FILE* OpenForRead(const std::wstring& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    // Host builds (tests, fuzzers, benchmarks) take the wide path as the locale's bytes.
    std::mbstate_t state{};
    const wchar_t* src = path.c_str();
    const size_t needed = std::wcsrtombs(nullptr, &src, 0, &state);
    if (needed == static_cast<size_t>(-1)) {
        return nullptr;
    }
    std::vector<char> narrow(needed + 1);
    src = path.c_str();
    std::wcsrtombs(narrow.data(), &src, narrow.size(), &state);
    return std::fopen(narrow.data(), "rb");
#endif
}
}  // namespace

std::string CMd5A::GetFileMd5(const std::wstring& path) {
    UniqueFile file(OpenForRead(path));
    if (!file) {
        return std::string();
    }
    // Large reads straight into one fixed buffer: a stdio buffer and small chunks cost
    // more than the digest itself on a fast disk. Memory use stays independent of the size.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    std::vector<unsigned char> chunk(64 * 1024);
    Md5Stream md5;
    for (;;) {
        const size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
        if (got == 0) {
            break;
        }
        md5.Update(chunk.data(), got);
    }
    return md5.FinishHex();
}
