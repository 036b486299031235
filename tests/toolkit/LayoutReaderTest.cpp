#include "toolkit/LanguageTexts.h"
#include "toolkit/LayoutMarkup.h"
#include "toolkit/LayoutReader.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Records what the reader asks for; controls are small records owned by the target.
class RecordingTarget : public ILayoutTarget {
  public:
    struct Control {
        std::wstring className;
        std::wstring element;
        Control* parent = nullptr;
        bool cover = false;
        std::vector<Control*> children;
        std::vector<std::pair<std::wstring, std::wstring>> attributes;
        bool deleted = false;
    };

    std::vector<std::wstring> log;
    std::vector<std::unique_ptr<Control>> controls;
    std::map<std::wstring, std::wstring> includes;  // source -> layout text
    std::wstring noContainerClass = L"Label";
    bool hasWindow = true;
    int includeLoads = 0;

    void AddImage(const std::wstring& name, const std::wstring& type, uint32_t mask, bool shared) override {
        log.push_back(L"image " + name + L"|" + type + L"|" + std::to_wstring(mask) + (shared ? L"|shared" : L""));
    }
    void AddFont(int id, const FontRequest& font, bool isDefault, bool shared) override {
        log.push_back(L"font " + std::to_wstring(id) + L"|" + font.face + L"|" + std::to_wstring(font.size) + L"|" +
                      std::to_wstring(font.bold) + std::to_wstring(font.underline) + std::to_wstring(font.italic) +
                      std::to_wstring(font.strikeout) + std::to_wstring(isDefault) + std::to_wstring(shared));
    }
    void AddDefaultAttributeList(const std::wstring& element, const std::wstring& list, bool shared) override {
        log.push_back(L"default " + element + L"|" + list + (shared ? L"|shared" : L""));
    }
    bool HasWindow() override { return hasWindow; }
    void SetWindowAttribute(const std::wstring& name, const std::wstring& value) override {
        log.push_back(L"window " + name + L"=" + value);
    }
    LayoutControl CreateControl(const wchar_t* className, const wchar_t* elementName) override {
        if (className == nullptr) {
            log.push_back(std::wstring(L"unknown ") + elementName);
            return nullptr;
        }
        controls.push_back(std::make_unique<Control>());
        controls.back()->className = className;
        controls.back()->element = elementName;
        return controls.back().get();
    }
    LayoutAddResult AddChild(LayoutControl parent, LayoutControl child, bool cover) override {
        Control* p = static_cast<Control*>(parent);
        Control* c = static_cast<Control*>(child);
        if (p->className == noContainerClass) {
            return LayoutAddResult::NoContainer;
        }
        c->parent = p;
        c->cover = cover;
        if (!cover) {
            p->children.push_back(c);
        }
        return LayoutAddResult::Added;
    }
    void DeleteControl(LayoutControl control) override {
        Control* c = static_cast<Control*>(control);
        c->deleted = true;
        log.push_back(L"delete " + c->className);
    }
    bool BeginAttributes(LayoutControl, const wchar_t*) override { return true; }
    void SetAttribute(LayoutControl control, const wchar_t* name, const wchar_t* value) override {
        static_cast<Control*>(control)->attributes.emplace_back(name, value);
    }
    void EndAttributes(LayoutControl) override {}
    bool LoadInclude(const std::wstring& source, CLayoutMarkup& markup) override {
        ++includeLoads;
        const auto it = includes.find(source);
        return it != includes.end() && markup.Load(it->second);
    }

    Control* Build(const wchar_t* text, LayoutControl parent = nullptr) {
        CLayoutMarkup markup;
        if (!markup.Load(text)) {
            return nullptr;
        }
        CLayoutReader reader(*this);
        return static_cast<Control*>(reader.Build(markup, parent));
    }
};

