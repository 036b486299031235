#include "ZipTestArchive.h"

#include <zlib.h>

#include <stdexcept>

namespace {

void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

class TraditionalCipher {
  public:
    explicit TraditionalCipher(const std::string& password) {
        for (char c : password) {
            Update(static_cast<uint8_t>(c));
        }
    }
    uint8_t Encrypt(uint8_t plain) {
        uint32_t temp = (k2_ & 0xFFFF) | 2;
        uint8_t cipher = plain ^ static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
        Update(plain);
        return cipher;
    }

  private:
    static uint32_t Crc(uint32_t crc, uint8_t b) { return get_crc_table()[(crc ^ b) & 0xFF] ^ (crc >> 8); }
    void Update(uint8_t b) {
        k0_ = Crc(k0_, b);
        k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
        k2_ = Crc(k2_, static_cast<uint8_t>(k1_ >> 24));
    }
    uint32_t k0_ = 305419896u;
    uint32_t k1_ = 591751049u;
    uint32_t k2_ = 878082192u;
};

void WriteHeaderFields(std::string& out, const ZipTestHeader& h) {
    Put16(out, h.versionNeeded);
    Put16(out, h.flags);
    Put16(out, h.method);
    Put32(out, h.dosDateTime);
    Put32(out, h.crc);
    Put32(out, h.compressedSize);
    Put32(out, h.uncompressedSize);
    Put16(out, static_cast<uint32_t>(h.name.size()));
    Put16(out, static_cast<uint32_t>(h.extra.size()));
}

}  // namespace

std::string RawDeflate(const std::string& data) {
    z_stream zs{};
    if (deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string out(deflateBound(&zs, data.size()) + 16, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
    zs.avail_out = static_cast<uInt>(out.size());
    if (deflate(&zs, Z_FINISH) != Z_STREAM_END) {
        throw std::runtime_error("deflate");
    }
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

uint32_t Crc32Of(const std::string& data) {
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string UtBlock(uint8_t flags, const std::vector<int32_t>& times) {
    std::string body(1, static_cast<char>(flags));
    for (int32_t t : times) {
        Put32(body, static_cast<uint32_t>(t));
    }
    std::string block = "UT";
    Put16(block, static_cast<uint32_t>(body.size()));
    return block + body;
}

std::string TestBytes(size_t size, bool compressible, uint32_t seed) {
    std::string out(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = compressible ? "the quick brown fox jumps over a lazy dog\n"[(i + (x & 3)) % 42]
                              : static_cast<char>(x & 0xFF);
    }
    return out;
}

ZipTestEntry& ZipTestArchive::Add(const std::string& name,
                                  const std::string& data,
                                  uint16_t method,
                                  const ZipTestOptions& options) {
    ZipTestEntry entry;
    ZipTestHeader& h = entry.central;
    h.name = name;
    h.method = method;
    h.dosDateTime = kDefaultDosTime;
    h.crc = Crc32Of(data);
    h.uncompressedSize = static_cast<uint32_t>(data.size());
    std::string stored = method == 8 ? RawDeflate(data) : data;
    if (!options.password.empty()) {
        h.flags |= 1;
        TraditionalCipher cipher(options.password);
        uint8_t check = static_cast<uint8_t>(options.dataDescriptor ? (h.dosDateTime >> 8) : (h.crc >> 24));
        std::string encrypted;
        for (int i = 0; i < 12; ++i) {
            uint8_t plain = i == 11 ? check : static_cast<uint8_t>(i * 37 + 11);
            encrypted.push_back(static_cast<char>(cipher.Encrypt(plain)));
        }
        for (char c : stored) {
            encrypted.push_back(static_cast<char>(cipher.Encrypt(static_cast<uint8_t>(c))));
        }
        stored = encrypted;
    }
    h.compressedSize = static_cast<uint32_t>(stored.size());
    entry.payload = stored;
    entry.local = h;
    if (options.dataDescriptor) {
        entry.central.flags |= 8;
        entry.local.flags |= 8;
        entry.local.crc = entry.local.compressedSize = entry.local.uncompressedSize = 0;
        Put32(entry.trailer, 0x08074b50);
        Put32(entry.trailer, h.crc);
        Put32(entry.trailer, h.compressedSize);
        Put32(entry.trailer, h.uncompressedSize);
    }
    entries.push_back(entry);
    return entries.back();
}

ZipTestEntry& ZipTestArchive::AddDirectory(const std::string& name) {
    ZipTestEntry& entry = Add(name, "", 0);
    entry.central.externalAttributes = entry.local.externalAttributes = 0x10;
    return entry;
}

std::string ZipTestArchive::Build() const {
    std::string out = prefix;
    size_t base = out.size();
    std::vector<uint32_t> offsets;
    for (const ZipTestEntry& e : entries) {
        offsets.push_back(static_cast<uint32_t>(out.size() - base));
        Put32(out, 0x04034b50);
        WriteHeaderFields(out, e.local);
        out += e.local.name;
        out += e.local.extra;
        out += e.payload;
        out += e.trailer;
    }
    out += between;
    uint32_t dirStart = static_cast<uint32_t>(out.size() - base);
    for (size_t i = 0; i < entries.size(); ++i) {
        const ZipTestHeader& h = entries[i].central;
        Put32(out, 0x02014b50);
        Put16(out, h.versionMadeBy);
        WriteHeaderFields(out, h);
        Put16(out, 0);  // comment length
        Put16(out, h.diskNumberStart);
        Put16(out, h.internalAttributes);
        Put32(out, h.externalAttributes);
        Put32(out, h.localOffset.value_or(offsets[i]));
        out += h.name;
        out += h.extra;
    }
    uint32_t dirSize = static_cast<uint32_t>(out.size() - base - dirStart);
    uint16_t count = static_cast<uint16_t>(entries.size());
    Put32(out, 0x06054b50);
    Put16(out, diskNumber.value_or(0));
    Put16(out, directoryDisk.value_or(0));
    Put16(out, entriesOnDisk.value_or(count));
    Put16(out, entriesTotal.value_or(count));
    Put32(out, directorySize.value_or(dirSize));
    Put32(out, directoryOffset.value_or(dirStart));
    Put16(out, commentLength.value_or(static_cast<uint16_t>(comment.size())));
    out += comment;
    return out;
}
