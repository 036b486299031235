#include <gtest/gtest.h>

#include <windows.h>

#include "util/TextConv.h"

namespace {

const char kUtf8Chinese[] = "Varlo\xE5\x8A\xA0\xE9\x80\x9F\xE5\x99\xA8";  // Varlo加速器

TEST(TextConv, EmptyInEveryDirection) {
    EXPECT_EQ(WideToAnsi(L""), "");
    EXPECT_EQ(AnsiToWide(""), L"");
    EXPECT_EQ(Utf8ToWide(""), L"");
    EXPECT_EQ(WideToUtf8(L""), "");
    EXPECT_EQ(AnsiToUtf8(""), "");
}

TEST(TextConv, Utf8RoundTripKeepsTheBytes) {
    const std::wstring wide = Utf8ToWide(kUtf8Chinese);
    EXPECT_EQ(wide, L"Varlo加速器");
    EXPECT_EQ(WideToUtf8(wide), kUtf8Chinese);
    // Outside the basic plane: a surrogate pair both ways.
    EXPECT_EQ(WideToUtf8(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), L"\xD83D\xDE00");
}

TEST(TextConv, InvalidUtf8IsReplacedNotTruncated) {
    // The system routine without flags substitutes U+FFFD; the rest of the text survives.
    const std::wstring wide = Utf8ToWide(
        "a\xFF"
        "b");
    ASSERT_EQ(wide.size(), 3u);
    EXPECT_EQ(wide[0], L'a');
    EXPECT_EQ(wide[2], L'b');
}

TEST(TextConv, AnsiFollowsTheSystemCodePage) {
    if (::GetACP() == 936) {
        // 中文 in GBK.
        EXPECT_EQ(AnsiToWide("\xD6\xD0\xCE\xC4"), L"中文");
        EXPECT_EQ(WideToAnsi(L"中文"), "\xD6\xD0\xCE\xC4");
        EXPECT_EQ(AnsiToUtf8("\xD6\xD0\xCE\xC4"), "\xE4\xB8\xAD\xE6\x96\x87");
    } else {
        EXPECT_EQ(AnsiToWide("plain"), L"plain");
        EXPECT_EQ(WideToAnsi(L"plain"), "plain");
        EXPECT_EQ(AnsiToUtf8("plain"), "plain");
    }
}

}  // namespace
