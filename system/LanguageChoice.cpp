#include "system/LanguageChoice.h"

namespace {
constexpr uint32_t kPrimaryChinese = 0x04;
constexpr uint32_t kSubTaiwan = 0x01;
constexpr uint32_t kSubHongKong = 0x03;
constexpr uint32_t kSubMacao = 0x05;
}  // namespace

int ChooseLanguageItem(uint32_t localeId, const std::wstring& nativeLanguageName) {
    if (nativeLanguageName == L"中文(繁体)") {
        return kLanguageItemTraditional;
    }
    // The language id is the low word: 10 bits of primary language, 6 of sublanguage.
    const uint32_t primary = localeId & 0x3FF;
    const uint32_t sub = (localeId >> 10) & 0x3F;
    if (primary == kPrimaryChinese && (sub == kSubTaiwan || sub == kSubHongKong || sub == kSubMacao)) {
        return kLanguageItemTraditional;
    }
    return kLanguageItemSimplified;
}

std::wstring LanguageCodeForItem(int item) {
    return item == kLanguageItemSimplified ? L"zh-cn" : L"zh-tw";
}

std::string RequestLanguageForItem(int item) {
    return item == kLanguageItemSimplified ? "zh-cn" : "zh-tw";
}
