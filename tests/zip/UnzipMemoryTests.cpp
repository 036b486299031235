#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "ZipTestArchive.h"
#include "zip/Unzip.h"
#include "zip/ZipPlatform.h"
#include "zip/ZipSource.h"

namespace {

constexpr uint64_t kUnixEpoch = 116444736000000000ull;

uint64_t UnixToFileTime(int64_t seconds) {
    return static_cast<uint64_t>(seconds * 10000000 + static_cast<int64_t>(kUnixEpoch));
}

// An open handle over archive bytes it keeps alive.
class OpenArchive {
  public:
    explicit OpenArchive(const ZipTestArchive& archive, const char* password = nullptr)
        : bytes_(archive.Build()),
          handle_(OpenZipMemory(bytes_.data(), static_cast<uint32_t>(bytes_.size()), password)) {}
    ~OpenArchive() {
        if (handle_) {
            EXPECT_EQ(CloseZipHandle(handle_), UZ_OK);
        }
    }
    ZipHandle get() const { return handle_; }

  private:
    std::string bytes_;
    ZipHandle handle_;
};

// Extracts a whole entry into memory in `piece`-sized calls; returns the last result.
ZipResult ExtractInPieces(ZipHandle handle, int32_t index, size_t piece, std::string* out, int* calls = nullptr) {
    std::vector<char> buffer(piece);
    ZipResult result = UZ_MORE;
    int count = 0;
    while (result == UZ_MORE && count < 100000) {
        uint32_t written = 0;
        result = ExtractZipEntryToMemory(handle, index, buffer.data(), static_cast<uint32_t>(piece), &written);
        out->append(buffer.data(), written);
        ++count;
    }
    if (calls) {
        *calls = count;
    }
    return result;
}

TEST(Unzip, EveryOperationAnswersANullHandleWithArgs) {
    ZipEntryInfo info;
    int32_t index = 5;
    char buffer[4];
    EXPECT_EQ(CloseZipHandle(nullptr), UZ_ARGS);
    EXPECT_EQ(GetZipEntry(nullptr, 0, &info), UZ_ARGS);
    EXPECT_EQ(FindZipEntry(nullptr, L"a", true, &index, &info), UZ_ARGS);
    EXPECT_EQ(SetZipExtractRoot(nullptr, L"C:\\x"), UZ_ARGS);
    EXPECT_EQ(ExtractZipEntryToMemory(nullptr, 0, buffer, sizeof(buffer)), UZ_ARGS);
}

TEST(Unzip, OpenFailsOnAnythingButAnArchive) {
    std::string junk = TestBytes(5000, false);
    EXPECT_EQ(OpenZipMemory(nullptr, 10, nullptr), nullptr);
    EXPECT_EQ(OpenZipMemory(junk.data(), 0, nullptr), nullptr);
    EXPECT_EQ(OpenZipMemory(junk.data(), static_cast<uint32_t>(junk.size()), nullptr), nullptr);
}

TEST(Unzip, CountRequestReportsTheEntriesAndNothingElse) {
    ZipTestArchive archive;
    for (int i = 0; i < 91; ++i) {
        archive.Add("file" + std::to_string(i) + ".txt", std::string(static_cast<size_t>(i), 'x'), 0);
    }
    OpenArchive open(archive);
    ASSERT_TRUE(open.get());
    ZipEntryInfo info;
    std::memset(&info, 0x5A, sizeof(info));
    ASSERT_EQ(GetZipEntry(open.get(), -1, &info), UZ_OK);
    EXPECT_EQ(info.index, 91);
    EXPECT_EQ(info.name[0], L'\0');
    EXPECT_EQ(info.uncompressedSize, 0u);
    EXPECT_EQ(info.compressedSize, 0u);
    EXPECT_EQ(GetZipEntry(open.get(), 91, &info), UZ_ARGS);
    EXPECT_EQ(GetZipEntry(open.get(), -2, &info), UZ_ARGS);
    // Random order, and back again, gives each entry its own information.
    for (int32_t i : {90, 3, 57, 3, 0}) {
        ASSERT_EQ(GetZipEntry(open.get(), i, &info), UZ_OK);
        EXPECT_EQ(info.index, i);
        EXPECT_EQ(std::wstring(info.name), L"file" + std::to_wstring(i) + L".txt");
        EXPECT_EQ(info.uncompressedSize, static_cast<uint32_t>(i));
    }
}

// One entry for each row's raw name, flagged as UTF-8 where the row says so.
template <typename Case, size_t N>
ZipTestArchive NamedEntries(const Case (&cases)[N]) {
    ZipTestArchive archive;
    for (const Case& c : cases) {
        ZipTestEntry& e = archive.Add(c.raw, "data", 0);
        if (c.utf8) {
            e.local.flags |= 0x800;
            e.central.flags |= 0x800;
        }
    }
    return archive;
}

TEST(Unzip, EntryNamesAreCleanedAndDecoded) {
    struct Case {
        std::string raw;
        bool utf8;
        std::wstring name;
    };
    const Case cases[] = {
        {"C:\\Windows\\x.dll", false, L"Windows\\x.dll"},
        {"a/../../x.txt", false, L"x.txt"},
        {"../../evil.exe", false, L"evil.exe"},
        {"caf\xe9.txt", false, L"caf\xe9.txt"},                         // one byte in the ANSI code page
        {"caf\xc3\xa9/\xe5\xae\x89.txt", true, L"caf\xe9/\x5b89.txt"},  // the UTF-8 flag is honoured
    };
    OpenArchive open(NamedEntries(cases));
    ASSERT_TRUE(open.get());
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(cases)); ++i) {
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(open.get(), i, &info), UZ_OK) << i;
        EXPECT_EQ(std::wstring(info.name), cases[i].name) << cases[i].raw;
    }
}

