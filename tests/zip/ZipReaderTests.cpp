#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ZipTestArchive.h"
#include "zip/ZipReader.h"

namespace {

// Memory the source owns, so a test can hand over a temporary archive.
class OwningSource final : public ZipSource {
  public:
    explicit OwningSource(std::string bytes) : ZipSource(bytes.size()), bytes_(std::move(bytes)) {}

  private:
    bool ReadRange(uint64_t offset, void* buffer, size_t size) override {
        std::memcpy(buffer, bytes_.data() + offset, size);
        return true;
    }
    std::string bytes_;
};

std::unique_ptr<ZipReader> OpenBytes(std::string bytes, int* status = nullptr) {
    return OpenZipReader(std::make_unique<OwningSource>(std::move(bytes)), status);
}

// Reads the current entry in `chunk`-sized calls; returns the last status (0 when the
// entry ended cleanly) and appends what came out.
int ReadAll(ZipReader& reader, const char* password, size_t chunk, std::string* out) {
    int status = reader.OpenEntry(password);
    if (status != kZipOk) {
        return status;
    }
    std::vector<char> buffer(chunk);
    for (int guard = 0; guard < 10000000; ++guard) {
        bool ended = false;
        int64_t n = reader.ReadEntry(buffer.data(), buffer.size(), &ended);
        if (n < 0) {
            return static_cast<int>(n);
        }
        out->append(buffer.data(), static_cast<size_t>(n));
        if (ended) {
            return reader.CloseEntry();
        }
        if (n == 0) {
            return 1;  // no progress and no end: the reader would spin
        }
    }
    return 2;
}

struct RoundTripCase {
    const char* label;
    uint16_t method;
    size_t size;
    bool compressible;
    const char* password;
    bool descriptor;
};

class ZipReaderRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(ZipReaderRoundTrip, ReadsBackEveryByteInAnyChunkSize) {
    const RoundTripCase& c = GetParam();
    std::string data = TestBytes(c.size, c.compressible, 7);
    ZipTestArchive archive;
    archive.Add("first.bin", "leading entry", 8);
    archive.Add("entry.bin", data, c.method, ZipTestOptions{c.password ? c.password : "", c.descriptor});
    std::string bytes = archive.Build();
    for (size_t chunk : {size_t{1}, size_t{7}, size_t{4096}, size_t{1} << 20}) {
        if (chunk == 1 && c.size > 70000) {
            continue;
        }
        auto reader = OpenBytes(bytes);
        ASSERT_TRUE(reader);
        ASSERT_EQ(reader->LocateEntry("entry.bin", ZipCaseMode::kExact), kZipOk);
        std::string out;
        EXPECT_EQ(ReadAll(*reader, c.password, chunk, &out), kZipOk) << "chunk " << chunk;
        EXPECT_TRUE(out == data) << "chunk " << chunk << " got " << out.size() << " of " << data.size();
    }
}

INSTANTIATE_TEST_SUITE_P(Entries,
                         ZipReaderRoundTrip,
                         testing::Values(RoundTripCase{"stored", 0, 1000, false, nullptr, false},
                                         RoundTripCase{"deflated", 8, 5000, true, nullptr, false},
                                         RoundTripCase{"emptyStored", 0, 0, false, nullptr, false},
                                         RoundTripCase{"emptyDeflated", 8, 0, false, nullptr, false},
                                         RoundTripCase{"largeStored", 0, 300000, false, nullptr, false},
                                         RoundTripCase{"largeDeflatedText", 8, 400000, true, nullptr, false},
                                         RoundTripCase{"largeDeflatedNoise", 8, 300000, false, nullptr, false},
                                         RoundTripCase{"encryptedStored", 0, 3000, false, "skin-pass", false},
                                         RoundTripCase{"encryptedDeflated", 8, 200000, true, "skin-pass", false},
                                         RoundTripCase{"encryptedEmpty", 0, 0, false, "skin-pass", false},
                                         RoundTripCase{"descriptor", 8, 9000, true, nullptr, true},
                                         RoundTripCase{"descriptorEncrypted", 8, 9000, true, "pw", true}),
                         [](const testing::TestParamInfo<RoundTripCase>& p) { return std::string(p.param.label); });

TEST(ZipReader, WrongOrMissingPasswordFailsAfterTheHeader) {
    ZipTestArchive archive;
    archive.Add("secret.txt", TestBytes(500, true), 8, ZipTestOptions{"right", false});
    std::string bytes = archive.Build();
    for (const char* password : {"wrong", "", static_cast<const char*>(nullptr)}) {
        auto reader = OpenBytes(bytes);
        ASSERT_TRUE(reader);
        std::string out;
        EXPECT_EQ(ReadAll(*reader, password, 4096, &out), kZipWrongPassword) << (password ? password : "(none)");
        EXPECT_TRUE(out.empty());
    }
}

TEST(ZipReader, StubBeforeTheArchiveShiftsEveryOffset) {
    ZipTestArchive archive;
    archive.prefix = "MZ" + TestBytes(5000, false, 3);
    archive.Add("a.txt", "alpha", 0);
    archive.Add("b.txt", TestBytes(3000, true), 8);
    auto reader = OpenBytes(archive.Build());
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->BytesBefore(), archive.prefix.size());
    ASSERT_EQ(reader->GoToNextEntry(), kZipOk);
    std::string out;
    EXPECT_EQ(ReadAll(*reader, nullptr, 1000, &out), kZipOk);
    EXPECT_EQ(out, TestBytes(3000, true));
}