TEST(LayoutReader, ElementNamesSelectClassesIgnoringCaseExceptGifAnim) {
    RecordingTarget target;
    RecordingTarget::Control* root = target.Build(
        L"<Window><VerticalLayout>"
        L"<bUTTON/><vbox/><HBox/><combobox/><Tree/><GifAnim/><gifanim><Button/></gifanim><Unknown><Button/></Unknown>"
        L"</VerticalLayout></Window>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->className, L"VerticalLayout");
    std::vector<std::wstring> classes;
    for (auto* child : root->children) {
        classes.push_back(child->className);
    }
    const std::vector<std::wstring> expected = {L"Button", L"VerticalLayout", L"HorizontalLayout",
                                                L"Combo",  L"TreeView",       L"GifAnim"};
    EXPECT_EQ(classes, expected);
    // The skipped elements took their children with them.
    EXPECT_EQ(target.controls.size(), 7u);
}

TEST(LayoutReader, ResourceElementsReachTheTargetWithTheirDefaults) {
    RecordingTarget target;
    CLanguageTexts::Clear();
    target.Build(
        L"<Window>"
        L"<Image name=\"a.png\" restype=\"PNG\" mask=\"#FF00FF00\" shared=\"TRUE\"/>"
        L"<image NAME=\"b.png\"/><Image/>"
        L"<Font id=\"1\" name=\"Tahoma\" size=\"14\" bold=\"true\" default=\"True\"/>"
        L"<FONT ID=\"2\" NAME=\"Arial\"/><Font name=\"NoId\"/><Font id=\"-1\" name=\"Neg\"/><Font id=\"3\"/>"
        L"<Default name=\"Button\" value=\"height=&quot;20&quot;\"/><Default value=\"x\"/>"
        L"<MultiLanguage id=\"7\" value=\"hello\"/>"
        L"</Window>");
    const std::vector<std::wstring> expected = {
        L"image a.png|PNG|4278255360|shared", L"image b.png||0", L"font 1|Tahoma|14|100010", L"font 2|Arial|12|000000",
        L"default Button|height=\"20\"",
    };
    EXPECT_EQ(target.log, expected);
    std::wstring text;
    EXPECT_TRUE(CLanguageTexts::Get(7, text));
    EXPECT_EQ(text, L"hello");
}

TEST(LayoutReader, WindowAttributesGoToTheWindowInDocumentOrderOnlyWhenThereIsOne) {
    RecordingTarget target;
    target.Build(L"<window size=\"10,20\" caption=\"0,0,0,30\" custom=\"x\"/>");
    const std::vector<std::wstring> expected = {L"window size=10,20", L"window caption=0,0,0,30", L"window custom=x"};
    EXPECT_EQ(target.log, expected);

    RecordingTarget windowless;
    windowless.hasWindow = false;
    windowless.Build(L"<Window size=\"10,20\"/>");
    EXPECT_TRUE(windowless.log.empty());

    RecordingTarget notWindow;
    notWindow.Build(L"<Dialog size=\"10,20\"/>");
    EXPECT_TRUE(notWindow.log.empty());
}

TEST(LayoutReader, AttributesAreAppliedInDocumentOrderUpTo64) {
    std::wstring text = L"<Window><Button";
    for (int i = 0; i < 65; ++i) {
        text += L" a" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
    }
    text += L"/></Window>";
    RecordingTarget target;
    RecordingTarget::Control* button = target.Build(text.c_str());
    ASSERT_NE(button, nullptr);
    ASSERT_EQ(button->attributes.size(), 64u);
    EXPECT_EQ(button->attributes.front().first, L"a0");
    EXPECT_EQ(button->attributes.back().first, L"a63");
}

TEST(LayoutReader, ChildrenAreBuiltIntoTheirParentAndCoverIsExact) {
    RecordingTarget target;
    RecordingTarget::Control* root = target.Build(
        L"<Window><HorizontalLayout><Control name=\"c\" cover=\"true\"/><Control cover=\"TRUE\"/></HorizontalLayout>"
        L"</Window>");
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->children.size(), 1u);  // the exact cover is not a child
    EXPECT_FALSE(root->children[0]->cover);
    EXPECT_TRUE(target.controls[1]->cover);
    EXPECT_EQ(target.controls[1]->parent, root);
}