// One table for both builds: the host decodes with its own stand-ins, Windows with the
// system's code page and the shared UTF-8 codec; a name one refuses the other refuses too.
// Unflagged names use only bytes the Western code page and the host's Latin-1 agree on.
TEST(Unzip, EntryNamesDecodeOrAreRefusedAlikeOnEveryBuild) {
    const std::wstring emoji = sizeof(wchar_t) == 2
                                   ? std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)}
                                   : std::wstring(1, static_cast<wchar_t>(0x1F600));
    struct Case {
        const char* what;
        std::string raw;
        bool utf8;
        std::optional<std::wstring> name;  // none: refused
    };
    const Case cases[] = {
        {"UTF-8, two and three bytes", "caf\xc3\xa9/\xe5\xae\x89.txt", true, L"caf\xe9/\x5b89.txt"},
        {"UTF-8, four bytes", "\xf0\x9f\x98\x80.txt", true, emoji + L".txt"},
        {"UTF-8, plain ASCII", "dir/a.txt", true, L"dir/a.txt"},
        {"code page", "caf\xe9.txt", false, L"caf\xe9.txt"},
        // Without the flag, UTF-8 bytes are code-page text: two characters, not one.
        {"code page, UTF-8 bytes unflagged", "caf\xc3\xa9.txt", false, L"caf\xc3\xa9.txt"},
        {"code page, bytes invalid as UTF-8", "\xc0\xaf.txt", false, L"\xc0\xaf.txt"},
        {"flagged code-page byte", "caf\xe9.txt", true, std::nullopt},
        {"stray continuation", "a\x80z.txt", true, std::nullopt},
        {"byte never in UTF-8", "\xff.txt", true, std::nullopt},
        {"cut off at the end", "ab\xe5\xae", true, std::nullopt},
        {"overlong slash, two bytes",
         "..\xc0\xaf"
         "evil.exe",
         true, std::nullopt},
        {"overlong slash, three bytes",
         "..\xe0\x80\xaf"
         "evil.exe",
         true, std::nullopt},
        {"overlong dot, four bytes", "\xf0\x80\x80\xae\xf0\x80\x80\xae/x", true, std::nullopt},
        {"encoded high surrogate", "\xed\xa0\x80.txt", true, std::nullopt},
        {"encoded low surrogate", "\xed\xbf\xbf.txt", true, std::nullopt},
        {"encoded surrogate pair (CESU-8)", "\xed\xa0\xbd\xed\xb8\x80.txt", true, std::nullopt},
        {"past U+10FFFF", "\xf4\x90\x80\x80.txt", true, std::nullopt},
        {"five-byte form", "\xf8\x88\x80\x80\x80.txt", true, std::nullopt},
    };
    OpenArchive open(NamedEntries(cases));
    ASSERT_TRUE(open.get());
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(cases)); ++i) {
        const Case& c = cases[i];
        ZipEntryInfo info;
        const ZipResult result = GetZipEntry(open.get(), i, &info);
        if (c.name) {
            ASSERT_EQ(result, UZ_OK) << c.what;
            EXPECT_EQ(std::wstring(info.name), *c.name) << c.what;
        } else {
            EXPECT_EQ(result, UZ_NOFILE) << c.what;
            EXPECT_EQ(info.name[0], L'\0') << c.what;
        }
    }
    // A looked-up name goes to the code page the other way: half a character has no
    // spelling there, so nothing is found, whatever the archive holds.
    for (const std::wstring& lookup :
         {std::wstring{L'a', static_cast<wchar_t>(0xD800)}, std::wstring{static_cast<wchar_t>(0xDC00), L'.', L't'}}) {
        int32_t index = 7;
        EXPECT_EQ(FindZipEntry(open.get(), lookup, false, &index, nullptr), UZ_NOTFOUND);
        EXPECT_EQ(index, -1);
    }
    int32_t index = -1;
    EXPECT_EQ(FindZipEntry(open.get(), L"caf\xe9.txt", false, &index, nullptr), UZ_OK);
    EXPECT_EQ(index, 3);
}

