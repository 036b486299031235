// Archives made by Info-ZIP zip, Python's zipfile and 7-Zip (at build time, see
// make_interop.py) must extract to exactly what Info-ZIP unzip extracts from them.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "util/Utf8.h"
#include "zip/Unzip.h"

#ifdef _WIN32
#include <windows.h>

#include "ZipFileTestSupport.h"
#else
#include <filesystem>
#endif

namespace {

const std::string kInteropDir = std::string(VARLO_TEST_BINARY_DIR) + "/tests/zip/interop";

struct InteropArchive {
    std::string name;
    std::string password;  // empty: none
};

std::vector<InteropArchive> ReadManifest() {
    std::vector<InteropArchive> archives;
#ifdef _WIN32
    std::istringstream manifest(ReadBytes(HostPath(kInteropDir + "/manifest.txt")));
#else
    std::ifstream manifest(kInteropDir + "/manifest.txt");
#endif
    std::string name;
    std::string password;
    while (manifest >> name >> password) {
        archives.push_back({name, password == "-" ? "" : password});
    }
    return archives;
}

const char* PasswordOf(const InteropArchive& archive) {
    return archive.password.empty() ? nullptr : archive.password.c_str();
}

TEST(ZipInterop, ManifestListsEveryTool) {
    std::vector<InteropArchive> archives = ReadManifest();
    ASSERT_EQ(archives.size(), 10u) << "make_interop.py did not run: " << kInteropDir;
}

#ifndef _WIN32
std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Every entry into memory, compared with unzip's file; and no file of unzip's missing.
TEST(ZipInterop, MemoryExtractionMatchesInfoZipUnzip) {
    for (const InteropArchive& archive : ReadManifest()) {
        SCOPED_TRACE(archive.name);
        std::string bytes = ReadFile(kInteropDir + "/archives/" + archive.name + ".zip");
        ASSERT_FALSE(bytes.empty());
        ZipHandle handle = OpenZipMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), PasswordOf(archive));
        ASSERT_TRUE(handle);
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(handle, -1, &info), UZ_OK);
        std::string reference = kInteropDir + "/reference/" + archive.name;
        size_t files = 0;
        for (int32_t i = 0, count = info.index; i < count; ++i) {
            ASSERT_EQ(GetZipEntry(handle, i, &info), UZ_OK);
            std::string name = EncodeUtf8(info.name);
            if (info.attributes & kZipAttrDirectory) {
                EXPECT_TRUE(std::filesystem::is_directory(reference + "/" + name)) << name;
                continue;
            }
            std::string data(info.uncompressedSize, '\0');
            uint32_t written = 0;
            EXPECT_EQ(ExtractZipEntryToMemory(handle, i, data.data(), info.uncompressedSize, &written), UZ_OK) << name;
            EXPECT_EQ(written, info.uncompressedSize) << name;
            EXPECT_TRUE(data == ReadFile(reference + "/" + name)) << name;
            ++files;
        }
        EXPECT_EQ(CloseZipHandle(handle), UZ_OK);
        size_t referenceFiles = 0;
        for (const auto& item : std::filesystem::recursive_directory_iterator(reference)) {
            referenceFiles += item.is_regular_file() ? 1 : 0;
        }
        EXPECT_EQ(files, referenceFiles);
    }
}

TEST(ZipInterop, EncryptedArchivesRefuseAWrongPassword) {
    for (const InteropArchive& archive : ReadManifest()) {
        if (archive.password.empty()) {
            continue;
        }
        SCOPED_TRACE(archive.name);
        std::string bytes = ReadFile(kInteropDir + "/archives/" + archive.name + ".zip");
        ZipHandle handle = OpenZipMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), "not the password");
        ASSERT_TRUE(handle);
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(handle, -1, &info), UZ_OK);
        for (int32_t i = 0, count = info.index; i < count; ++i) {
            ASSERT_EQ(GetZipEntry(handle, i, &info), UZ_OK);
            if (info.uncompressedSize == 0) {
                continue;
            }
            std::string data(info.uncompressedSize, '\0');
            // The header check catches all but one in 256 wrong passwords; the data checks
            // catch the rest. Never success.
            EXPECT_NE(ExtractZipEntryToMemory(handle, i, data.data(), info.uncompressedSize), UZ_OK) << i;
        }
        EXPECT_EQ(CloseZipHandle(handle), UZ_OK);
    }
}
#else
uint64_t WriteTimeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// Whole archives to disk: the same tree, the same bytes; where the archive carries
// extended times (Info-ZIP), the same modification times as unzip gave its files.
TEST(ZipInterop, ExtractionToDiskMatchesInfoZipUnzip) {
    for (const InteropArchive& archive : ReadManifest()) {
        SCOPED_TRACE(archive.name);
        TestSandbox sandbox;
        std::wstring zip = HostPath(kInteropDir + "/archives/" + archive.name + ".zip");
        std::wstring reference = HostPath(kInteropDir + "/reference/" + archive.name);
        ASSERT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), PasswordOf(archive)));
        std::vector<std::wstring> entries = ListFiles(sandbox.Root(), true);
        ASSERT_EQ(entries, ListFiles(reference, true));
        bool compareTimes = archive.name.compare(0, 7, "infozip") == 0;
        for (const std::wstring& entry : entries) {
            if (entry.back() == L'/') {
                continue;
            }
            std::wstring ours = sandbox.Root() + L"\\" + entry;
            std::wstring theirs = reference + L"\\" + entry;
            EXPECT_TRUE(ReadBytes(ours) == ReadBytes(theirs)) << std::string(entry.begin(), entry.end());
            if (compareTimes) {
                EXPECT_EQ(WriteTimeOf(ours) / 10000000, WriteTimeOf(theirs) / 10000000)
                    << std::string(entry.begin(), entry.end());
            }
        }
    }
}
#endif

}  // namespace
