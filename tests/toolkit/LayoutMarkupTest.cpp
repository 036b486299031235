#include "toolkit/LayoutMarkup.h"
#include "toolkit/LayoutNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ErrorCase {
    const wchar_t* text;
    const wchar_t* message;
};

TEST(LayoutMarkup, ReportsEachParseErrorAndLeavesTheDocumentEmpty) {
    const ErrorCase cases[] = {
        {L"<Window", L"Error parsing element name"},
        {L"<>", L"Error parsing element name"},
        {L"<Window size>", L"Error while parsing attributes"},
        {L"<Window size=1>", L"Expected attribute value"},
        {L"<Window size=\"1>", L"Error while parsing attribute string"},
        {L"<Window size=\"1\"", L"Expected start-tag closing"},
        {L"<Window /x>", L"Expected start-tag closing"},
        {L"<Window><A></B></Window>", L"Unmatched closing tag"},
        {L"<Window></window>", L"Unmatched closing tag"},
        {L"<Window></Window", L"Unmatched closing tag"},
        {L"text", L"Expected start tag"},
        {L"</Window>", L"Expected start tag"},
        {L"<Window><A/>text</Window>", L"Expected end-tag start"},
        {L"<Window>text", L"Expected end-tag start"},
        {L"<Window><A/>", L"Expected end-tag start"},
        {L"<Window><!-- never closed", L"Expected end-tag start"},
    };
    for (const ErrorCase& c : cases) {
        CLayoutMarkup markup;
        EXPECT_FALSE(markup.Load(c.text)) << c.text;
        EXPECT_EQ(markup.GetLastErrorMessage(), c.message) << c.text;
        EXPECT_FALSE(markup.IsValid()) << c.text;
        EXPECT_FALSE(markup.GetRoot().IsValid()) << c.text;
    }
}

TEST(LayoutMarkup, ErrorLocationIsTheTextAtTheFaultCutTo49Characters) {
    CLayoutMarkup markup;
    const std::wstring tail(80, L'x');
    ASSERT_FALSE(markup.Load(L"<Window><A/>" + tail + L"</Window>"));
    EXPECT_EQ(markup.GetLastErrorLocation(), tail.substr(0, 49));
}

TEST(LayoutMarkup, BuildsTheElementTreeWithTextAndAttributesInOrder) {
    CLayoutMarkup markup;
    ASSERT_TRUE(
        markup.Load(L"<?xml version=\"1.0\"?>\n<!-- skin -->\n<Window size=\"800,430\" caption = \"0,0,0,40\">"
                    L"<VerticalLayout name=\"root\"><Label text=\"a\"/><Button/></VerticalLayout>"
                    L"<Font id=\"0\">inner text</Font></Window>"));
    const CLayoutNode root = markup.GetRoot();
    ASSERT_TRUE(root.IsValid());
    EXPECT_STREQ(root.GetName(), L"Window");
    ASSERT_EQ(root.GetAttributeCount(), 2u);
    EXPECT_STREQ(root.GetAttributeName(size_t{0}), L"size");
    EXPECT_STREQ(root.GetAttributeValue(size_t{0}), L"800,430");
    EXPECT_STREQ(root.GetAttributeValue(L"caption"), L"0,0,0,40");
    EXPECT_STREQ(root.GetAttributeValue(L"Caption"), L"");  // names are case-sensitive

    const CLayoutNode layout = root.GetChild();
    EXPECT_STREQ(layout.GetName(), L"VerticalLayout");
    EXPECT_TRUE(layout.HasChildren());
    EXPECT_STREQ(layout.GetChild().GetName(), L"Label");
    EXPECT_STREQ(layout.GetChild().GetSibling().GetName(), L"Button");
    EXPECT_FALSE(layout.GetChild().GetSibling().GetSibling().IsValid());
    EXPECT_STREQ(layout.GetChild().GetParent().GetName(), L"VerticalLayout");

    const CLayoutNode font = layout.GetSibling();
    EXPECT_STREQ(font.GetName(), L"Font");
    EXPECT_STREQ(font.GetValue(), L"inner text");
    EXPECT_FALSE(font.HasSiblings());
    EXPECT_FALSE(font.HasChildren());
}

TEST(LayoutMarkup, ReplacesOnlyThePredefinedEntities) {
    CLayoutMarkup markup;
    ASSERT_TRUE(markup.Load(
        L"<Label text=\"&lt;b&gt; &amp; &quot;q&quot; &apos;a&apos; &nbsp; &amp\">x &lt; y &copy;</Label>"));
    const CLayoutNode node = markup.GetRoot();
    EXPECT_STREQ(node.GetAttributeValue(L"text"), L"<b> & \"q\" 'a' &nbsp; &amp");
    EXPECT_STREQ(node.GetValue(), L"x < y &copy;");
}

TEST(LayoutMarkup, CollapsesWhitespaceOnlyWhenAskedTo) {
    CLayoutMarkup keep;
    ASSERT_TRUE(keep.Load(L"<A t=\"a   b\"/>"));
    EXPECT_STREQ(keep.GetRoot().GetAttributeValue(L"t"), L"a   b");

    CLayoutMarkup collapse;
    collapse.SetPreserveWhitespace(false);
    ASSERT_TRUE(collapse.Load(L"<A t=\"a  \t b\"/>"));
    EXPECT_STREQ(collapse.GetRoot().GetAttributeValue(L"t"), L"a b");
}