TEST(Unzip, NamesThatCannotBeHeldWholeAreRefused) {
    ZipTestArchive archive;
    archive.Add(std::string(259, 'n'), "fits", 0);
    archive.Add(std::string(260, 'n'), "too long", 0);
    archive.Add(std::string("nul\0byte", 8), "embedded zero", 0);
    OpenArchive open(archive);
    ASSERT_TRUE(open.get());
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(open.get(), 0, &info), UZ_OK);
    EXPECT_EQ(std::wstring(info.name).size(), 259u);
    EXPECT_EQ(GetZipEntry(open.get(), 1, &info), UZ_NOFILE);
    EXPECT_EQ(info.name[0], L'\0');
    EXPECT_EQ(GetZipEntry(open.get(), 2, &info), UZ_NOFILE);
}

TEST(Unzip, AttributesFollowTheSystemThatWroteTheEntry) {
    struct Case {
        const char* label;
        uint16_t madeBy;
        uint32_t external;
        const char* name;
        uint32_t attributes;
    };
    const Case cases[] = {
        {"dos plain", 0x0014, 0x20, "a", kZipAttrArchive},
        {"dos read-only hidden system", 0x0014, 0x27, "b",
         kZipAttrReadOnly | kZipAttrHidden | kZipAttrSystem | kZipAttrArchive},
        {"dos directory", 0x0014, 0x10, "c/", kZipAttrDirectory},
        {"ntfs hidden", 0x0B14, 0x22, "d", kZipAttrHidden | kZipAttrArchive},
        {"unix writable file", 0x0314, 0x81A40000u, "e", kZipAttrArchive},
        {"unix read-only file", 0x0314, 0x81240000u, "f", kZipAttrReadOnly | kZipAttrArchive},
        {"unix directory", 0x0314, 0x41ED0000u, "g/", kZipAttrDirectory | kZipAttrArchive},
        {"unix without a mode", 0x0314, 0x00000020u, "h", kZipAttrArchive},
        {"directory by its name only", 0x0014, 0x00, "i/", kZipAttrDirectory},
    };
    ZipTestArchive archive;
    for (const Case& c : cases) {
        ZipTestEntry& e = archive.Add(c.name, "", 0);
        e.central.versionMadeBy = c.madeBy;
        e.central.externalAttributes = c.external;
    }
    OpenArchive open(archive);
    ASSERT_TRUE(open.get());
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(cases)); ++i) {
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(open.get(), i, &info), UZ_OK) << cases[i].label;
        EXPECT_EQ(info.attributes, cases[i].attributes) << cases[i].label;
    }
}

