#pragma once
// Which of the two interface languages a locale gets, and the code the client and the
// vendor's API know it by. Pure logic, built and tested on the host too.

#include <cstdint>
#include <string>

// Items of the language combo box.
inline constexpr int kLanguageItemSimplified = 0;
inline constexpr int kLanguageItemTraditional = 1;

// Traditional Chinese for Taiwan, Hong Kong and Macao, or for a locale whose native
// language name is the traditional one; simplified Chinese for everything else.
int ChooseLanguageItem(uint32_t localeId, const std::wstring& nativeLanguageName);

// "zh-cn" for the simplified item, "zh-tw" for any other.
std::wstring LanguageCodeForItem(int item);
// The same code as the API requests carry it.
std::string RequestLanguageForItem(int item);
