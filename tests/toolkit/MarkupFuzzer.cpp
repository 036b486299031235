// Feeds arbitrary bytes to the layout parser and builds whatever parses into a target
// that keeps real objects, so the sanitizers see every pointer the reader hands out.
// Includes load the same input again, which drives the include limits; attribute values
// also go through the image-descriptor and attribute-list parsers.

#include "toolkit/AttributeList.h"
#include "toolkit/ImageParams.h"
#include "toolkit/LanguageTexts.h"
#include "toolkit/LayoutMarkup.h"
#include "toolkit/LayoutReader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

class FuzzTarget : public ILayoutTarget {
  public:
    FuzzTarget(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    void AddImage(const std::wstring& name, const std::wstring&, uint32_t, bool) override { touch_ += name.size(); }
    void AddFont(int, const FontRequest& font, bool, bool) override { touch_ += font.face.size(); }
    void AddDefaultAttributeList(const std::wstring&, const std::wstring& list, bool) override {
        touch_ += ParseAttributeList(list).size();
    }
    bool HasWindow() override { return true; }
    void SetWindowAttribute(const std::wstring& name, const std::wstring& value) override {
        touch_ += name.size() + value.size();
    }
    LayoutControl CreateControl(const wchar_t* className, const wchar_t* elementName) override {
        if (className == nullptr && elementName[0] != L'X') {
            return nullptr;
        }
        nodes_.push_back(std::make_unique<Node>());
        return nodes_.back().get();
    }
    LayoutAddResult AddChild(LayoutControl parent, LayoutControl child, bool) override {
        Node* p = static_cast<Node*>(parent);
        if (p->deleted || static_cast<Node*>(child)->deleted) {
            __builtin_trap();  // the reader must never hand out a deleted control
        }
        return (p->children++ % 7 == 6) ? LayoutAddResult::NoContainer : LayoutAddResult::Added;
    }
    void DeleteControl(LayoutControl control) override { static_cast<Node*>(control)->deleted = true; }
    bool BeginAttributes(LayoutControl control, const wchar_t*) override {
        return !static_cast<Node*>(control)->deleted;
    }
    void SetAttribute(LayoutControl, const wchar_t* name, const wchar_t* value) override {
        ImageParams params;
        (void)ParseImageParams(value, params);
        touch_ += std::wstring(name).size() + ParseAttributeList(value).size() + params.name.size();
    }
    void EndAttributes(LayoutControl) override {}
    bool LoadInclude(const std::wstring&, CLayoutMarkup& markup) override {
        return markup.LoadFromMem(data_, size_, MarkupEncoding::Utf8);
    }

  private:
    struct Node {
        int children = 0;
        bool deleted = false;
    };
    const uint8_t* data_;
    size_t size_;
    std::vector<std::unique_ptr<Node>> nodes_;
    size_t touch_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const MarkupEncoding encodings[] = {MarkupEncoding::Utf8, MarkupEncoding::Ansi, MarkupEncoding::Utf16};
    CLayoutMarkup markup;
    markup.SetPreserveWhitespace((data[0] & 0x10) == 0);
    if (!markup.LoadFromMem(data + 1, size - 1, encodings[data[0] % 3])) {
        return 0;
    }
    FuzzTarget target(data + 1, size - 1);
    CLayoutReader reader(target);
    (void)reader.Build(markup, nullptr);
    CLanguageTexts::Clear();
    return 0;
}
