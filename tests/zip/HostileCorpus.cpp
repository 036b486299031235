#include "HostileCorpus.h"

#include <functional>

#include "ZipTestArchive.h"

namespace {

using Outcome = HostileArchive::Outcome;

HostileArchive NamedEntry(const std::string& name, Outcome outcome, std::vector<std::wstring> contained = {}) {
    ZipTestArchive archive;
    archive.Add(name, "pwned", 0);
    return {"name " + name, archive.Build(), outcome, std::move(contained)};
}

HostileArchive Shaped(const std::string& label, Outcome outcome, const std::function<void(ZipTestArchive&)>& shape) {
    ZipTestArchive archive;
    archive.Add("first.txt", TestBytes(3000, true, 5), 8);
    archive.Add("second.bin", TestBytes(2000, false, 6), 0);
    shape(archive);
    return {label, archive.Build(), outcome, {}};
}

void SetSize(ZipTestEntry& e, uint32_t ZipTestHeader::*field, uint32_t value) {
    e.local.*field = value;
    e.central.*field = value;
}

}  // namespace

std::vector<HostileArchive> BuildHostileCorpus() {
    std::vector<HostileArchive> corpus;
    // Traversal in every spelling: cleaned into the root, never out of it.
    const char* const traversals[] = {
        "../evil.txt",      "..\\evil.txt",        "../../../../../../tmp/evil.txt",
        "a/../../evil.txt", "a\\..\\..\\evil.txt", "a/..\\../evil.txt",
        "/etc/evil.txt",    "\\evil.txt",          "C:\\evil.txt",
        "C:/evil.txt",      "C:evil.txt",          "c:..\\..\\evil.txt",
        "./././evil.txt",   "..//..//evil.txt",
    };
    for (const char* name : traversals) {
        std::wstring expected = L"evil.txt";
        if (std::string(name).find("etc") != std::string::npos) {
            expected = L"etc/evil.txt";
        } else if (std::string(name).find("tmp") != std::string::npos) {
            expected = L"tmp/evil.txt";
        }
        corpus.push_back(NamedEntry(name, Outcome::kContained, {expected}));
    }
    corpus.push_back(NamedEntry("\\\\server\\share\\evil.txt", Outcome::kContained, {L"server/share/evil.txt"}));
    corpus.push_back(NamedEntry("%2e%2e/evil.txt", Outcome::kContained, {L"%2e%2e/evil.txt"}));
    corpus.push_back(NamedEntry("\\\\.\\C:\\evil.txt", Outcome::kContained, {L"evil.txt"}));
    corpus.push_back(NamedEntry("x:y:evil.txt", Outcome::kContained, {L"evil.txt"}));
    // A directory entry that cleans away to nothing is the root itself.
    corpus.push_back(NamedEntry("../", Outcome::kContained, {}));
    // Names that cannot be made safe: refused.
    const char* const refused[] = {
        "..",        "...\\evil.txt",   ". ./evil.txt",  "dir/ /evil.txt", "evil.txt:stream", "evil.txt::$DATA",
        "CON",       "nul.txt",         "dir/AUX.dll",   "COM1",           "LPT1.log",        "CONOUT$",
        "prn  ",     "tab\tname.txt",   "new\nline.txt", "a\x01.txt",      "x/../../../..",   "evil?.txt",
        "evil*.txt", "//?/C:/evil.txt", "a<b>.txt",
    };
    for (const char* name : refused) {
        corpus.push_back(NamedEntry(name, Outcome::kFails));
    }
    corpus.push_back(NamedEntry(std::string(300, 'n'), Outcome::kFails));

    corpus.push_back(Shaped("valid", Outcome::kContained, [](ZipTestArchive&) {}));
    corpus.back().contained = {L"first.txt", L"second.bin"};
    corpus.push_back(Shaped("huge declared size", Outcome::kFails, [](ZipTestArchive& a) {
        SetSize(a.entries[0], &ZipTestHeader::uncompressedSize, 0xFFFFFFF0u);
    }));
    corpus.push_back(Shaped("two records, one entry", Outcome::kOpenFails,
                            [](ZipTestArchive& a) { a.entries[1].central.localOffset = 0; }));
    corpus.push_back(Shaped("entry overlaps the next", Outcome::kFails, [](ZipTestArchive& a) {
        // Both entries decode the same bytes, the trick behind overlapping zip bombs.
        ZipTestEntry& e = a.entries[0];
        SetSize(e, &ZipTestHeader::compressedSize, e.central.compressedSize + 40);
    }));
    corpus.push_back(Shaped("truncated stream", Outcome::kFails, [](ZipTestArchive& a) {
        ZipTestEntry& e = a.entries[0];
        e.payload.resize(e.payload.size() / 3);
        SetSize(e, &ZipTestHeader::compressedSize, static_cast<uint32_t>(e.payload.size()));
    }));
    corpus.push_back(Shaped("crc mismatch", Outcome::kFails, [](ZipTestArchive& a) {
        SetSize(a.entries[1], &ZipTestHeader::crc, a.entries[1].central.crc ^ 1);
    }));
    corpus.push_back(Shaped("local offset past the end", Outcome::kOpenFails,
                            [](ZipTestArchive& a) { a.entries[1].central.localOffset = 0x7FFFFFF0u; }));
    corpus.push_back(Shaped("directory offset past the end", Outcome::kOpenFails,
                            [](ZipTestArchive& a) { a.directoryOffset = 0xFFFFFF00u; }));
    corpus.push_back(Shaped("directory count too high", Outcome::kOpenFails,
                            [](ZipTestArchive& a) { a.entriesOnDisk = a.entriesTotal = 0xFFFF; }));
    corpus.push_back(Shaped("multi-disk", Outcome::kOpenFails, [](ZipTestArchive& a) { a.diskNumber = 3; }));
    corpus.push_back(Shaped("local sizes disagree", Outcome::kFails,
                            [](ZipTestArchive& a) { a.entries[1].local.uncompressedSize += 1; }));
    corpus.push_back(Shaped("local name length disagrees", Outcome::kFails,
                            [](ZipTestArchive& a) { a.entries[1].local.name = "second.bin.exe"; }));
    corpus.push_back(Shaped("local extra runs into the next entry", Outcome::kFails, [](ZipTestArchive& a) {
        a.entries[0].local.extra = std::string(40000, 'E');
        a.entries[0].payload.clear();
    }));
    corpus.push_back(Shaped("unsupported method", Outcome::kFails,
                            [](ZipTestArchive& a) { a.entries[1].local.method = a.entries[1].central.method = 99; }));
    corpus.push_back(Shaped("stored sizes disagree", Outcome::kFails, [](ZipTestArchive& a) {
        SetSize(a.entries[1], &ZipTestHeader::compressedSize, a.entries[1].central.compressedSize - 10);
    }));
    corpus.push_back(Shaped("bad UT blocks", Outcome::kContained, [](ZipTestArchive& a) {
        a.entries[0].local.extra = std::string("UT\xff\xff\x07\x01", 6);
        a.entries[1].local.extra = std::string("UT\x01\x00\x07", 5) + std::string("xx\xff\xff", 4);
    }));
    corpus.back().contained = {L"first.txt", L"second.bin"};
    corpus.push_back(Shaped("file where a directory must go", Outcome::kFails,
                            [](ZipTestArchive& a) { a.Add("first.txt/inner.txt", "x", 0); }));
    corpus.back().fileSystemOnly = true;
    {
        ZipTestArchive a;
        a.Add("secret.txt", TestBytes(500, true), 8, ZipTestOptions{"hidden", false});
        corpus.push_back({"encrypted, no password", a.Build(), Outcome::kFails, {}});
    }
    {
        ZipTestArchive a;
        a.Add("a.txt", "alpha", 0);
        std::string bytes = a.Build();
        corpus.push_back({"archive cut in its directory", bytes.substr(0, bytes.size() - 30), Outcome::kOpenFails, {}});
        corpus.push_back({"empty file", "", Outcome::kOpenFails, {}});
        corpus.push_back(
            {"end record only, garbage around", "PK\x05\x06" + std::string(18, '\xff'), Outcome::kOpenFails, {}});
    }
    return corpus;
}