TEST(LayoutMarkup, ExposesAtMost64AttributesPerElement) {
    std::wstring text = L"<A";
    for (int i = 0; i < 70; ++i) {
        text += L" a" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
    }
    text += L"/>";
    CLayoutMarkup markup;
    ASSERT_TRUE(markup.Load(text));
    const CLayoutNode node = markup.GetRoot();
    EXPECT_EQ(node.GetAttributeCount(), 64u);
    EXPECT_STREQ(node.GetAttributeValue(L"a63"), L"63");
    EXPECT_FALSE(node.HasAttribute(L"a64"));
}

TEST(LayoutMarkup, AttributeCopyIsBoundedByTheCallersLimit) {
    CLayoutMarkup markup;
    ASSERT_TRUE(markup.Load(L"<A source=\"abcdefgh\"/>"));
    std::wstring value;
    EXPECT_TRUE(markup.GetRoot().GetAttributeValue(L"source", value, 3));
    EXPECT_EQ(value, L"abc");
    EXPECT_FALSE(markup.GetRoot().GetAttributeValue(L"missing", value, 3));
    EXPECT_TRUE(value.empty());
}

TEST(LayoutMarkup, UnterminatedDeclarationsEndTheTextWithoutReadingPastIt) {
    for (const wchar_t* text : {L"<A/><!-", L"<A/><?xml", L"<A/><!", L"<A/><?"}) {
        CLayoutMarkup markup;
        EXPECT_TRUE(markup.Load(text)) << text;
        EXPECT_STREQ(markup.GetRoot().GetName(), L"A");
    }
}

TEST(LayoutMarkup, DeepNestingParsesWithoutRecursion) {
    std::wstring text;
    const int depth = 20000;
    for (int i = 0; i < depth; ++i) {
        text += L"<a>";
    }
    for (int i = 0; i < depth; ++i) {
        text += L"</a>";
    }
    CLayoutMarkup markup;
    ASSERT_TRUE(markup.Load(text));
    CLayoutNode node = markup.GetRoot();
    int levels = 0;
    while (node.IsValid()) {
        ++levels;
        node = node.GetChild();
    }
    EXPECT_EQ(levels, depth);
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

// "<A t="é"/>" in each encoding the loader accepts.
TEST(LayoutMarkup, DecodesEveryAcceptedEncoding) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        MarkupEncoding encoding;
    };
    const std::vector<uint8_t> utf8 = Bytes({'<', 'A', ' ', 't', '=', '"', 0xC3, 0xA9, '"', '/', '>'});
    std::vector<uint8_t> utf8Bom = Bytes({0xEF, 0xBB, 0xBF});
    utf8Bom.insert(utf8Bom.end(), utf8.begin(), utf8.end());
    std::vector<uint8_t> le = Bytes({0xFF, 0xFE});
    std::vector<uint8_t> be = Bytes({0xFE, 0xFF});
    std::vector<uint8_t> leNoBom;
    for (wchar_t c : std::wstring(L"<A t=\"\u00E9\"/>")) {
        le.push_back(static_cast<uint8_t>(c & 0xFF));
        le.push_back(static_cast<uint8_t>(c >> 8));
        leNoBom.push_back(static_cast<uint8_t>(c & 0xFF));
        leNoBom.push_back(static_cast<uint8_t>(c >> 8));
        be.push_back(static_cast<uint8_t>(c >> 8));
        be.push_back(static_cast<uint8_t>(c & 0xFF));
    }
    const Case cases[] = {
        {"utf8", utf8, MarkupEncoding::Utf8},
        {"utf8 bom", utf8Bom, MarkupEncoding::Utf8},
        {"utf16le bom", le, MarkupEncoding::Utf16},
        {"utf16be bom", be, MarkupEncoding::Utf16},
        {"utf16le bom read as utf8", le, MarkupEncoding::Utf8},
        {"utf16 without bom", leNoBom, MarkupEncoding::Utf16},
    };
    for (const Case& c : cases) {
        CLayoutMarkup markup;
        ASSERT_TRUE(markup.LoadFromMem(c.bytes.data(), c.bytes.size(), c.encoding)) << c.name;
        EXPECT_STREQ(markup.GetRoot().GetAttributeValue(L"t"), L"\u00E9") << c.name;
    }
}

TEST(LayoutMarkup, AnsiTextGoesThroughTheCodePage) {
    const std::vector<uint8_t> ansi = Bytes({'<', 'A', ' ', 't', '=', '"', 'x', 'y', '"', '/', '>'});
    CLayoutMarkup markup;
    ASSERT_TRUE(markup.LoadFromMem(ansi.data(), ansi.size(), MarkupEncoding::Ansi));
    EXPECT_STREQ(markup.GetRoot().GetAttributeValue(L"t"), L"xy");
}

TEST(LayoutMarkup, OddLengthBigEndianFileDropsTheLoneByte) {
    std::vector<uint8_t> be = Bytes({0xFE, 0xFF});
    for (wchar_t c : std::wstring(L"<A/>")) {
        be.push_back(0);
        be.push_back(static_cast<uint8_t>(c));
    }
    be.push_back('<');  // half a character
    CLayoutMarkup markup;
    ASSERT_TRUE(markup.LoadFromMem(be.data(), be.size(), MarkupEncoding::Utf16));
    EXPECT_STREQ(markup.GetRoot().GetName(), L"A");
}

TEST(LayoutMarkup, AFailedLoadAfterAGoodOneForgetsTheOldDocument) {
    CLayoutMarkup markup;
    ASSERT_TRUE(markup.Load(L"<A/>"));
    EXPECT_FALSE(markup.Load(L"<A"));
    EXPECT_FALSE(markup.GetRoot().IsValid());
    EXPECT_TRUE(markup.Load(L"<B/>"));
    EXPECT_TRUE(markup.GetLastErrorMessage().empty());
}

}  // namespace
