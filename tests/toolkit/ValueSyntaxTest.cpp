#include "toolkit/AttributeList.h"
#include "toolkit/AttributeValue.h"
#include "toolkit/ImageSpec.h"
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

TEST(ImageSpec, BareNameAndFileKeyAreTheSameImage) {
    ImageSpec bare;
    ImageSpec keyed;
    ASSERT_TRUE(ParseImageSpec(L"bkimage/main_bk.png", bare));
    ASSERT_TRUE(ParseImageSpec(L"file='bkimage/main_bk.png'", keyed));
    EXPECT_EQ(bare.name, keyed.name);
    EXPECT_EQ(bare.source, keyed.source);
    EXPECT_EQ(bare.fade, 255);
}

TEST(ImageSpec, ReadsEveryKey) {
    ImageSpec spec;
    ASSERT_TRUE(
        ParseImageSpec(L"file='a.png' dest='1,2,3,4' source='0,0,10,10' corner='2,3,4,5' mask='#FFFF00FF' fade='128' "
                       L"hole='true' xtiled='true' ytiled='true' hsl='true'",
                       spec));
    EXPECT_EQ(spec.name, L"a.png");
    EXPECT_TRUE(spec.resourceType.empty());
    EXPECT_EQ(spec.dest, (UiRect{1, 2, 3, 4}));
    EXPECT_EQ(spec.source, (UiRect{0, 0, 10, 10}));
    EXPECT_EQ(spec.corner, (UiRect{2, 3, 4, 5}));
    EXPECT_EQ(spec.mask, 0xFFFF00FFu);
    EXPECT_EQ(spec.fade, 128);
    EXPECT_TRUE(spec.hole && spec.xtiled && spec.ytiled && spec.hsl);

    ASSERT_TRUE(ParseImageSpec(L"scale9='1,1,1,1' res='101' restype='PNG'", spec));
    EXPECT_EQ(spec.corner, (UiRect{1, 1, 1, 1}));
    EXPECT_EQ(spec.name, L"101");
    EXPECT_EQ(spec.resourceType, L"PNG");

    ASSERT_TRUE(ParseImageSpec(L"color='#FF00FF00'", spec));
    EXPECT_EQ(spec.resourceType, ImageSpec::kColorType);
    EXPECT_EQ(spec.name, L"#FF00FF00");
}

TEST(ImageSpec, StopsAtTheFirstMalformedPair) {
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
        ImageSpec spec;
        EXPECT_EQ(ParseImageSpec(c.text, spec), *c.name != L'\0') << c.text;
        EXPECT_EQ(spec.name, c.name) << c.text;
        EXPECT_EQ(spec.fade, c.fade) << c.text;
    }
}

TEST(ImageSpec, ReparsingStartsFromTheDefaults) {
    ImageSpec spec;
    ASSERT_TRUE(ParseImageSpec(L"file='a.png' hole='true' source='1,1,2,2'", spec));
    ASSERT_TRUE(ParseImageSpec(L"b.png", spec));
    EXPECT_FALSE(spec.hole);
    EXPECT_EQ(spec.source, UiRect{});
    EXPECT_FALSE(ParseImageSpec(L"", spec));
}

}  // namespace