TEST(Unzip, TimesComeFromTheDosFieldAndTheExtendedBlock) {
    const uint64_t dos = LocalTimeToFileTime(2021, 6, 15, 12, 34, 56);
    ASSERT_NE(dos, 0u);
    const int32_t m = 1600000000, a = 1600000100, c = -100;
    std::string otherBlock = std::string("\x0a\x00", 2) + std::string("\x2c\x01", 2) + std::string(300, 'z');
    struct Case {
        const char* label;
        std::string extra;
        uint32_t dosDateTime;
        uint64_t write, access, creation;
    };
    const Case cases[] = {
        {"dos only", "", ZipTestArchive::kDefaultDosTime, dos, dos, dos},
        {"modification only", UtBlock(1, {m}), ZipTestArchive::kDefaultDosTime, UnixToFileTime(m), dos, dos},
        {"all three", UtBlock(7, {m, a, c}), ZipTestArchive::kDefaultDosTime, UnixToFileTime(m), UnixToFileTime(a),
         UnixToFileTime(c)},
        {"access and creation", UtBlock(6, {a, c}), ZipTestArchive::kDefaultDosTime, dos, UnixToFileTime(a),
         UnixToFileTime(c)},
        {"after a block longer than 255 bytes", otherBlock + UtBlock(1, {m}), ZipTestArchive::kDefaultDosTime,
         UnixToFileTime(m), dos, dos},
        // The flags promise three times; only the one present is taken.
        {"flags promise more than the block holds", UtBlock(7, {m}), ZipTestArchive::kDefaultDosTime, UnixToFileTime(m),
         dos, dos},
        {"flags promise more than the block holds, another block follows",
         UtBlock(7, {m}) + std::string("XY\x08\x00", 4) + std::string(8, '\x11'), ZipTestArchive::kDefaultDosTime,
         UnixToFileTime(m), dos, dos},
        {"block size beyond the field", std::string("UT\xff\x00\x01\x01\x02", 7), ZipTestArchive::kDefaultDosTime, dos,
         dos, dos},
        {"empty block", std::string("UT\x00\x00", 4) + UtBlock(1, {m}), ZipTestArchive::kDefaultDosTime, dos, dos, dos},
        {"invalid dos date", "", 0, 0, 0, 0},
        {"invalid dos date with a block", UtBlock(1, {m}), 0, UnixToFileTime(m), 0, 0},
    };
    ZipTestArchive archive;
    for (const Case& k : cases) {
        ZipTestEntry& e = archive.Add(k.label, "x", 0);
        e.local.extra = k.extra;
        e.local.dosDateTime = e.central.dosDateTime = k.dosDateTime;
    }
    OpenArchive open(archive);
    ASSERT_TRUE(open.get());
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(cases)); ++i) {
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(open.get(), i, &info), UZ_OK) << cases[i].label;
        EXPECT_EQ(info.writeTime, cases[i].write) << cases[i].label;
        EXPECT_EQ(info.accessTime, cases[i].access) << cases[i].label;
        EXPECT_EQ(info.creationTime, cases[i].creation) << cases[i].label;
    }
}

