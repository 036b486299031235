#include "TestPaths.h"
#include "toolkit/LayoutMarkup.h"
#include "toolkit/LayoutNode.h"
#include "toolkit/SkinArchive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class SkinArchiveTest : public ::testing::Test {
  protected:
    void SetUp() override { CSkinArchive::Reset(); }
    void TearDown() override { CSkinArchive::Reset(); }

    static void InstallMemorySkin(const char* password = TestPaths::kSkinPassword) {
        const auto& zip = TestPaths::SkinZip();
        ASSERT_FALSE(zip.empty()) << "the build writes skin.zip";
        CSkinArchive::SetResourceZip(zip.data(), zip.size(), password);
    }

    static std::wstring ReadLayoutError(const std::wstring& name) {
        std::vector<uint8_t> bytes;
        std::wstring error;
        EXPECT_FALSE(CSkinArchive::ReadLayoutFile(name, bytes, error));
        return error;
    }
};

TEST_F(SkinArchiveTest, ReadsLayoutsAndImagesFromTheEncryptedArchiveInMemory) {
    InstallMemorySkin();
    EXPECT_EQ(CSkinArchive::GetArchiveName(), std::wstring(L"membuffer"));
    EXPECT_TRUE(CSkinArchive::HasCachedArchive());

    CLayoutMarkup markup;
    ASSERT_TRUE(markup.LoadFromFile(L"main.xml"))
        << std::string(markup.GetLastErrorMessage().begin(), markup.GetLastErrorMessage().end());
    EXPECT_STREQ(markup.GetRoot().GetName(), L"Window");

    std::vector<uint8_t> png;
    ASSERT_TRUE(CSkinArchive::ReadImageFile(L"bk/grid.png", png));
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG", 4), 0);
}

TEST_F(SkinArchiveTest, EntryNamesMatchIgnoringCase) {
    InstallMemorySkin();
    std::vector<uint8_t> upper;
    std::vector<uint8_t> lower;
    ASSERT_TRUE(CSkinArchive::ReadImageFile(L"BK/GRID.PNG", upper));
    ASSERT_TRUE(CSkinArchive::ReadImageFile(L"bk/grid.png", lower));
    EXPECT_EQ(upper, lower);
}

TEST_F(SkinArchiveTest, ArchiveFailuresCarryTheirMessages) {
    InstallMemorySkin();
    EXPECT_EQ(ReadLayoutError(L"missing.xml"), L"Could not find ziped file");

    CSkinArchive::Reset();
    InstallMemorySkin("wrong password");
    EXPECT_EQ(ReadLayoutError(L"main.xml"), L"Could not unzip file");

    CSkinArchive::Reset();
    const uint8_t notAZip[] = "this is not an archive";
    CSkinArchive::SetResourceZip(notAZip, sizeof(notAZip), TestPaths::kSkinPassword);
    EXPECT_EQ(ReadLayoutError(L"main.xml"), L"Error opening zip file");
}

TEST_F(SkinArchiveTest, ASecondInstallReplacesOnlyThePassword) {
    InstallMemorySkin();
    CSkinArchive::SetResourceZip(nullptr, 0, "another");
    EXPECT_STREQ(CSkinArchive::GetPassword(), "another");
    EXPECT_TRUE(CSkinArchive::HasCachedArchive());
    // The archive opened by the first call stays in use, with the password it was opened with.
    std::vector<uint8_t> bytes;
    std::wstring error;
    EXPECT_TRUE(CSkinArchive::ReadLayoutFile(L"main.xml", bytes, error));
}

TEST_F(SkinArchiveTest, PasswordIsCutTo64BytesAndTerminated) {
    const std::string longPassword(100, 'p');
    CSkinArchive::SetResourceZip(nullptr, 0, longPassword.c_str());
    EXPECT_EQ(std::strlen(CSkinArchive::GetPassword()), 64u);
    CSkinArchive::Reset();
    CSkinArchive::SetResourceZip(nullptr, 0, nullptr);
    EXPECT_STREQ(CSkinArchive::GetPassword(), "");
}

