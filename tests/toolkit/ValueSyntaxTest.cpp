#include "toolkit/AttributeList.h"
#include "toolkit/AttributeValue.h"
#include "toolkit/ImageParams.h"
#include "toolkit/LanguageTexts.h"

#include <gtest/gtest.h>

namespace {

TEST(AttributeValue, NumbersListsAndColours) {
    EXPECT_EQ(AttributeValue::ParseInt(L"-12"), -12);
    EXPECT_EQ(AttributeValue::ParseInt(L"x"), 0);
    EXPECT_EQ(AttributeValue::ParseInt(L"99999999999"), 2147483647);
    EXPECT_EQ(AttributeValue::ParseRect(L"1,2,3,4"), (UiRect{1, 2, 3, 4}));
    EXPECT_EQ(AttributeValue::ParseRect(L"1 2;3|4"), (UiRect{1, 2, 3, 4}));  // any single separator
    EXPECT_EQ(AttributeValue::ParseRect(L"5,6"), (UiRect{5, 6, 0, 0}));      // never reads past the end
    EXPECT_EQ(AttributeValue::ParseSize(L"800,430"), (UiSize{800, 430}));
    EXPECT_EQ(AttributeValue::ParseColor(L"#FF112233"), 0xFF112233u);
    EXPECT_EQ(AttributeValue::ParseColor(L"  FF112233"), 0xFF112233u);
    EXPECT_EQ(AttributeValue::ParseColor(L"#112233"), 0x00112233u);
    EXPECT_EQ(AttributeValue::ParseColor(L"112233"), AttributeValue::ParseColor(L"#112233"));
    EXPECT_TRUE(AttributeValue::IsTrue(L"true"));
    EXPECT_FALSE(AttributeValue::IsTrue(L"True"));
    EXPECT_TRUE(AttributeValue::IsTrueIgnoreCase(L"tRuE"));
    EXPECT_FALSE(AttributeValue::IsTrueIgnoreCase(L"true "));
}

TEST(AttributeList, PairsUntilTheFirstMalformedOne) {
    const AttributePairs pairs = ParseAttributeList(L"width=\"10\" text=\"a b\" bad=1 height=\"5\"");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0], (std::pair<std::wstring, std::wstring>(L"width", L"10")));
    EXPECT_EQ(pairs[1], (std::pair<std::wstring, std::wstring>(L"text", L"a b")));
    EXPECT_TRUE(ParseAttributeList(L"x=\"unterminated").empty());
    EXPECT_TRUE(ParseAttributeList(L"=\"v\"").empty());
    EXPECT_EQ(ParseAttributeList(L"a=\"1\"b=\"2\"").size(), 1u);  // no separator: stop after the first
}

TEST(LanguageTexts, ReplacesKnownTokensOnly) {
    CLanguageTexts::Clear();
    CLanguageTexts::Set(1, L"one");
    CLanguageTexts::Set(22, L"twenty-two");
    EXPECT_EQ(CLanguageTexts::Replace(L"%{1} and %{22}!"), L"one and twenty-two!");
    EXPECT_EQ(CLanguageTexts::Replace(L"%{3} %{x} %{1"), L"%{3} %{x} %{1");
    EXPECT_EQ(CLanguageTexts::Replace(L"%{99999999999999}"), L"%{99999999999999}");
    EXPECT_EQ(CLanguageTexts::Replace(L"%%{1}"), L"%one");
    CLanguageTexts::Clear();
}

TEST(ImageParams, BareNameAndFileKeyAreTheSameImage) {
    ImageParams bare;
    ImageParams keyed;
    ASSERT_TRUE(ParseImageParams(L"bkimage/main_bk.png", bare));
    ASSERT_TRUE(ParseImageParams(L"file='bkimage/main_bk.png'", keyed));
    EXPECT_EQ(bare.name, keyed.name);
    EXPECT_EQ(bare.source, keyed.source);
    EXPECT_EQ(bare.fade, 255);
}

TEST(ImageParams, ReadsEveryKey) {
    ImageParams params;
    ASSERT_TRUE(
        ParseImageParams(L"file='a.png' dest='1,2,3,4' source='0,0,10,10' corner='2,3,4,5' mask='#FFFF00FF' fade='128' "
                         L"hole='true' xtiled='true' ytiled='true' hsl='true'",
                         params));
    EXPECT_EQ(params.name, L"a.png");
    EXPECT_TRUE(params.resourceType.empty());
    EXPECT_EQ(params.dest, (UiRect{1, 2, 3, 4}));
    EXPECT_EQ(params.source, (UiRect{0, 0, 10, 10}));
    EXPECT_EQ(params.corner, (UiRect{2, 3, 4, 5}));
    EXPECT_EQ(params.mask, 0xFFFF00FFu);
    EXPECT_EQ(params.fade, 128);
    EXPECT_TRUE(params.hole && params.xtiled && params.ytiled && params.hsl);

    ASSERT_TRUE(ParseImageParams(L"scale9='1,1,1,1' res='101' restype='PNG'", params));
    EXPECT_EQ(params.corner, (UiRect{1, 1, 1, 1}));
    EXPECT_EQ(params.name, L"101");
    EXPECT_EQ(params.resourceType, L"PNG");

    ASSERT_TRUE(ParseImageParams(L"color='#FF00FF00'", params));
    EXPECT_EQ(params.resourceType, ImageParams::kColorType);
    EXPECT_EQ(params.name, L"#FF00FF00");
}

TEST(ImageParams, StopsAtTheFirstMalformedPair) {
    struct Case {
        const wchar_t* text;
        const wchar_t* name;
        int fade;
    };
    const Case cases[] = {
        {L"file='a.png' fade='10'", L"a.png", 10},
        {L"file='a.png'fade='10'", L"a.png", 255},       // no space after the value
        {L"file='a.png' fade=10", L"a.png", 255},        // value not quoted
        {L"file='a.png' fade='10", L"a.png", 255},       // quote not closed
        {L"fade='10' file='a.png' junk", L"a.png", 10},  // key without "="
        {L"file='' fade='20'", L"", 20},                 // empty values are ignored
        {L"unknown='x' file='b.png'", L"b.png", 255},    // unknown keys are ignored
        {L"fade='999' file='c.png'", L"c.png", 255},
    };
    for (const Case& c : cases) {
        ImageParams params;
        EXPECT_EQ(ParseImageParams(c.text, params), *c.name != L'\0') << c.text;
        EXPECT_EQ(params.name, c.name) << c.text;
        EXPECT_EQ(params.fade, c.fade) << c.text;
    }
}

TEST(ImageParams, ReparsingStartsFromTheDefaults) {
    ImageParams params;
    ASSERT_TRUE(ParseImageParams(L"file='a.png' hole='true' source='1,1,2,2'", params));
    ASSERT_TRUE(ParseImageParams(L"b.png", params));
    EXPECT_FALSE(params.hole);
    EXPECT_EQ(params.source, UiRect{});
    EXPECT_FALSE(ParseImageParams(L"", params));
}

}  // namespace