TEST(ZipReader, EndRecordMustLieWithinTheSearchWindow) {
    ZipTestArchive withComment;
    withComment.Add("a.txt", "alpha", 0);
    withComment.comment = std::string(60000, 'c');
    int status = 0;
    auto reader = OpenBytes(withComment.Build(), &status);
    ASSERT_TRUE(reader) << status;
    EXPECT_EQ(reader->CommentLength(), 60000u);

    ZipTestArchive tooFar;
    tooFar.Add("a.txt", "alpha", 0);
    std::string bytes = tooFar.Build() + std::string(65535 - 21, '\0');
    EXPECT_FALSE(OpenBytes(bytes, &status));
    EXPECT_EQ(status, kZipBadArchive);
    // One byte less and the signature is inside the window again.
    EXPECT_TRUE(OpenBytes(bytes.substr(0, bytes.size() - 1)));
}

TEST(ZipReader, RefusesMultiDiskAndInconsistentEndRecords) {
    struct Case {
        const char* label;
        void (*apply)(ZipTestArchive&);
    };
    const Case cases[] = {
        {"disk number", [](ZipTestArchive& a) { a.diskNumber = 1; }},
        {"directory disk", [](ZipTestArchive& a) { a.directoryDisk = 2; }},
        {"entry counts differ", [](ZipTestArchive& a) { a.entriesOnDisk = 1; }},
        {"more entries than records", [](ZipTestArchive& a) { a.entriesOnDisk = a.entriesTotal = 3; }},
        {"directory past the end record", [](ZipTestArchive& a) { a.directorySize = 5000; }},
        {"directory offset huge", [](ZipTestArchive& a) { a.directoryOffset = 0xFFFFFFF0u; }},
        {"directory too short for its records", [](ZipTestArchive& a) { a.directorySize = 60; }},
        {"local offset inside the directory", [](ZipTestArchive& a) { a.entries[1].central.localOffset = 400; }},
        {"local offset beyond the archive", [](ZipTestArchive& a) { a.entries[0].central.localOffset = 0x7FFFFFFF; }},
        {"two records share one entry", [](ZipTestArchive& a) { a.entries[1].central.localOffset = 0; }},
    };
    for (const Case& c : cases) {
        ZipTestArchive archive;
        archive.Add("a.txt", TestBytes(100, true), 8);
        archive.Add("b.txt", TestBytes(100, false), 0);
        c.apply(archive);
        int status = 0;
        EXPECT_FALSE(OpenBytes(archive.Build(), &status)) << c.label;
        EXPECT_EQ(status, kZipBadArchive) << c.label;
    }
}

