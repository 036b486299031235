#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "util/TextConv.h"

namespace {

const char kUtf8Chinese[] = "Varlo\xE5\x8A\xA0\xE9\x80\x9F\xE5\x99\xA8";  // Varlo加速器

wchar_t Unit(unsigned value) {
    return static_cast<wchar_t>(value);
}

TEST(TextConv, EmptyInEveryDirection) {
    EXPECT_EQ(WideToAnsi(L""), std::string());
    EXPECT_EQ(AnsiToWide(""), std::wstring());
    EXPECT_EQ(Utf8ToWide(""), std::wstring());
    EXPECT_EQ(WideToUtf8(L""), std::string());
    EXPECT_EQ(AnsiToUtf8(""), std::string());
}

TEST(TextConv, Utf8RoundTripKeepsTheBytes) {
    const std::optional<std::wstring> wide = Utf8ToWide(kUtf8Chinese);
    ASSERT_TRUE(wide);
    EXPECT_EQ(*wide, L"Varlo加速器");
    EXPECT_EQ(WideToUtf8(*wide), std::string(kUtf8Chinese));
    // Outside the basic plane: a surrogate pair both ways.
    EXPECT_EQ(WideToUtf8(L"\xD83D\xDE00"), std::string("\xF0\x9F\x98\x80"));
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), std::wstring(L"\xD83D\xDE00"));
    // An embedded zero is a character like any other, not the end.
    EXPECT_EQ(Utf8ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

// What the strict conversions refuse, and what the reading ones make of it instead: one
// U+FFFD per bad sequence, the text around it kept.
TEST(TextConv, InvalidUtf8IsRefusedOrReadWithReplacements) {
    const struct {
        const char* what;
        std::string bytes;
        std::wstring read;
    } cases[] = {
        {"byte never in UTF-8",
         "a\xFF"
         "b",
         L"a\xFFFD"
         L"b"},
        {"stray continuation", "\x80x", L"\xFFFDx"},
        {"overlong slash", "..\xC0\xAF", L"..\xFFFD\xFFFD"},
        {"overlong three bytes", "\xE0\x80\xAF", L"\xFFFD"},
        {"encoded high surrogate", "\xED\xA0\x80z", L"\xFFFDz"},
        {"encoded pair (CESU-8)", "\xED\xA0\xBD\xED\xB8\x80", L"\xFFFD\xFFFD"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", L"\xFFFD"},
        {"cut off", "ab\xE4\xB8", L"ab\xFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.bytes), std::nullopt) << c.what;
        EXPECT_EQ(Utf8ToWideForReading(c.bytes), c.read) << c.what;
    }
}

TEST(TextConv, UnpairedSurrogatesAreRefusedInEveryDirection) {
    const std::wstring cases[] = {
        {L'a', Unit(0xD800), L'b'},
        {Unit(0xDC00)},
        {L'a', Unit(0xDBFF)},
        {Unit(0xDE00), Unit(0xD83D)},
    };
    for (const std::wstring& text : cases) {
        EXPECT_EQ(WideToUtf8(text), std::nullopt) << text.size();
        // No code page holds half a character either.
        EXPECT_EQ(WideToAnsi(text), std::nullopt) << text.size();
    }
}

TEST(TextConv, AnsiFollowsTheSystemCodePage) {
    if (::GetACP() == 936) {
        // 中文 in GBK.
        EXPECT_EQ(AnsiToWide("\xD6\xD0\xCE\xC4"), std::wstring(L"中文"));
        EXPECT_EQ(WideToAnsi(L"中文"), std::string("\xD6\xD0\xCE\xC4"));
        EXPECT_EQ(AnsiToUtf8("\xD6\xD0\xCE\xC4"), std::string("\xE4\xB8\xAD\xE6\x96\x87"));
    } else {
        EXPECT_EQ(AnsiToWide("plain"), std::wstring(L"plain"));
        EXPECT_EQ(WideToAnsi(L"plain"), std::string("plain"));
        EXPECT_EQ(AnsiToUtf8("plain"), std::string("plain"));
    }
}

// A character the code page lacks is refused, not given a look-alike: in the Western code
// page best fit would make U+FF0F (fullwidth solidus) a "/" and U+2215 (division slash) one
// too, turning one name into a path.
TEST(TextConv, CharactersTheCodePageLacksAreRefused) {
    if (::GetACP() == CP_UTF8) {
        GTEST_SKIP() << "a UTF-8 code page holds every character";
    }
    if (::GetACP() == 1252) {
        EXPECT_EQ(WideToAnsi(L"a\xFF0F"
                             L"b"),
                  std::nullopt);
        EXPECT_EQ(WideToAnsi(L"..\x2215x"), std::nullopt);
    }
    // U+0E01 (Thai) is in neither the Western nor the Chinese code pages.
    EXPECT_EQ(WideToAnsi(L"\x0E01"), std::nullopt);
    EXPECT_EQ(WideToAnsi(L"\xD83D\xDE00"), std::nullopt);
}

}  // namespace
