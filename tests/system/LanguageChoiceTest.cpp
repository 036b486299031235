#include "system/LanguageChoice.h"

#include <gtest/gtest.h>

namespace {

struct LocaleCase {
    uint32_t localeId;
    int item;
};

TEST(LanguageChoice, TraditionalOnlyForTaiwanHongKongAndMacao) {
    const LocaleCase cases[] = {
        {0x0404, kLanguageItemTraditional},      // zh-TW
        {0x0C04, kLanguageItemTraditional},      // zh-HK
        {0x1404, kLanguageItemTraditional},      // zh-MO
        {0x00040404, kLanguageItemTraditional},  // zh-TW with a sort id above the language id
        {0x0804, kLanguageItemSimplified},       // zh-CN
        {0x1004, kLanguageItemSimplified},       // zh-SG
        {0x7C04, kLanguageItemSimplified},       // neutral traditional Chinese: sublanguage 0x1F
        {0x0004, kLanguageItemSimplified},       // Chinese without a sublanguage
        {0x0409, kLanguageItemSimplified},       // en-US
        {0x0411, kLanguageItemSimplified},       // ja-JP
        {0x0401, kLanguageItemSimplified},       // ar-SA: sublanguage 1 of another language
        {0x0C0A, kLanguageItemSimplified},       // es-ES: sublanguage 3 of another language
    };
    for (const LocaleCase& c : cases) {
        EXPECT_EQ(ChooseLanguageItem(c.localeId, L""), c.item) << std::hex << c.localeId;
    }
}

TEST(LanguageChoice, TraditionalNativeNameWinsForAnyLocale) {
    EXPECT_EQ(ChooseLanguageItem(0x0804, L"中文(繁体)"), kLanguageItemTraditional);
    EXPECT_EQ(ChooseLanguageItem(0x0409, L"中文(繁体)"), kLanguageItemTraditional);
    // Only the exact name counts.
    EXPECT_EQ(ChooseLanguageItem(0x0804, L"中文(简体)"), kLanguageItemSimplified);
    EXPECT_EQ(ChooseLanguageItem(0x0804, L"中文(繁体) "), kLanguageItemSimplified);
    EXPECT_EQ(ChooseLanguageItem(0x0804, L"中文"), kLanguageItemSimplified);
}

TEST(LanguageChoice, CodeForItem) {
    EXPECT_EQ(LanguageCodeForItem(kLanguageItemSimplified), L"zh-cn");
    EXPECT_EQ(LanguageCodeForItem(kLanguageItemTraditional), L"zh-tw");
    EXPECT_EQ(LanguageCodeForItem(-1), L"zh-tw");  // no selection: anything but item 0
}

}  // namespace
