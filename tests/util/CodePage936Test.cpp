// Runs with the Wine process in a Chinese locale (see CMakeLists): the ANSI code page is
// then 936, as on the users' machines.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

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

// Bytes that are no GBK text are refused, and so is what GBK cannot hold: both ways, a
// name never changes into another one on the way.
TEST(CodePage936, TextGbkCannotCarryIsRefused) {
    const std::string badBytes[] = {
        "\xB0",              // a lead byte with nothing after it
        "ab\xD6",            // the same at the end of a name
        "\xD6\x20\xCE\xC4",  // a lead byte before a blank
    };
    for (const std::string& bytes : badBytes) {
        EXPECT_EQ(AnsiToWide(bytes), std::nullopt) << bytes.size();
        EXPECT_EQ(AnsiToUtf8(bytes), std::nullopt) << bytes.size();
        EXPECT_FALSE(AnsiToWideForReading(bytes).empty()) << "still readable";
    }
    const std::wstring lacking[] = {L"\x0E01", L"\xD83D\xDE00", L"\xD800"};
    for (const std::wstring& text : lacking) {
        EXPECT_EQ(WideToAnsi(text), std::nullopt) << text.size();
    }
}

}  // namespace