TEST_F(SkinArchiveTest, WithoutCachingEachReadOpensTheArchiveAgain) {
    CSkinArchive::SetCacheArchive(false);
    InstallMemorySkin();
    EXPECT_FALSE(CSkinArchive::HasCachedArchive());
    std::vector<uint8_t> bytes;
    std::wstring error;
    EXPECT_TRUE(CSkinArchive::ReadLayoutFile(L"main.xml", bytes, error));
    EXPECT_TRUE(CSkinArchive::ReadLayoutFile(L"layered.xml", bytes, error));
}

TEST_F(SkinArchiveTest, ReadsAZipFileUnderTheResourcePath) {
    CSkinArchive::SetResourcePath(TestPaths::Host(TestPaths::BuildDir() + "/"));
    CSkinArchive::SetResourceZipFile(L"skin.zip", TestPaths::kSkinPassword);
    std::vector<uint8_t> bytes;
    std::wstring error;
    EXPECT_TRUE(CSkinArchive::ReadLayoutFile(L"MAIN.xml", bytes, error));
    EXPECT_FALSE(bytes.empty());
}

TEST_F(SkinArchiveTest, PlainFilesUnderTheResourcePath) {
    CSkinArchive::SetResourcePath(TestPaths::SkinFolder());
    std::vector<uint8_t> bytes;
    std::wstring error;
    EXPECT_TRUE(CSkinArchive::ReadLayoutFile(L"main.xml", bytes, error));
    EXPECT_EQ(ReadLayoutError(L"missing.xml"), L"Error opening file");
    EXPECT_EQ(ReadLayoutError(L"empty.xml"), L"File is empty");
    EXPECT_EQ(ReadLayoutError(L"large.xml"), L"File too large");
}

TEST_F(SkinArchiveTest, ImagesOfAZipFileFallBackToThePlainPath) {
    CSkinArchive::SetResourcePath(TestPaths::Host(TestPaths::BuildDir() + "/"));
    CSkinArchive::SetResourceZipFile(L"skin.zip", TestPaths::kSkinPassword);
    const std::wstring outside = TestPaths::SkinFolder() + L"img/quad.png";
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(CSkinArchive::ReadImageFile(outside, bytes));
    EXPECT_FALSE(CSkinArchive::ReadImageFile(L"no/such.png", bytes));
    // Layouts have no such fallback.
    std::wstring error;
    EXPECT_FALSE(CSkinArchive::ReadLayoutFile(TestPaths::SkinFolder() + L"main.xml", bytes, error));
}

TEST_F(SkinArchiveTest, ImagesOfTheMemorySkinNeverComeFromTheDisk) {
    // An image that is on the disk but not in the archive, planted in the current directory.
    const std::vector<uint8_t> png = TestPaths::ReadBytes(TestPaths::BuildDir() + "/skin/img/quad.png");
    ASSERT_FALSE(png.empty());
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "varlo-skin-planted";
    std::filesystem::create_directories(folder / "img");
    {
        std::ofstream planted(folder / "img" / "planted.png", std::ios::binary);
        planted.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }
    InstallMemorySkin();
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    std::vector<uint8_t> bytes;
    const bool relative = CSkinArchive::ReadImageFile(L"img/planted.png", bytes);
    const bool absolute = CSkinArchive::ReadImageFile((folder / "img" / "planted.png").wstring(), bytes);
    std::filesystem::current_path(before);
    std::filesystem::remove_all(folder);
    EXPECT_FALSE(relative);
    EXPECT_FALSE(absolute);
    EXPECT_TRUE(bytes.empty());
    EXPECT_TRUE(CSkinArchive::ReadImageFile(L"bk/grid.png", bytes));
}

TEST_F(SkinArchiveTest, MarkupKeepsTheReadersMessage) {
    InstallMemorySkin();
    CLayoutMarkup markup;
    EXPECT_FALSE(markup.LoadFromFile(L"nothing.xml"));
    EXPECT_EQ(markup.GetLastErrorMessage(), L"Could not find ziped file");
    EXPECT_FALSE(markup.GetRoot().IsValid());
}

}  // namespace
