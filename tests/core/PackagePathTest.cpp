#include "core/PackagePath.h"

#include <gtest/gtest.h>

namespace {

TEST(PackageFileNameFromUrl, TakesTheLastSegmentWithoutQueryOrFragment) {
    struct Case {
        const wchar_t* url;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"https://dl.example.com/files/client.zip", L"client.zip"},
        {L"https://dl.example.com/files/client.zip?token=abc&v=2", L"client.zip"},
        {L"https://dl.example.com/files/client.zip#part", L"client.zip"},
        {L"https://dl.example.com/files/client.zip?next=/a/b.zip", L"client.zip"},
        {L"https://dl.example.com/files\\client.zip", L"client.zip"},
        {L"client.zip", L"client.zip"},
        {L"https://dl.example.com/files/%E5%AE%A2.zip", L"%E5%AE%A2.zip"},
        // Names that cannot serve on Windows fall back to the fixed name.
        {L"https://dl.example.com/files/", kFallbackPackageName},
        {L"https://dl.example.com/files/?x=1", kFallbackPackageName},
        {L"https://dl.example.com/files/..", kFallbackPackageName},
        {L"https://dl.example.com/files/...", kFallbackPackageName},
        {L"https://dl.example.com/files/a:b.zip", kFallbackPackageName},
        {L"https://dl.example.com/files/a|b.zip", kFallbackPackageName},
        {L"https://dl.example.com/files/a\"b.zip", kFallbackPackageName},
        {L"https://dl.example.com/files/a\tb.zip", kFallbackPackageName},
        {L"https://dl.example.com/files/client.zip.", kFallbackPackageName},
        {L"https://dl.example.com/files/client.zip ", kFallbackPackageName},
        {L"https://dl.example.com/files/CON", kFallbackPackageName},
        {L"https://dl.example.com/files/nul.zip", kFallbackPackageName},
        {L"https://dl.example.com/files/com1.zip", kFallbackPackageName},
        {L"https://dl.example.com/files/LPT9", kFallbackPackageName},
        {L"https://dl.example.com/files/com10.zip", L"com10.zip"},
        {L"https://dl.example.com/files/console.zip", L"console.zip"},
        {L"", kFallbackPackageName},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PackageFileNameFromUrl(c.url), c.name) << c.url;
    }
    EXPECT_EQ(PackageFileNameFromUrl(L"https://h/" + std::wstring(255, L'a')), std::wstring(255, L'a'));
    EXPECT_EQ(PackageFileNameFromUrl(L"https://h/" + std::wstring(256, L'a')), kFallbackPackageName);
}

TEST(BuildPackagePath, JoinsTheCacheFolderAndRefusesWhatDoesNotFit) {
    const std::wstring dir = L"C:\\Users\\u\\AppData\\Local\\Temp\\varloSetup\\";
    EXPECT_EQ(BuildPackagePath(dir, L"client.zip"), dir + L"cache\\client.zip");

    const std::wstring prefix = dir + L"cache\\";
    const std::wstring fits(kMaxPackagePath - prefix.size(), L'x');
    EXPECT_EQ(BuildPackagePath(dir, fits).size(), kMaxPackagePath);
    EXPECT_EQ(BuildPackagePath(dir, fits + L"x"), L"");
}

}  // namespace
