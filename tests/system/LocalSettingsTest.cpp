#include "system/LocalSettings.h"

#include <gtest/gtest.h>

#include "SystemTestSupport.h"
#include "system/LanguageChoice.h"

namespace {

TEST(DetectLanguage, LocaleDecidesBetweenSimplifiedAndTraditional) {
    struct Case {
        uint32_t localeId;
        bool traditional;
    } const cases[] = {
        {0x0404, true},  {0x0C04, true},  {0x1404, true},  // Taiwan, Hong Kong, Macao
        {0x0804, false}, {0x1004, false},                  // PRC, Singapore
        {0x0409, false}, {0x0411, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DetectLanguageItem(c.localeId), c.traditional ? kLanguageItemTraditional : kLanguageItemSimplified)
            << std::hex << c.localeId;
    }
    EXPECT_EQ(RequestLanguageForItem(kLanguageItemSimplified), "zh-cn");
    EXPECT_EQ(RequestLanguageForItem(kLanguageItemTraditional), "zh-tw");
}

class LocalSettingsTest : public testing::Test {
  protected:
    std::wstring Cfg() const { return dir_.path() + L"\\local.cfg"; }
    std::wstring Setup() const { return dir_.path() + L"\\setup.ini"; }
    TempDir dir_;
};

TEST_F(LocalSettingsTest, TheLanguageIsWrittenAsItsCode) {
    ASSERT_TRUE(WriteLanguageSetting(dir_.path(), kLanguageItemTraditional));
    EXPECT_EQ(IniValue(Cfg(), L"config", L"lang"), L"zh-tw");
    ASSERT_TRUE(WriteLanguageSetting(dir_.path(), kLanguageItemSimplified));
    EXPECT_EQ(IniValue(Cfg(), L"config", L"lang"), L"zh-cn");
}

// A folder that is not there (an install that did not get so far) is not made for it.
TEST_F(LocalSettingsTest, TheLanguageIntoAMissingDirectoryCreatesNothing) {
    const std::wstring missing = dir_.path() + L"\\not yet";
    EXPECT_FALSE(WriteLanguageSetting(missing, kLanguageItemTraditional));
    EXPECT_FALSE(IsDirectory(missing));
}

TEST_F(LocalSettingsTest, FreshInstallWritesBothFiles) {
    ASSERT_TRUE(WriteLanguageSetting(dir_.path(), kLanguageItemTraditional));
    ASSERT_TRUE(WritePowerupSetting(dir_.path(), true));
    ASSERT_TRUE(WriteSetupIni(dir_.path()));

    // Plain ANSI text, as the client reads it.
    EXPECT_EQ(ReadFileBytes(Cfg()), "[config]\r\nlang=zh-tw\r\npowerup=1\r\n");
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    EXPECT_EQ(IniValue(Setup(), L"varlo", L"packpath"), self);
}

TEST_F(LocalSettingsTest, ReinstallReplacesValuesInPlaceAndKeepsTheClientsKeys) {
    ASSERT_TRUE(WriteFileBytes(Cfg(), "[config]\r\nlang=zh-cn\r\nvolume=7\r\npowerup=1\r\n[window]\r\nx=10\r\n"));
    ASSERT_TRUE(WriteFileBytes(Setup(), "[varlo]\r\npackpath=C:\\old\\setup.exe\r\nchannel=3\r\n"));

    ASSERT_TRUE(WriteLanguageSetting(dir_.path(), kLanguageItemTraditional));
    ASSERT_TRUE(WritePowerupSetting(dir_.path(), false));
    ASSERT_TRUE(WriteSetupPackPath(dir_.path(), L"D:\\downloads\\setup.exe"));

    EXPECT_EQ(ReadFileBytes(Cfg()), "[config]\r\nlang=zh-tw\r\nvolume=7\r\npowerup=0\r\n[window]\r\nx=10\r\n");
    EXPECT_EQ(ReadFileBytes(Setup()), "[varlo]\r\npackpath=D:\\downloads\\setup.exe\r\nchannel=3\r\n");
}

}  // namespace
