#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "tests/util/TestFiles.h"
#include "util/FileUtil.h"

namespace {

TEST(CreateDirectoryRecursive, CreatesEveryMissingLevel) {
    const TempDir scratch(L"varlo mkdir");
    const std::wstring& root = scratch.path();
    const std::wstring deep = root + L"\\a\\b\\c";
    EXPECT_TRUE(CreateDirectoryRecursive(deep));
    EXPECT_TRUE(FileExists(deep));
    EXPECT_TRUE(CreateDirectoryRecursive(deep)) << "existing directory";
    EXPECT_TRUE(CreateDirectoryRecursive(root + L"\\x/y\\")) << "mixed and trailing separators";
    EXPECT_TRUE(FileExists(root + L"\\x\\y"));
    EXPECT_TRUE(CreateDirectoryRecursive(root + L"\\p\\\\q")) << "doubled separator";
    EXPECT_TRUE(FileExists(root + L"\\p\\q"));
}

TEST(CreateDirectoryRecursive, RefusesWhatCannotBeADirectory) {
    const TempDir scratch(L"varlo mkdir2");
    const std::wstring& root = scratch.path();
    ASSERT_TRUE(WriteBytes(root + L"\\file", "x"));
    EXPECT_FALSE(CreateDirectoryRecursive(root + L"\\file\\sub"));
    // A file already holding the name is not a directory made: a later write into it
    // would fail far from the cause.
    EXPECT_FALSE(CreateDirectoryRecursive(root + L"\\file"));
    EXPECT_FALSE(CreateDirectoryRecursive(root + L"\\file\\"));
    EXPECT_FALSE(CreateDirectoryRecursive(L"no-separator-name-that-does-not-exist"));
    EXPECT_FALSE(CreateDirectoryRecursive(L""));
}

TEST(FileExists, FilesAndDirectoriesButNotEmptyPaths) {
    const TempDir scratch(L"varlo exists");
    const std::wstring& root = scratch.path();
    ASSERT_TRUE(WriteBytes(root + L"\\f.txt", "x"));
    EXPECT_TRUE(FileExists(root + L"\\f.txt"));
    EXPECT_TRUE(FileExists(root));
    EXPECT_FALSE(FileExists(root + L"\\missing.txt"));
    EXPECT_FALSE(FileExists(L""));
}

TEST(IsFolderEmpty, Cases) {
    const TempDir scratch(L"varlo empty");
    const std::wstring& root = scratch.path();
    const std::wstring fresh = root + L"\\fresh";
    const std::wstring withDir = root + L"\\withdir";
    ::CreateDirectoryW(fresh.c_str(), nullptr);
    ::CreateDirectoryW(withDir.c_str(), nullptr);
    ::CreateDirectoryW((withDir + L"\\sub").c_str(), nullptr);

    std::wstring error;
    EXPECT_TRUE(IsFolderEmpty(fresh, &error));
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(IsFolderEmpty(withDir, &error));
    EXPECT_TRUE(error.empty());

    const std::wstring missing = root + L"\\missing";
    EXPECT_FALSE(IsFolderEmpty(missing, &error));
    EXPECT_EQ(error, L"检测文件夹是否为空失败[" + missing + L"\\*.*]");
    EXPECT_FALSE(IsFolderEmpty(missing, nullptr));
}

TEST(GetModuleDirectory, IsTheExeDirectoryWithTrailingSeparator) {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring expected = exe;
    expected.erase(expected.find_last_of(L'\\') + 1);
    EXPECT_EQ(GetModuleDirectory(nullptr), expected);
}

TEST(GetFileNamePart, Table) {
    struct Case {
        std::wstring in, out;
    } cases[] = {
        {L"https://cdn.example/files/client.zip", L"client.zip"},
        {L"C:\\a\\b.txt", L"b.txt"},
        {L"mixed/a\\b", L"b"},
        {L"plain", L"plain"},
        {L"ends/", L""},
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetFileNamePart(c.in), c.out) << c.in;
    }
}

TEST(GetParentPart, Table) {
    struct Case {
        std::wstring in, out;
    } cases[] = {
        {L"C:\\a\\b.txt", L"C:\\a"},
        {L"mixed\\a/b", L"mixed\\a"},
        {L"ends\\", L"ends"},
        {L"\\top", L""},
        {L"plain", L""},
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetParentPart(c.in), c.out) << c.in;
    }
}

}  // namespace