TEST(Unzip, FindsByStoredNameWithOrWithoutCase) {
    ZipTestArchive archive;
    archive.Add("skin/main.xml", "<Window/>", 8);
    archive.Add("skin/Images/Logo.PNG", TestBytes(3000, false), 0);
    archive.Add("../outside.txt", "o", 0);
    OpenArchive open(archive);
    ASSERT_TRUE(open.get());
    struct Case {
        const wchar_t* name;
        bool ignoreCase;
        int32_t index;
    };
    const Case cases[] = {
        {L"skin/Images/Logo.PNG", false, 1},
        {L"skin/images/logo.png", false, -1},
        {L"SKIN/IMAGES/LOGO.PNG", true, 1},
        {L"skin/main.xml", true, 0},
        {L"main.xml", true, -1},
        {L"../outside.txt", false, 2},  // raw names, before cleaning
        {L"outside.txt", false, -1},
    };
    for (const Case& c : cases) {
        int32_t index = 77;
        ZipEntryInfo info;
        ZipResult result = FindZipEntry(open.get(), c.name, c.ignoreCase, &index, &info);
        EXPECT_EQ(result, c.index >= 0 ? UZ_OK : UZ_NOTFOUND) << c.name;
        EXPECT_EQ(index, c.index) << c.name;
        EXPECT_EQ(info.index, c.index) << c.name;
        if (c.index == 1) {
            EXPECT_EQ(info.uncompressedSize, 3000u);
            EXPECT_EQ(std::wstring(info.name), L"skin/Images/Logo.PNG");
        }
    }
    int32_t index = 5;
    ZipEntryInfo info;
    EXPECT_EQ(FindZipEntry(open.get(), std::wstring(300, L'a'), true, &index, &info), UZ_NOTFOUND);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(info.index, -1);
    EXPECT_EQ(FindZipEntry(open.get(), L"skin/main.xml", false, nullptr, nullptr), UZ_OK);
}

TEST(Unzip, MemoryExtractionComesInPieces) {
    const std::string big = TestBytes(100000, true);
    ZipTestArchive archive;
    archive.Add("big.txt", big, 8);
    archive.Add("empty.txt", "", 0);
    archive.Add("small.bin", "0123456789", 0);
    OpenArchive open(archive);
    ASSERT_TRUE(open.get());

    std::string out;
    int calls = 0;
    EXPECT_EQ(ExtractInPieces(open.get(), 0, 30000, &out, &calls), UZ_OK);
    EXPECT_EQ(calls, 4);  // three full pieces with UZ_MORE, the rest with UZ_OK
    EXPECT_TRUE(out == big);

    // The whole entry in one buffer of its size: one call, UZ_OK.
    std::string once;
    EXPECT_EQ(ExtractInPieces(open.get(), 2, 10, &once, &calls), UZ_OK);
    EXPECT_EQ(once, "0123456789");
    EXPECT_EQ(calls, 1);

    char sentinel = 'S';
    uint32_t written = 9;
    EXPECT_EQ(ExtractZipEntryToMemory(open.get(), 1, &sentinel, 1, &written), UZ_OK);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(sentinel, 'S');

    EXPECT_EQ(ExtractZipEntryToMemory(open.get(), 3, &sentinel, 1), UZ_ARGS);
    EXPECT_EQ(ExtractZipEntryToMemory(open.get(), -1, &sentinel, 1), UZ_ARGS);
    EXPECT_EQ(ExtractZipEntryToMemory(open.get(), 0, nullptr, 10), UZ_ARGS);
}

TEST(Unzip, EntryInformationRestartsAMemoryExtraction) {
    const std::string data = TestBytes(5000, false);
    ZipTestArchive archive;
    archive.Add("a.bin", data, 8);
    OpenArchive open(archive);
    ASSERT_TRUE(open.get());
    char first[1000];
    ASSERT_EQ(ExtractZipEntryToMemory(open.get(), 0, first, sizeof(first)), UZ_MORE);
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(open.get(), 0, &info), UZ_OK);
    std::string again;
    EXPECT_EQ(ExtractInPieces(open.get(), 0, 4096, &again), UZ_OK);
    EXPECT_TRUE(again == data);
}

