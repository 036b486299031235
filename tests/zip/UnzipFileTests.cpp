#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "HostileCorpus.h"
#include "ZipFileTestSupport.h"
#include "ZipTestArchive.h"
#include "zip/Unzip.h"
#include "zip/ZipPlatform.h"

namespace {

using Files = std::vector<std::wstring>;

uint64_t FileTimeValue(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

uint64_t UnixToFileTime(int64_t seconds) {
    return static_cast<uint64_t>(seconds * 10000000 + 116444736000000000ll);
}

struct Times {
    uint64_t creation = 0, access = 0, write = 0;
};

Times TimesOf(const std::wstring& path) {
    Times times;
    HANDLE file = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    FILETIME c, a, w;
    if (file != INVALID_HANDLE_VALUE && ::GetFileTime(file, &c, &a, &w)) {
        times = {FileTimeValue(c), FileTimeValue(a), FileTimeValue(w)};
    }
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    return times;
}

// Writes the archive into the sandbox and returns its path.
std::wstring Save(const TestSandbox& sandbox, const ZipTestArchive& archive, const wchar_t* name = L"test.zip") {
    std::wstring path = sandbox.Path() + L"\\" + name;
    EXPECT_TRUE(WriteBytes(path, archive.Build()));
    return path;
}

TEST(UnzipFile, ExtractsDirectoriesAndFilesBelowTheRoot) {
    TestSandbox sandbox;
    ZipTestArchive archive;
    archive.AddDirectory("dir/");
    archive.Add("dir/a.txt", "alpha", 8);
    archive.Add("b.txt", "beta", 0);
    archive.Add("deep/er/c.txt", TestBytes(3 * 1024 * 1024 + 17, false), 8);
    std::wstring zip = Save(sandbox, archive);
    std::wstring root = sandbox.Root() + L"\\nested\\target";
    ASSERT_TRUE(ExtractZipToDirectory(zip, root, nullptr));
    EXPECT_EQ(ListFiles(root), (Files{L"b.txt", L"deep/er/c.txt", L"dir/a.txt"}));
    EXPECT_EQ(ReadBytes(root + L"\\dir\\a.txt"), "alpha");
    EXPECT_EQ(ReadBytes(root + L"\\b.txt"), "beta");
    EXPECT_TRUE(ReadBytes(root + L"\\deep\\er\\c.txt") == TestBytes(3 * 1024 * 1024 + 17, false));
    EXPECT_TRUE(AttributesOf(root + L"\\dir") & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(UnzipFile, TraversalAndDrivePrefixesLandBelowTheRoot) {
    TestSandbox sandbox;
    ZipTestArchive archive;
    archive.Add("a/../../x.txt", "x", 0);
    archive.Add("C:\\Windows\\x.dll", "dll", 0);
    archive.Add("../../../escape.txt", "e", 0);
    std::wstring zip = Save(sandbox, archive);
    ASSERT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
    EXPECT_EQ(ListFiles(sandbox.Root()), (Files{L"Windows/x.dll", L"escape.txt", L"x.txt"}));
    EXPECT_EQ(ListFiles(sandbox.Path()),
              (Files{L"root/Windows/x.dll", L"root/escape.txt", L"root/x.txt", L"test.zip"}));
}

TEST(UnzipFile, DisagreeingHeadersCreateNoFile) {
    TestSandbox sandbox;
    ZipTestArchive archive;
    archive.Add("good.txt", "good", 0);
    ZipTestEntry& bad = archive.Add("bad.txt", TestBytes(1000, true), 8);
    bad.local.crc ^= 0x100;
    std::wstring zip = Save(sandbox, archive);
    ZipHandle handle = OpenZipFile(zip, nullptr);
    ASSERT_TRUE(handle);
    ASSERT_EQ(SetZipExtractRoot(handle, sandbox.Root()), UZ_OK);
    EXPECT_EQ(ExtractZipEntryToFile(handle, 1, L"bad.txt"), UZ_CORRUPT);
    EXPECT_FALSE(PathExists(sandbox.Root() + L"\\bad.txt"));
    EXPECT_EQ(ExtractZipEntryToFile(handle, 2, L"x.txt"), UZ_ARGS);
    EXPECT_EQ(ExtractZipEntryToFile(handle, -1, L"x.txt"), UZ_ARGS);
    EXPECT_EQ(CloseZipHandle(handle), UZ_OK);
    EXPECT_FALSE(ExtractZipToDirectory(zip, sandbox.Root() + L"2", nullptr));
    // What came before the failing entry stays.
    EXPECT_EQ(ListFiles(sandbox.Root() + L"2"), (Files{L"good.txt"}));
}

TEST(UnzipFile, AttributesAreAppliedAndReadOnlyFilesReplaced) {
    TestSandbox sandbox;
    ZipTestArchive archive;
    ZipTestEntry& ro = archive.Add("readonly.txt", "locked content", 8);
    ro.central.externalAttributes = 0x21;
    ZipTestEntry& hidden = archive.Add("hidden.txt", "hidden content", 0);
    hidden.central.externalAttributes = 0x22;
    ZipTestEntry& unixRo = archive.Add("unix-ro.txt", "unix", 0);
    unixRo.central.versionMadeBy = 0x0314;
    unixRo.central.externalAttributes = 0x81240000u;
    archive.Add("old.txt", "new content", 0);
    std::wstring zip = Save(sandbox, archive);

    ASSERT_TRUE(MakeDirectoryTree(sandbox.Root()));
    std::wstring old = sandbox.Root() + L"\\old.txt";
    ASSERT_TRUE(WriteBytes(old, "old content that is longer"));
    ASSERT_TRUE(::SetFileAttributesW(old.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

    ASSERT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
    EXPECT_EQ(ReadBytes(sandbox.Root() + L"\\readonly.txt"), "locked content");
    EXPECT_TRUE(AttributesOf(sandbox.Root() + L"\\readonly.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadBytes(sandbox.Root() + L"\\hidden.txt"), "hidden content");
    EXPECT_TRUE(AttributesOf(sandbox.Root() + L"\\hidden.txt") & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(AttributesOf(sandbox.Root() + L"\\hidden.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(AttributesOf(sandbox.Root() + L"\\unix-ro.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadBytes(old), "new content");
    EXPECT_FALSE(AttributesOf(old) & FILE_ATTRIBUTE_READONLY);

    // A second run replaces the read-only files it made itself.
    EXPECT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
    EXPECT_EQ(ReadBytes(sandbox.Root() + L"\\readonly.txt"), "locked content");
}

TEST(UnzipFile, TimesComeFromTheArchive) {
    TestSandbox sandbox;
    const int32_t modified = 1500000000;
    ZipTestArchive archive;
    ZipTestEntry& ut = archive.Add("ut.txt", "ut", 0);
    ut.local.extra = UtBlock(1, {modified});
    archive.Add("dos.txt", "dos", 0);
    ZipTestEntry& noTime = archive.Add("notime.txt", "none", 0);
    noTime.local.dosDateTime = noTime.central.dosDateTime = 0;
    std::wstring zip = Save(sandbox, archive);
    ASSERT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));

    const uint64_t dos = LocalTimeToFileTime(2021, 6, 15, 12, 34, 56);
    ASSERT_NE(dos, 0u);
    // Read back as local time, the DOS stamp gives the same fields.
    FILETIME utc = {static_cast<DWORD>(dos), static_cast<DWORD>(dos >> 32)};
    FILETIME local;
    SYSTEMTIME fields;
    ASSERT_TRUE(::FileTimeToLocalFileTime(&utc, &local) && ::FileTimeToSystemTime(&local, &fields));
    EXPECT_EQ(fields.wYear, 2021);
    EXPECT_EQ(fields.wMonth, 6);
    EXPECT_EQ(fields.wDay, 15);
    EXPECT_EQ(fields.wHour, 12);
    EXPECT_EQ(fields.wMinute, 34);
    EXPECT_EQ(fields.wSecond, 56);

    Times utTimes = TimesOf(sandbox.Root() + L"\\ut.txt");
    EXPECT_EQ(utTimes.write, UnixToFileTime(modified));
    EXPECT_EQ(utTimes.access, dos);
    Times dosTimes = TimesOf(sandbox.Root() + L"\\dos.txt");
    EXPECT_EQ(dosTimes.write, dos);
    EXPECT_EQ(dosTimes.access, dos);
    // No valid stamp: the file keeps the time it was written at, not 1601 or 1980.
    Times none = TimesOf(sandbox.Root() + L"\\notime.txt");
    SYSTEMTIME year2020 = {2020, 1, 0, 1, 0, 0, 0, 0};
    FILETIME threshold;
    ASSERT_TRUE(::SystemTimeToFileTime(&year2020, &threshold));
    EXPECT_GT(none.write, FileTimeValue(threshold));
}

TEST(UnzipFile, WrongPasswordLeavesNoFileBehind) {
    TestSandbox sandbox;
    ZipTestArchive archive;
    archive.Add("secret.txt", TestBytes(5000, true), 8, ZipTestOptions{"right", false});
    std::wstring zip = Save(sandbox, archive);
    for (const char* password : {"wrong", static_cast<const char*>(nullptr)}) {
        ZipHandle handle = OpenZipFile(zip, password);
        ASSERT_TRUE(handle);
        ASSERT_EQ(SetZipExtractRoot(handle, sandbox.Root()), UZ_OK);
        EXPECT_EQ(ExtractZipEntryToFile(handle, 0, L"secret.txt"), UZ_PASSWORD);
        EXPECT_EQ(ListFiles(sandbox.Root()), Files{}) << "neither the target nor a temporary file";
        EXPECT_EQ(CloseZipHandle(handle), UZ_OK);
    }
    ASSERT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), "right"));
    EXPECT_TRUE(ReadBytes(sandbox.Root() + L"\\secret.txt") == TestBytes(5000, true));
}

TEST(UnzipFile, MissingArchiveCreatesNothing) {
    TestSandbox sandbox;
    EXPECT_FALSE(ExtractZipToDirectory(sandbox.Path() + L"\\absent.zip", sandbox.Root(), nullptr));
    EXPECT_FALSE(PathExists(sandbox.Root()));
    EXPECT_FALSE(ExtractZipToDirectory(sandbox.Path(), sandbox.Root(), nullptr));  // a directory
    EXPECT_FALSE(ExtractZipToDirectory(L"", sandbox.Root(), nullptr));
    EXPECT_EQ(OpenZipFile(sandbox.Path() + L"\\absent.zip", nullptr), nullptr);
}

TEST(UnzipFile, UnsafeNamesAreRefusedBeforeAnythingIsCreated) {
    TestSandbox sandbox;
    const char* const names[] = {"evil.txt:stream", "CON", "dir/nul.txt", "dir/ /x.txt", "tab\tname", "..."};
    for (const char* name : names) {
        ZipTestArchive archive;
        archive.Add(name, "bad", 0);
        std::wstring zip = Save(sandbox, archive);
        EXPECT_FALSE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr)) << name;
        EXPECT_EQ(ListFiles(sandbox.Root()), Files{}) << name;
    }
    EXPECT_FALSE(PathExists(sandbox.Root() + L"\\dir"));
}

TEST(UnzipFile, TargetsOutsideTheRootAreRefused) {
    TestSandbox sandbox;
    ZipTestArchive archive;
    archive.Add("a.txt", "a", 0);
    std::wstring zip = Save(sandbox, archive);
    ZipHandle handle = OpenZipFile(zip, nullptr);
    ASSERT_TRUE(handle);
    ASSERT_EQ(SetZipExtractRoot(handle, sandbox.Root()), UZ_OK);
    EXPECT_EQ(ExtractZipEntryToFile(handle, 0, sandbox.Path() + L"\\outside.txt"), UZ_NOFILE);
    EXPECT_EQ(ExtractZipEntryToFile(handle, 0, sandbox.Root() + L"\\..\\outside.txt"), UZ_NOFILE);
    EXPECT_EQ(ExtractZipEntryToFile(handle, 0, L"..\\outside.txt"), UZ_NOFILE);
    EXPECT_EQ(ExtractZipEntryToFile(handle, 0, sandbox.Root() + L"x\\sibling.txt"), UZ_NOFILE);
    EXPECT_FALSE(PathExists(sandbox.Path() + L"\\outside.txt"));
    EXPECT_FALSE(PathExists(sandbox.Root() + L"x"));
    // An absolute target inside the root is fine.
    EXPECT_EQ(ExtractZipEntryToFile(handle, 0, sandbox.Root() + L"\\sub\\inside.txt"), UZ_OK);
    EXPECT_EQ(ReadBytes(sandbox.Root() + L"\\sub\\inside.txt"), "a");
    EXPECT_EQ(CloseZipHandle(handle), UZ_OK);
}

TEST(UnzipFile, LongPathsFailInsteadOfBeingCut) {
    TestSandbox sandbox;
    std::wstring root = sandbox.Root();
    ASSERT_LT(root.size(), 200u);
    // Directories below MAX_PATH - 12 can be made; the name then takes the path to 259 or 260.
    std::string dir(220 - root.size(), 'd');
    ZipTestArchive archive;
    std::string fits = dir + "/" + std::string(259 - root.size() - 1 - dir.size() - 1, 'f');
    std::string tooLong = fits + "g";
    archive.Add(fits, "fits", 0);
    archive.Add(tooLong, "too long", 0);
    std::wstring zip = Save(sandbox, archive);
    ZipHandle handle = OpenZipFile(zip, nullptr);
    ASSERT_TRUE(handle);
    ASSERT_EQ(SetZipExtractRoot(handle, root), UZ_OK);
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(handle, 0, &info), UZ_OK);
    EXPECT_EQ(ExtractZipEntryToFile(handle, 0, info.name), UZ_OK);
    ASSERT_EQ(GetZipEntry(handle, 1, &info), UZ_OK);
    EXPECT_EQ(ExtractZipEntryToFile(handle, 1, info.name), UZ_NOFILE);
    EXPECT_EQ(CloseZipHandle(handle), UZ_OK);
    std::wstring wideDir(dir.begin(), dir.end());
    EXPECT_EQ(ListFiles(root), (Files{wideDir + L"/" + std::wstring(fits.begin() + dir.size() + 1, fits.end())}));

    EXPECT_FALSE(MakeDirectoryTree(root + L"\\" + std::wstring(300, L'x')));
    EXPECT_FALSE(ExtractZipToDirectory(zip, root + L"\\" + std::wstring(300, L'y'), nullptr));
}

TEST(UnzipFile, CrcMismatchFailsTheExtraction) {
    TestSandbox sandbox;
    ZipTestArchive archive;
    ZipTestEntry& e = archive.Add("data.bin", TestBytes(100000, false), 0);
    e.local.crc = e.central.crc = e.central.crc ^ 0xFFFF;
    std::wstring zip = Save(sandbox, archive);
    ZipHandle handle = OpenZipFile(zip, nullptr);
    ASSERT_TRUE(handle);
    ASSERT_EQ(SetZipExtractRoot(handle, sandbox.Root()), UZ_OK);
    EXPECT_EQ(ExtractZipEntryToFile(handle, 0, L"data.bin"), UZ_INFLATE);
    EXPECT_EQ(CloseZipHandle(handle), UZ_OK);
    EXPECT_FALSE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
}

TEST(UnzipFile, StubCommentAndDescriptorsExtract) {
    TestSandbox sandbox;
    ZipTestArchive archive;
    archive.prefix = "MZ" + TestBytes(20000, false, 9);
    archive.comment = std::string(60000, '#');
    archive.Add("desc.txt", TestBytes(70000, true, 2), 8, ZipTestOptions{"", true});
    archive.Add("enc/desc.bin", TestBytes(9000, false, 4), 8, ZipTestOptions{"pw", true});
    archive.Add("enc/plain.bin", TestBytes(9000, false, 5), 0, ZipTestOptions{"pw", false});
    std::wstring zip = Save(sandbox, archive, L"setup.exe");
    ASSERT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), "pw"));
    EXPECT_TRUE(ReadBytes(sandbox.Root() + L"\\desc.txt") == TestBytes(70000, true, 2));
    EXPECT_TRUE(ReadBytes(sandbox.Root() + L"\\enc\\desc.bin") == TestBytes(9000, false, 4));
    EXPECT_TRUE(ReadBytes(sandbox.Root() + L"\\enc\\plain.bin") == TestBytes(9000, false, 5));
}

