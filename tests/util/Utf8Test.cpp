#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "util/Utf8.h"

namespace {

// U+1F600 as the build's wchar_t holds it.
std::wstring Emoji() {
    return sizeof(wchar_t) == 2 ? std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)}
                                : std::wstring(1, static_cast<wchar_t>(0x1F600));
}

std::wstring Decode(const std::string& bytes, Utf8Errors errors, bool* ok = nullptr) {
    std::wstring out = L"untouched";
    const bool result = DecodeUtf8(bytes.data(), bytes.size(), errors, &out);
    if (ok != nullptr) {
        *ok = result;
    }
    return out;
}

TEST(Utf8, ValidTextRoundTripsInBothDirections) {
    const struct {
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {"", L""},
        {"plain", L"plain"},
        {"\xC3\xA9", L"\u00E9"},
        {"\xE8\xB5\x84\xE6\xBA\x90/\xE8\xAF\xB4\xE6\x98\x8E.txt", L"\u8D44\u6E90/\u8BF4\u660E.txt"},
        {"\xEF\xBF\xBF", L"\uFFFF"},
        {"\xF0\x9F\x98\x80", Emoji()},
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const auto& c : cases) {
        bool ok = false;
        EXPECT_EQ(Decode(c.bytes, Utf8Errors::Refuse, &ok), c.text) << c.bytes;
        EXPECT_TRUE(ok) << c.bytes;
        EXPECT_EQ(Decode(c.bytes, Utf8Errors::Replace), c.text) << c.bytes;
        EXPECT_EQ(EncodeUtf8(c.text), c.bytes) << c.bytes;
    }
}

// Each invalid form: refused whole, or replaced without eating the valid text around it.
TEST(Utf8, InvalidSequencesAreRefusedOrReplaced) {
    const struct {
        const char* what;
        std::string bytes;
        std::wstring replaced;
    } cases[] = {
        {"stray continuation", "a\x80z", L"a\uFFFDz"},      {"overlong slash", "\xC0\xAF", L"\uFFFD\uFFFD"},
        {"overlong three-byte", "\xE0\x80\xAF", L"\uFFFD"}, {"surrogate", "\xED\xA0\x80", L"\uFFFD"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", L"\uFFFD"},   {"lead past F4", "\xF5\x80", L"\uFFFD\uFFFD"},
        {"cut off at the end", "ab\xE4\xB8", L"ab\uFFFD"},  {"cut off by a new character", "\xE4\xB8z", L"\uFFFDz"},
    };
    for (const auto& c : cases) {
        bool ok = true;
        EXPECT_EQ(Decode(c.bytes, Utf8Errors::Refuse, &ok), L"untouched") << c.what;
        EXPECT_FALSE(ok) << c.what;
        EXPECT_EQ(Decode(c.bytes, Utf8Errors::Replace), c.replaced) << c.what;
    }
}

// A unit that is no character: refused whole, or replaced by U+FFFD in place.
TEST(Utf8, UnpairedUnitsAreRefusedOrReplaced) {
    const auto unit = [](uint32_t u) { return static_cast<wchar_t>(u); };
    const std::string r = "\xEF\xBF\xBD";
    const struct {
        const char* what;
        std::wstring text;
        std::string replaced;
    } cases[] = {
        {"lone high", {L'a', unit(0xD800), L'b'}, "a" + r + "b"},
        {"lone low", {unit(0xDC00)}, r},
        {"high at the end", {L'a', unit(0xDBFF)}, "a" + r},
        {"low before high", {unit(0xDC00), unit(0xD800)}, r + r},
        // With 32-bit units the host never pairs them: three unpaired units there.
        {"two highs",
         {unit(0xD83D), unit(0xD83D), unit(0xDE00)},
         sizeof(wchar_t) == 2 ? r + "\xF0\x9F\x98\x80" : r + r + r},
    };
    for (const auto& c : cases) {
        std::string out = "untouched";
        EXPECT_FALSE(EncodeUtf8(c.text, Utf8Errors::Refuse, &out)) << c.what;
        EXPECT_EQ(out, "untouched") << c.what;
        EXPECT_EQ(EncodeUtf8(c.text), c.replaced) << c.what;
    }
    std::string valid;
    ASSERT_TRUE(EncodeUtf8(Emoji(), Utf8Errors::Refuse, &valid));
    EXPECT_EQ(valid, "\xF0\x9F\x98\x80");
}

}  // namespace