TEST(ZipReader, RefusesABrokenCentralSignature) {
    ZipTestArchive archive;
    archive.Add("a.txt", "alpha", 0);
    archive.Add("b.txt", "beta", 0);
    std::string bytes = archive.Build();
    size_t second = bytes.rfind(std::string("PK\x01\x02", 4));
    ASSERT_NE(second, std::string::npos);
    bytes[second + 3] = 9;
    int status = 0;
    EXPECT_FALSE(OpenBytes(bytes, &status));
    EXPECT_EQ(status, kZipBadArchive);
}

TEST(ZipReader, EmptyArchiveOpensWithNoEntries) {
    ZipTestArchive archive;
    auto reader = OpenBytes(archive.Build());
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->EntryCount(), 0u);
    EXPECT_EQ(reader->GoToFirstEntry(), kZipEndOfList);
    EXPECT_EQ(reader->GoToNextEntry(), kZipEndOfList);
    EXPECT_EQ(reader->OpenEntry(nullptr), kZipBadParameter);
}

TEST(ZipReader, WalksEntriesAndSplitsTheDosTime) {
    ZipTestArchive archive;
    archive.Add("one", "1", 0);
    archive.Add("two", "22", 0);
    archive.Add("three", "333", 0);
    auto reader = OpenBytes(archive.Build());
    ASSERT_TRUE(reader);
    std::vector<std::string> names;
    int status = reader->GoToFirstEntry();
    while (status == kZipOk) {
        ZipCentralEntry entry;
        std::string name;
        ASSERT_EQ(reader->GetEntryHeader(&entry, &name), kZipOk);
        names.push_back(name);
        EXPECT_EQ(entry.uncompressedSize, name == "one" ? 1u : name == "two" ? 2u : 3u);
        EXPECT_EQ(entry.year, 2021);
        EXPECT_EQ(entry.month, 5);
        EXPECT_EQ(entry.day, 15);
        EXPECT_EQ(entry.hour, 12);
        EXPECT_EQ(entry.minute, 34);
        EXPECT_EQ(entry.second, 56);
        status = reader->GoToNextEntry();
    }
    EXPECT_EQ(status, kZipEndOfList);
    EXPECT_EQ(names, (std::vector<std::string>{"one", "two", "three"}));
}

TEST(ZipReader, LocatesByExactOrAsciiFoldedName) {
    ZipTestArchive archive;
    archive.Add("first", "x", 0);
    archive.Add("Skin/Main.XML", "<xml/>", 0);
    archive.Add("caf\xe9.txt", "latin", 0);
    auto reader = OpenBytes(archive.Build());
    ASSERT_TRUE(reader);
    struct Case {
        const char* name;
        ZipCaseMode mode;
        int found;  // entry index, -1 for none
    };
    const Case cases[] = {
        {"Skin/Main.XML", ZipCaseMode::kExact, 1},
        {"skin/main.xml", ZipCaseMode::kExact, -1},
        {"skin/main.xml", ZipCaseMode::kAsciiInsensitive, 1},
        {"SKIN/MAIN.XML", ZipCaseMode::kAsciiInsensitive, 1},
        {"caf\xe9.txt", ZipCaseMode::kAsciiInsensitive, 2},
        {"CAF\xc9.TXT", ZipCaseMode::kAsciiInsensitive, -1},  // only a-z fold
        {"Skin/Main.XM", ZipCaseMode::kAsciiInsensitive, -1},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(reader->GoToFirstEntry(), kZipOk);
        EXPECT_EQ(reader->LocateEntry(c.name, c.mode), c.found >= 0 ? kZipOk : kZipEndOfList) << c.name;
        // A miss leaves the current entry where it was.
        EXPECT_EQ(reader->EntryNumber(), c.found >= 0 ? static_cast<uint32_t>(c.found) : 0u) << c.name;
    }
    EXPECT_EQ(reader->LocateEntry(std::string(256, 'a'), ZipCaseMode::kExact), kZipBadParameter);
}