TEST(Unzip, MemoryExtractionReportsPasswordAndDamage) {
    const std::string data = TestBytes(40000, true);
    ZipTestArchive archive;
    archive.Add("secret.xml", data, 8, ZipTestOptions{"skin", false});
    archive.Add("plain.txt", data, 8);
    ZipTestEntry& bad = archive.Add("badcrc.txt", data, 8);
    bad.local.crc = bad.central.crc = bad.central.crc ^ 0x8000;
    ZipTestEntry& cut = archive.Add("cut.txt", data, 8);
    cut.payload.resize(cut.payload.size() - 40);
    cut.local.compressedSize = cut.central.compressedSize = static_cast<uint32_t>(cut.payload.size());
    ZipTestEntry& mismatch = archive.Add("mismatch.txt", data, 8);
    mismatch.local.uncompressedSize += 1;

    struct Case {
        const char* password;
        int32_t index;
        ZipResult result;
    };
    const Case cases[] = {
        {"skin", 0, UZ_OK},       {"wrong", 0, UZ_PASSWORD}, {nullptr, 0, UZ_PASSWORD}, {nullptr, 1, UZ_OK},
        {nullptr, 2, UZ_INFLATE}, {nullptr, 3, UZ_INFLATE},  {nullptr, 4, UZ_CORRUPT},
    };
    for (const Case& c : cases) {
        OpenArchive open(archive, c.password);
        ASSERT_TRUE(open.get());
        std::string out;
        EXPECT_EQ(ExtractInPieces(open.get(), c.index, 16384, &out), c.result) << c.index;
        if (c.result == UZ_OK) {
            EXPECT_TRUE(out == data);
        }
    }
    OpenArchive open(archive);
    ZipEntryInfo info;
    EXPECT_EQ(GetZipEntry(open.get(), 4, &info), UZ_CORRUPT);
}

// Memory whose bytes in one range cannot be read, as a bad sector would.
class HoleySource final : public ZipSource {
  public:
    HoleySource(std::string bytes, uint64_t holeStart, uint64_t holeEnd)
        : ZipSource(bytes.size()), bytes_(std::move(bytes)), holeStart_(holeStart), holeEnd_(holeEnd) {}

  private:
    bool ReadRange(uint64_t offset, void* buffer, size_t size) override {
        if (offset < holeEnd_ && offset + size > holeStart_) {
            return false;
        }
        std::memcpy(buffer, bytes_.data() + offset, size);
        return true;
    }
    std::string bytes_;
    uint64_t holeStart_;
    uint64_t holeEnd_;
};

TEST(Unzip, UnreadableExtraFieldIsAReadError) {
    ZipTestArchive archive;
    const std::string extra = UtBlock(1, {1600000000});
    archive.Add("a.txt", "alpha", 0).local.extra = extra;
    archive.Add("pad.bin", TestBytes(70000, false), 0);  // keeps the entry out of the end-record search
    const uint64_t extraStart = 30 + 5;
    ZipHandle handle = OpenZipFromSource(
        std::make_unique<HoleySource>(archive.Build(), extraStart, extraStart + extra.size()), nullptr);
    ASSERT_TRUE(handle);
    ZipEntryInfo info;
    EXPECT_EQ(GetZipEntry(handle, 0, &info), UZ_READ);
    EXPECT_EQ(CloseZipHandle(handle), UZ_OK);
}

TEST(Unzip, ExtractRootMustFit) {
    ZipTestArchive archive;
    archive.Add("a", "a", 0);
    OpenArchive open(archive);
    ASSERT_TRUE(open.get());
    EXPECT_EQ(SetZipExtractRoot(open.get(), std::wstring(259, L'r')), UZ_OK);
    EXPECT_EQ(SetZipExtractRoot(open.get(), std::wstring(260, L'r')), UZ_ARGS);
    EXPECT_EQ(SetZipExtractRoot(open.get(), L""), UZ_ARGS);
}

#ifndef _WIN32
TEST(ZipPlatformHost, LocalTimeIsTakenAsUtcAndValidated) {
    EXPECT_EQ(LocalTimeToFileTime(2021, 6, 15, 12, 34, 56), UnixToFileTime(1623760496));
    EXPECT_EQ(LocalTimeToFileTime(1980, 1, 1, 0, 0, 0), UnixToFileTime(315532800));
    EXPECT_EQ(LocalTimeToFileTime(2024, 2, 29, 23, 59, 58), UnixToFileTime(1709251198));
    EXPECT_EQ(LocalTimeToFileTime(2023, 2, 29, 0, 0, 0), 0u);
    EXPECT_EQ(LocalTimeToFileTime(1980, 0, 0, 0, 0, 0), 0u);
    EXPECT_EQ(LocalTimeToFileTime(2000, 1, 1, 24, 0, 0), 0u);
}
#endif

}  // namespace
