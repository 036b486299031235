#include "system/LocalSettings.h"

#include <gtest/gtest.h>

#include "SystemTestSupport.h"

namespace {

// Stands in for the installer window.
class FakeLanguageHost : public ILanguageHost {
  public:
    void SelectLanguageItem(int item) override {
        selections.push_back(item);
        selected = item;
    }
    int GetSelectedLanguageItem() const override { return selected; }
    void SetSimplified(bool value) override { simplified = value; }
    void SetRequestLanguage(const std::string& code) override { requestLanguage = code; }

    std::vector<int> selections;
    int selected = -1;
    int simplified = -1;
    std::string requestLanguage;
};

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
        SCOPED_TRACE(c.localeId);
        FakeLanguageHost host;
        host.selected = 1;
        host.simplified = 0;
        DetectLanguage(host, c.localeId);
        EXPECT_EQ(host.selected, c.traditional ? 1 : 0);
        EXPECT_EQ(host.simplified, c.traditional ? 0 : 1);
        ASSERT_FALSE(host.selections.empty());
        EXPECT_EQ(host.selections.front(), 0);  // always starts from simplified
    }
}

TEST(DetectLanguage, WithoutALocaleIdUsesTheUsersOwn) {
    FakeLanguageHost host;
    DetectLanguage(host);
    FakeLanguageHost expected;
    DetectLanguage(expected, ::GetUserDefaultLCID());
    ASSERT_FALSE(host.selections.empty());
    EXPECT_EQ(host.selected, expected.selected);
    EXPECT_EQ(host.simplified, expected.simplified);
}

class LocalSettingsTest : public testing::Test {
  protected:
    std::wstring Cfg() const { return dir_.path() + L"\\local.cfg"; }
    std::wstring Setup() const { return dir_.path() + L"\\setup.ini"; }
    TempDir dir_;
};

TEST_F(LocalSettingsTest, SaveLanguageHandsTheCodeOnAndWritesIt) {
    FakeLanguageHost host;
    host.selected = 1;
    ASSERT_TRUE(SaveLanguage(host, dir_.path()));
    EXPECT_EQ(host.requestLanguage, "zh-tw");
    EXPECT_EQ(IniValue(Cfg(), L"config", L"lang"), L"zh-tw");

    host.selected = 0;
    ASSERT_TRUE(SaveLanguage(host, dir_.path()));
    EXPECT_EQ(host.requestLanguage, "zh-cn");
    EXPECT_EQ(IniValue(Cfg(), L"config", L"lang"), L"zh-cn");
}

// The first save of a new install comes before the directory exists: it fails quietly
// and creates nothing, but the request language is still set.
TEST_F(LocalSettingsTest, SaveLanguageIntoAMissingDirectoryCreatesNothing) {
    FakeLanguageHost host;
    host.selected = 1;
    const std::wstring missing = dir_.path() + L"\\not yet";
    EXPECT_FALSE(SaveLanguage(host, missing));
    EXPECT_EQ(host.requestLanguage, "zh-tw");
    EXPECT_FALSE(IsDirectory(missing));
}

TEST_F(LocalSettingsTest, FreshInstallWritesBothFiles) {
    FakeLanguageHost host;
    host.selected = 1;
    ASSERT_TRUE(SaveLanguage(host, dir_.path()));
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

    FakeLanguageHost host;
    host.selected = 1;
    ASSERT_TRUE(SaveLanguage(host, dir_.path()));
    ASSERT_TRUE(WritePowerupSetting(dir_.path(), false));
    ASSERT_TRUE(WriteSetupPackPath(dir_.path(), L"D:\\downloads\\setup.exe"));

    EXPECT_EQ(ReadFileBytes(Cfg()), "[config]\r\nlang=zh-tw\r\nvolume=7\r\npowerup=0\r\n[window]\r\nx=10\r\n");
    EXPECT_EQ(ReadFileBytes(Setup()), "[varlo]\r\npackpath=D:\\downloads\\setup.exe\r\nchannel=3\r\n");
}

}  // namespace
