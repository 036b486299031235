#include <gtest/gtest.h>

#include <string>

#include "engine/InstallDirRules.h"

namespace {

TEST(InstallDirRules, DefaultIsOnTheSystemDrive) {
    EXPECT_EQ(DefaultInstallDir(L"C:\\Windows\\system32"), L"C:\\Program Files (x86)\\varlo");
    EXPECT_EQ(DefaultInstallDir(L"E:\\WINNT\\System32"), L"E:\\Program Files (x86)\\varlo");
}

TEST(InstallDirRules, DefaultFollowsTheFolderFor32BitPrograms) {
    EXPECT_EQ(DefaultInstallDirIn(L"C:\\Program Files"), L"C:\\Program Files\\varlo");  // 32-bit Windows
    EXPECT_EQ(DefaultInstallDirIn(L"C:\\Program Files (x86)\\"), L"C:\\Program Files (x86)\\varlo");
}

TEST(InstallDirRules, EarlierInstallIsTheUninstallersDirectory) {
    struct Case {
        std::wstring value;
        std::wstring dir;
    } cases[] = {
        {L"D:\\Games\\varlo\\unins000.exe", L"D:\\Games\\varlo"},
        {L"C:\\Program Files (x86)\\Varlo加速器\\unins000.exe", L"C:\\Program Files (x86)\\Varlo加速器"},
        {L"D:\\Games\\\\varlo\\\\unins000.exe", L"D:\\Games\\\\varlo\\"},
        {L"C:\\unins000.exe", L"C:"},
        // No separator, nothing but separators, nothing at all: no earlier directory.
        {L"unins000.exe", L""},
        {L"\\\\\\", L""},
        {L"", L""},
        {L"\\unins000.exe", L""},
        {L"C:\\" + std::wstring(1019, L'a') + L"\\u.exe", L"C:\\" + std::wstring(1019, L'a')},
        // 1023 characters is the longest directory still proposed.
        {L"C:\\" + std::wstring(1020, L'a') + L"\\u.exe", L"C:\\" + std::wstring(1020, L'a')},
        {L"C:\\" + std::wstring(1021, L'a') + L"\\u.exe", L""},
        // A path with a blank is registered in quotes; the proposal is the same folder.
        {L"\"D:\\My Games\\varlo\\unins000.exe\"", L"D:\\My Games\\varlo"},
        {L"\"C:\\Program Files (x86)\\varlo\\unins000.exe\"", L"C:\\Program Files (x86)\\varlo"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EarlierInstallDir(c.value), c.dir) << c.value.substr(0, 40);
    }
}

TEST(InstallDirRules, FavoritesIsFoundExactlyAsWritten) {
    EXPECT_TRUE(IsFavoritesLocation(L"C:\\Users\\me\\Favorites\\"));
    EXPECT_TRUE(IsFavoritesLocation(L"C:\\Users\\me\\Favorites\\Links\\"));
    EXPECT_FALSE(IsFavoritesLocation(L"C:\\Users\\me\\favorites\\"));
    EXPECT_FALSE(IsFavoritesLocation(L"C:\\Users\\me\\MyFavorites\\"));
    EXPECT_FALSE(IsFavoritesLocation(L"C:\\Users\\me\\Downloads\\"));
}

TEST(InstallDirRules, OnlyFullPathsAreUsable) {
    struct Case {
        const wchar_t* typed;
        const wchar_t* used;  // empty: refused
    };
    const Case cases[] = {
        {L"C:\\Program Files (x86)\\varlo", L"C:\\Program Files (x86)\\varlo"},
        {L"d:/Games/varlo/", L"d:\\Games\\varlo"},
        {L"C:\\Games\\\\", L"C:\\Games"},
        {L"E:\\", L"E:\\"},
        {L"\\\\server\\share\\varlo", L""},
        {L"", L""},
        {L"varlo", L""},
        {L"D:varlo", L""},
        {L"\\varlo", L""},
        {L"..\\varlo", L""},
        {L"\\\\server", L""},
        {L"\\\\server\\", L""},
        {L"\\\\?\\C:\\varlo", L""},
        {L"\\\\.\\C:\\varlo", L""},
        {L"1:\\varlo", L""},
        {L"C:\\Games\\va*lo", L""},
        {L"C:\\Games\\a:b", L""},
        {L"C:\\Games\\\"varlo\"", L""},
        {L"C:\\Games\\tab\there", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UsableInstallPath(c.typed), c.used) << "typed: " << testing::PrintToString(std::wstring(c.typed));
    }
}

}  // namespace
