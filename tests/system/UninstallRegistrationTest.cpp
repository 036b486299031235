#include "system/UninstallRegistration.h"

#include <gtest/gtest.h>

#include "SystemTestSupport.h"
#include "util/CommandLine.h"
#include "util/RegistryUtil.h"

namespace {

void DeleteUninstallKey() {
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0);
}

class UninstallRegistrationTest : public testing::Test {
  protected:
    void SetUp() override { DeleteUninstallKey(); }
    void TearDown() override { DeleteUninstallKey(); }

    static RawValue Value(const wchar_t* name) {
        return ReadRawValue(HKEY_LOCAL_MACHINE, kUninstallKey, name, KEY_WOW64_32KEY);
    }
    static void ExpectString(const wchar_t* name, const std::wstring& text) {
        const RawValue value = Value(name);
        ASSERT_TRUE(value.found) << name;
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(value.bytes, StringBytes(text)) << name;
    }

    SharedStateLock lock_;
};

// The 32-bit installer lands in the 32-bit view; each value holds its terminating zero.
// The uninstall command is quoted for its blanks; the icon is a path, not a command.
TEST_F(UninstallRegistrationTest, WritesTheFourValuesInThe32BitView) {
    const std::wstring dir = LR"(C:\Program Files (x86)\Varlo加速器)";
    const std::wstring shortcut = LR"(C:\users\someone\Desktop\Varlo加速器.lnk)";
    ASSERT_TRUE(RegisterUninstall(dir, shortcut));

    ExpectString(L"DisplayName", L"Varlo加速器");
    ExpectString(L"UninstallString", L"\"" + dir + LR"(\unins000.exe")");
    ExpectString(L"DisplayIcon", dir + LR"(\vljiasu.exe)");
    ExpectString(L"DisplayShortcut", shortcut);

    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE,
                          LR"(SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Varlo加速器)",
                          KEY_WOW64_64KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY));

    // What the next run's directory proposal reads back.
    std::wstring uninstallString;
    ASSERT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", REG_SZ, uninstallString));
    EXPECT_EQ(uninstallString, L"\"" + dir + LR"(\unins000.exe")");
    EXPECT_EQ(UnquoteCommandPath(uninstallString), dir + LR"(\unins000.exe)");
}

TEST_F(UninstallRegistrationTest, SecondRunOverwritesOnlyItsOwnValues) {
    ASSERT_TRUE(RegisterUninstall(LR"(D:\first place)", LR"(C:\Desktop\Varlo加速器.lnk)"));
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key),
              ERROR_SUCCESS);
    const DWORD size = 1234;
    ASSERT_EQ(::RegSetValueExW(key, L"EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), sizeof(size)),
              ERROR_SUCCESS);
    ::RegCloseKey(key);

    // No desktop shortcut this time: the value stays, empty.
    ASSERT_TRUE(RegisterUninstall(LR"(E:\second)", L""));
    ExpectString(L"DisplayName", L"Varlo加速器");
    ExpectString(L"UninstallString", LR"(E:\second\unins000.exe)");
    ExpectString(L"DisplayIcon", LR"(E:\second\vljiasu.exe)");
    ExpectString(L"DisplayShortcut", L"");

    const RawValue kept = Value(L"EstimatedSize");
    ASSERT_TRUE(kept.found);
    EXPECT_EQ(kept.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(kept.bytes, (std::vector<BYTE>{0xD2, 0x04, 0, 0}));
}

}  // namespace