TEST(ZipReader, LocalHeaderMustAgreeWithTheDirectory) {
    struct Case {
        const char* label;
        void (*apply)(ZipTestEntry&);
    };
    const Case cases[] = {
        {"crc", [](ZipTestEntry& e) { e.local.crc ^= 1; }},
        {"compressed size", [](ZipTestEntry& e) { e.local.compressedSize += 1; }},
        {"uncompressed size", [](ZipTestEntry& e) { e.local.uncompressedSize -= 1; }},
        {"method", [](ZipTestEntry& e) { e.local.method = 0; }},
        {"name length", [](ZipTestEntry& e) { e.local.name += "x"; }},
        {"encryption flag", [](ZipTestEntry& e) { e.local.flags |= 1; }},
        {"unsupported method", [](ZipTestEntry& e) { e.local.method = e.central.method = 12; }},
        {"descriptor with other sizes",
         [](ZipTestEntry& e) {
             e.local.flags |= 8;
             e.local.compressedSize = 5;
         }},
        {"signature",
         [](ZipTestEntry& e) {
             e.local.versionNeeded = 0;
             e.central.localOffset = 2;
         }},
    };
    for (const Case& c : cases) {
        ZipTestArchive archive;
        archive.prefix = "stub";
        archive.Add("a.bin", TestBytes(100, true), 8);
        c.apply(archive.entries[0]);
        auto reader = OpenBytes(archive.Build());
        ASSERT_TRUE(reader) << c.label;
        EXPECT_EQ(reader->CheckLocalHeader(nullptr), kZipBadArchive) << c.label;
        EXPECT_EQ(reader->OpenEntry(nullptr), kZipBadArchive) << c.label;
    }
}

TEST(ZipReader, DescriptorLetsTheLocalFieldsBeZero) {
    ZipTestArchive archive;
    archive.Add("d.txt", TestBytes(2000, true), 8, ZipTestOptions{"", true});
    auto reader = OpenBytes(archive.Build());
    ASSERT_TRUE(reader);
    ZipLocalHeader local;
    EXPECT_EQ(reader->CheckLocalHeader(&local), kZipOk);
    EXPECT_EQ(local.flags & 8, 8);
}

TEST(ZipReader, EntryDataMustNotReachIntoTheNextEntry) {
    ZipTestArchive archive;
    archive.Add("a.bin", TestBytes(300, false), 0);
    archive.Add("b.bin", TestBytes(300, false), 0);
    // The first entry claims the second's bytes as its own.
    uint32_t grown = archive.entries[0].central.compressedSize + 100;
    for (ZipTestHeader* h : {&archive.entries[0].central, &archive.entries[0].local}) {
        h->compressedSize = h->uncompressedSize = grown;
    }
    auto reader = OpenBytes(archive.Build());
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->CheckLocalHeader(nullptr), kZipBadArchive);
    ASSERT_EQ(reader->GoToNextEntry(), kZipOk);
    EXPECT_EQ(reader->CheckLocalHeader(nullptr), kZipOk);
}

void SetBoth(ZipTestEntry& e, uint32_t ZipTestHeader::*field, uint32_t value) {
    e.local.*field = value;
    e.central.*field = value;
}

