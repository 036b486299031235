#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/StringUtil.h"

namespace {

TEST(UrlEncode, Table) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"a.b-c_d", "a.b-c_d"},
        {"AZaz09", "AZaz09"},
        {"a b", "a+b"},
        {"~", "%7E"},
        {"=&+/%", "%3D%26%2B%2F%25"},
        {"\xE4\xB8\xAD", "%E4%B8%AD"},  // one Chinese character in UTF-8
        {std::string("\x00\x7F", 2), "%00%7F"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UrlEncode(c.in), c.out) << c.in;
    }
}

TEST(ChangeCase, OnlyAsciiLettersChangeInTheCLocale) {
    EXPECT_EQ(ChangeCase(true, "ab%7eZ9-"), "AB%7EZ9-");
    EXPECT_EQ(ChangeCase(false, "AB%7EZ9-"), "ab%7ez9-");
    EXPECT_EQ(ChangeCase(true, "\xE4\xB8\xAD"), "\xE4\xB8\xAD");
}

TEST(SplitWide, Table) {
    struct Case {
        std::wstring text, delimiters;
        std::vector<std::wstring> parts;
    } cases[] = {
        {L"C:\\Program Files\\X\\unins000.exe", L"\\", {L"C:", L"Program Files", L"X", L"unins000.exe"}},
        {L"\\a\\\\b\\", L"\\", {L"", L"a", L"b"}},
        {L"", L"\\", {}},
        {L"abc", L"\\", {L"abc"}},
        {L"\\\\\\", L"\\", {L""}},
        {L"a/b\\c", L"\\/", {L"a", L"b", L"c"}},
    };
    for (const auto& c : cases) {
        std::vector<std::wstring> parts;
        SplitWide(c.text, parts, c.delimiters);
        EXPECT_EQ(parts, c.parts);
    }
}

TEST(SplitWide, AppendsToExistingParts) {
    std::vector<std::wstring> parts = {L"keep"};
    SplitWide(L"x\\y", parts, L"\\");
    EXPECT_EQ(parts, (std::vector<std::wstring>{L"keep", L"x", L"y"}));
}

}  // namespace