TEST(UnzipFile, AnOpenVerifiedHandleCannotBeSwapped) {
    TestSandbox sandbox;
    ZipTestArchive archive;
    archive.Add("client.exe", TestBytes(200000, false), 8);
    std::wstring zip = Save(sandbox, archive);
    HANDLE file = ::CreateFileW(zip.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    // The digest is taken through the handle first; its file pointer ends at the end.
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    }
    HANDLE writer = ::CreateFileW(zip.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) {
        ::CloseHandle(writer);
    }
    EXPECT_FALSE(::DeleteFileW(zip.c_str()));
    EXPECT_FALSE(::MoveFileW(zip.c_str(), (zip + L".moved").c_str()));

    EXPECT_TRUE(ExtractZipHandleToDirectory(file, sandbox.Root(), nullptr));
    EXPECT_TRUE(ReadBytes(sandbox.Root() + L"\\client.exe") == TestBytes(200000, false));
    // The handle is the caller's and still open.
    EXPECT_NE(::SetFilePointer(file, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_TRUE(::ReadFile(file, buffer, 4, &got, nullptr) && got == 4);
    ::CloseHandle(file);

    // An archive opened by name is held the same way while its handle lives.
    ZipHandle handle = OpenZipFile(zip, nullptr);
    ASSERT_TRUE(handle);
    writer = ::CreateFileW(zip.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) {
        ::CloseHandle(writer);
    }
    EXPECT_EQ(CloseZipHandle(handle), UZ_OK);
    EXPECT_TRUE(::DeleteFileW(zip.c_str()));

    EXPECT_FALSE(ExtractZipHandleToDirectory(INVALID_HANDLE_VALUE, sandbox.Root(), nullptr));
}

TEST(UnzipFile, MakeDirectoryTreeBuildsEveryLevel) {
    TestSandbox sandbox;
    std::wstring deep = sandbox.Path() + L"\\a/b\\\\c\\";
    EXPECT_TRUE(MakeDirectoryTree(deep));
    EXPECT_TRUE(AttributesOf(sandbox.Path() + L"\\a\\b\\c") & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(MakeDirectoryTree(deep));
    ASSERT_TRUE(WriteBytes(sandbox.Path() + L"\\file", "x"));
    EXPECT_FALSE(MakeDirectoryTree(sandbox.Path() + L"\\file\\sub"));
    EXPECT_FALSE(MakeDirectoryTree(L""));
}

TEST(UnzipFile, HostileCorpusNeverWritesOutsideTheRoot) {
    TestSandbox sandbox;
    wchar_t current[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring watched[] = {L"C:\\evil.txt", L"C:\\tmp\\evil.txt", L"C:\\etc\\evil.txt",
                                    std::wstring(current) + L"\\evil.txt", sandbox.Path() + L"\\evil.txt"};
    int index = 0;
    for (const HostileArchive& hostile : BuildHostileCorpus()) {
        SCOPED_TRACE(hostile.label);
        std::wstring zip = sandbox.Path() + L"\\h" + std::to_wstring(++index) + L".zip";
        ASSERT_TRUE(WriteBytes(zip, hostile.bytes));
        std::wstring root = sandbox.Root() + std::to_wstring(index);
        bool ok = ExtractZipToDirectory(zip, root, nullptr);
        EXPECT_EQ(ok, hostile.outcome == HostileArchive::Outcome::kContained);
        if (hostile.outcome == HostileArchive::Outcome::kContained) {
            EXPECT_EQ(ListFiles(root), hostile.contained);
        }
        ::DeleteFileW(zip.c_str());
    }
    // Everything written lies in a root folder.
    for (const std::wstring& file : ListFiles(sandbox.Path())) {
        EXPECT_EQ(file.compare(0, 4, L"root"), 0) << std::string(file.begin(), file.end());
        EXPECT_NE(file.find(L'/'), std::wstring::npos);
    }
    for (const std::wstring& path : watched) {
        EXPECT_FALSE(PathExists(path)) << std::string(path.begin(), path.end());
    }
}

}  // namespace
