#include "system/ShellLink.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "SystemTestSupport.h"

namespace {

class ShellLinkTest : public testing::Test {
  protected:
    SharedStateLock lock_;
    // Wine keeps a link's target in the ANSI code page only: no Chinese in target paths.
    TempDir dir_{L"varlo sys links"};
};

TEST_F(ShellLinkTest, SavedLinkLoadsBackWithOnlyItsTarget) {
    const std::wstring target = dir_.path() + LR"(\client dir\vljiasu.exe)";
    const std::wstring link = dir_.path() + LR"(\Varlo加速器.lnk)";
    ASSERT_TRUE(CreateShellLink(target, link));
    const LinkInfo info = LoadLink(link);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(info.target, target);
    EXPECT_EQ(info.arguments, L"");

    // Saving again over it replaces the target.
    const std::wstring other = dir_.path() + LR"(\other\unins000.exe)";
    ASSERT_TRUE(CreateShellLink(other, link));
    EXPECT_EQ(LoadLink(link).target, other);
}

TEST_F(ShellLinkTest, ReportsAFailedSave) {
    const std::wstring link = dir_.path() + LR"(\missing folder\Varlo加速器.lnk)";
    EXPECT_FALSE(CreateShellLink(dir_.path() + LR"(\vljiasu.exe)", link));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(link)));
}

TEST_F(ShellLinkTest, DesktopShortcutPointsAtTheInstalledClient) {
    const std::wstring desktop = GetDesktopFolder();
    ASSERT_FALSE(desktop.empty());
    ASSERT_TRUE(IsDirectory(desktop));
    const std::wstring expectedLink = desktop + LR"(\Varlo加速器.lnk)";
    ::DeleteFileW(expectedLink.c_str());

    std::wstring shortcutPath;
    ASSERT_TRUE(CreateDesktopShortcut(dir_.path(), shortcutPath));
    EXPECT_EQ(shortcutPath, expectedLink);
    const LinkInfo info = LoadLink(expectedLink);
    ::DeleteFileW(expectedLink.c_str());
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(info.target, dir_.path() + LR"(\vljiasu.exe)");
}

TEST_F(ShellLinkTest, DesktopShortcutRefusesAnOverlongTargetAndKeepsThePathEmpty) {
    // 1,023 characters of target fit; one more does not.
    const std::wstring tooLong = L"C:\\" + std::wstring(1024 - 3 - std::wstring(L"\\vljiasu.exe").size(), L'x');
    std::wstring shortcutPath;
    EXPECT_FALSE(CreateDesktopShortcut(tooLong, shortcutPath));
    EXPECT_EQ(shortcutPath, L"");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(GetDesktopFolder() + LR"(\Varlo加速器.lnk)")));
}

TEST_F(ShellLinkTest, StartMenuFolderAndBothShortcutsAreReplacedOnASecondRun) {
    const std::wstring folder = GetStartMenuProductFolder();
    ASSERT_FALSE(folder.empty());
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(folder), error);

    const std::wstring start = folder + LR"(\启动Varlo加速器.lnk)";
    const std::wstring uninstall = folder + LR"(\卸载Varlo加速器.lnk)";
    ASSERT_TRUE(CreateStartMenuShortcuts(LR"(C:\first dir\vljiasu.exe)", LR"(C:\first dir\unins000.exe)"));
    EXPECT_TRUE(IsDirectory(folder));
    EXPECT_EQ(LoadLink(start).target, LR"(C:\first dir\vljiasu.exe)");
    EXPECT_EQ(LoadLink(uninstall).target, LR"(C:\first dir\unins000.exe)");

    ASSERT_TRUE(CreateStartMenuShortcuts(LR"(D:\second\vljiasu.exe)", LR"(D:\second\unins000.exe)"));
    const LinkInfo startInfo = LoadLink(start);
    const LinkInfo uninstallInfo = LoadLink(uninstall);
    std::filesystem::remove_all(std::filesystem::path(folder), error);
    ASSERT_TRUE(startInfo.loaded);
    ASSERT_TRUE(uninstallInfo.loaded);
    EXPECT_EQ(startInfo.target, LR"(D:\second\vljiasu.exe)");
    EXPECT_EQ(uninstallInfo.target, LR"(D:\second\unins000.exe)");
}

}  // namespace
