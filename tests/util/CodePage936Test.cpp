// Runs with the Wine process in a Chinese locale (see CMakeLists): the ANSI code page is
// then 936, as on the users' machines.
#include <gtest/gtest.h>

#include <windows.h>

#include "util/TextConv.h"

namespace {

TEST(CodePage936, TheProcessReallyRunsInGbk) {
    ASSERT_EQ(::GetACP(), 936u);
}

TEST(CodePage936, ConversionsThroughGbk) {
    struct Case {
        std::string gbk;
        std::wstring wide;
        std::string utf8;
    } cases[] = {
        {"\xD6\xD0\xCE\xC4", L"中文", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"zh-\xBC\xF2\xCC\xE5", L"zh-简体", "zh-\xE7\xAE\x80\xE4\xBD\x93"},
        {"C:\\\xB3\xCC\xD0\xF2", L"C:\\程序", "C:\\\xE7\xA8\x8B\xE5\xBA\x8F"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnsiToWide(c.gbk), c.wide);
        EXPECT_EQ(WideToAnsi(c.wide), c.gbk);
        EXPECT_EQ(AnsiToUtf8(c.gbk), c.utf8);
    }
}

}  // namespace