// Archives whose data lies about itself: each must end in an error, never in success or
// an endless loop.
TEST(ZipReader, DamagedDataEndsWithAnError) {
    struct Case {
        const char* label;
        uint16_t method;
        void (*apply)(ZipTestEntry&);
        int expected;  // 0: any negative status
    };
    const Case cases[] = {
        {"crc mismatch stored", 0, [](ZipTestEntry& e) { SetBoth(e, &ZipTestHeader::crc, e.central.crc ^ 0x10); },
         kZipCrcMismatch},
        {"crc mismatch deflated", 8, [](ZipTestEntry& e) { SetBoth(e, &ZipTestHeader::crc, e.central.crc + 1); },
         kZipCrcMismatch},
        {"stream ends before the declared size", 8,
         [](ZipTestEntry& e) { SetBoth(e, &ZipTestHeader::uncompressedSize, e.central.uncompressedSize + 10); },
         kZipBadArchive},
        {"stream holds more than declared", 8,
         [](ZipTestEntry& e) { SetBoth(e, &ZipTestHeader::uncompressedSize, e.central.uncompressedSize - 10); },
         kZipBadArchive},
        {"stream cut short", 8,
         [](ZipTestEntry& e) {
             e.payload.resize(e.payload.size() / 2);
             SetBoth(e, &ZipTestHeader::compressedSize, static_cast<uint32_t>(e.payload.size()));
         },
         kZipBadArchive},
        {"stream garbage", 8,
         [](ZipTestEntry& e) {
             for (size_t i = 0; i < e.payload.size(); ++i) {
                 e.payload[i] = static_cast<char>(0xFF);
             }
         },
         0},
        {"stored sizes disagree", 0,
         [](ZipTestEntry& e) { SetBoth(e, &ZipTestHeader::uncompressedSize, e.central.uncompressedSize + 1); },
         kZipBadArchive},
        {"huge declared size", 8, [](ZipTestEntry& e) { SetBoth(e, &ZipTestHeader::uncompressedSize, 0xFFFFFFF0u); },
         kZipBadArchive},
    };
    for (const Case& c : cases) {
        ZipTestArchive archive;
        archive.Add("x.bin", TestBytes(20000, true), c.method);
        c.apply(archive.entries[0]);
        auto reader = OpenBytes(archive.Build());
        ASSERT_TRUE(reader) << c.label;
        std::string out;
        int status = ReadAll(*reader, nullptr, 8192, &out);
        if (c.expected == 0) {
            EXPECT_LT(status, 0) << c.label;
        } else {
            EXPECT_EQ(status, c.expected) << c.label;
        }
        // The read itself reports the fault (ReadAll closes only after a clean end), so a
        // caller that stops at the end without closing still learns of it.
        if (c.method == 8 || c.expected == kZipCrcMismatch) {
            EXPECT_TRUE(reader->IsEntryOpen()) << c.label;
        }
        // The error sticks.
        bool ended = false;
        char byte;
        EXPECT_LT(reader->ReadEntry(&byte, 1, &ended), 0) << c.label;
    }
}

// A source that fails once a number of bytes has been read, as a failing disk would.
class FailingSource final : public ZipSource {
  public:
    FailingSource(const std::string& bytes, uint64_t failAfter)
        : ZipSource(bytes.size()), bytes_(bytes), failAfter_(failAfter) {}

  private:
    bool ReadRange(uint64_t offset, void* buffer, size_t size) override {
        if (readSoFar_ + size > failAfter_) {
            return false;
        }
        readSoFar_ += size;
        std::memcpy(buffer, bytes_.data() + offset, size);
        return true;
    }
    std::string bytes_;
    uint64_t failAfter_;
    uint64_t readSoFar_ = 0;
};

TEST(ZipReader, SourceFailureSticks) {
    ZipTestArchive archive;
    archive.Add("big.bin", TestBytes(200000, false), 0);
    std::string bytes = archive.Build();
    auto source = std::make_unique<FailingSource>(bytes, bytes.size());
    ZipSource* raw = source.get();
    auto reader = OpenZipReader(std::move(source));
    ASSERT_TRUE(reader);
    std::string out;
    EXPECT_EQ(ReadAll(*reader, nullptr, 65536, &out), kZipSourceError);
    EXPECT_TRUE(raw->HasReadError());
    char byte;
    EXPECT_EQ(raw->Read(0, &byte, 1), -1);
    EXPECT_EQ(reader->CheckLocalHeader(nullptr), kZipSourceError);

    int status = 0;
    EXPECT_FALSE(OpenZipReader(std::make_unique<FailingSource>(bytes, 10), &status));
    EXPECT_EQ(status, kZipSourceError);
}

TEST(ZipSource, ReadsAreCutAtTheEndAndNeverPastIt) {
    const char data[] = "0123456789";
    auto source = OpenZipSource(data, 10);
    char buffer[8] = {};
    EXPECT_EQ(source->Read(6, buffer, 8), 4);
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_EQ(source->Read(10, buffer, 1), 0);
    EXPECT_EQ(source->Read(UINT64_MAX - 2, buffer, 8), 0);
    EXPECT_FALSE(source->ReadExact(8, buffer, 3));
    EXPECT_TRUE(source->ReadExact(7, buffer, 3));
    EXPECT_FALSE(source->HasReadError());
}

}  // namespace