TEST(LayoutReader, AParentWithoutContainerEndsItsLevelAndDeletesTheChild) {
    RecordingTarget target;
    RecordingTarget::Control* root =
        target.Build(L"<Window><VerticalLayout><Label><Button/><Button/></Label></VerticalLayout></Window>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->children.size(), 1u);              // the label itself is added
    EXPECT_TRUE(root->children[0]->children.empty());  // its level ended at the first button
    EXPECT_TRUE(target.controls[2]->deleted);
    EXPECT_EQ(target.controls.size(), 3u);  // the second button was never created
}

TEST(LayoutReader, WithoutParentOnlyTheFirstTopLevelControlSurvives) {
    RecordingTarget target;
    RecordingTarget::Control* first = target.Build(L"<Window><Button/><Label/></Window>");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->className, L"Button");
    EXPECT_TRUE(target.controls[1]->deleted);
}

TEST(LayoutReader, IncludeBuildsCountCopiesFromOneLoad) {
    RecordingTarget target;
    target.includes[L"row.xml"] = L"<Window><Button name=\"r\"/></Window>";
    RecordingTarget::Control* root = target.Build(
        L"<Window><VerticalLayout><Include source=\"row.xml\" count=\"3\"/><Label/></VerticalLayout></Window>");
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->children.size(), 4u);
    EXPECT_EQ(root->children[0]->className, L"Button");
    EXPECT_EQ(root->children[2]->className, L"Button");
    EXPECT_EQ(root->children[3]->className, L"Label");
    EXPECT_EQ(target.includeLoads, 1);
}

TEST(LayoutReader, SelfIncludingLayoutStopsAtTheDepthLimit) {
    RecordingTarget target;
    target.includes[L"self.xml"] = L"<Window><Control/><Include source=\"self.xml\" count=\"2\"/></Window>";
    RecordingTarget::Control* root =
        target.Build(L"<Window><VerticalLayout><Include source=\"self.xml\"/></VerticalLayout></Window>");
    ASSERT_NE(root, nullptr);
    EXPECT_LE(static_cast<int>(root->children.size()), CLayoutReader::kMaxIncludeCopies);
    EXPECT_GT(root->children.size(), 1u);
}

TEST(LayoutReader, HugeIncludeCountIsBounded) {
    RecordingTarget target;
    target.includes[L"one.xml"] = L"<Window><Control/></Window>";
    RecordingTarget::Control* root = target.Build(
        L"<Window><VerticalLayout><Include source=\"one.xml\" count=\"2000000000\"/></VerticalLayout></Window>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(static_cast<int>(root->children.size()), CLayoutReader::kMaxIncludeCopies);
}

TEST(LayoutReader, IncludeSourceIsCutTo499Characters) {
    RecordingTarget target;
    const std::wstring longName(600, L'n');
    target.includes[longName.substr(0, 499)] = L"<Window><Button/></Window>";
    const std::wstring text =
        L"<Window><VerticalLayout><Include source=\"" + longName + L"\"/></VerticalLayout></Window>";
    RecordingTarget::Control* root = target.Build(text.c_str());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->children.size(), 1u);
}

TEST(LayoutReader, NestingBeyondTheDepthLimitIsNotBuilt) {
    std::wstring text = L"<Window>";
    for (int i = 0; i < 100; ++i) {
        text += L"<Container>";
    }
    for (int i = 0; i < 100; ++i) {
        text += L"</Container>";
    }
    text += L"</Window>";
    RecordingTarget target;
    ASSERT_NE(target.Build(text.c_str()), nullptr);
    EXPECT_EQ(static_cast<int>(target.controls.size()), CLayoutReader::kMaxDepth);
}

TEST(LayoutReader, BrokenMarkupBuildsNothing) {
    RecordingTarget target;
    EXPECT_EQ(target.Build(L"<Window><Button></Window>"), nullptr);
    EXPECT_TRUE(target.controls.empty());
}

}  // namespace
