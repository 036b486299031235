#pragma once
// A parsed layout document. The parser copies names, attribute values and element texts
// (with entities already replaced) into one string pool; the element table refers to the
// pool by offset, so a document is two flat arrays and never a tree of heap nodes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CLayoutNode;

enum class MarkupEncoding { Utf8, Ansi, Utf16 };

class CLayoutMarkup {
  public:
    // Attributes an element exposes; later ones are parsed (for syntax) but invisible.
    static constexpr size_t kMaxAttributes = 64;
    static constexpr size_t kMaxErrorMessage = 99;
    static constexpr size_t kMaxErrorLocation = 49;

    struct Element {
        uint32_t name = 0;        // pool offset
        uint32_t firstChild = 0;  // element index, 0 = none
        uint32_t nextSibling = 0;
        uint32_t parent = 0;
        uint32_t data = 0;            // pool offset of the element text
        uint32_t firstAttribute = 0;  // index into the attribute table
        uint32_t attributeCount = 0;  // at most kMaxAttributes
    };
    struct Attribute {
        uint32_t name = 0;   // pool offset
        uint32_t value = 0;  // pool offset
    };

    CLayoutMarkup();
    explicit CLayoutMarkup(const wchar_t* text);

    CLayoutMarkup(const CLayoutMarkup&) = delete;
    CLayoutMarkup& operator=(const CLayoutMarkup&) = delete;

    [[nodiscard]] bool Load(const wchar_t* text);
    [[nodiscard]] bool Load(const std::wstring& text);
    [[nodiscard]] bool LoadFromMem(const uint8_t* data, size_t size, MarkupEncoding encoding = MarkupEncoding::Utf8);
    // Reads a skin file through the process-wide skin source (archive or plain files).
    [[nodiscard]] bool LoadFromFile(const std::wstring& name, MarkupEncoding encoding = MarkupEncoding::Utf8);
    void Release();
    [[nodiscard]] bool IsValid() const;

    void SetPreserveWhitespace(bool preserve) { preserveWhitespace_ = preserve; }
    [[nodiscard]] bool GetPreserveWhitespace() const { return preserveWhitespace_; }

    [[nodiscard]] CLayoutNode GetRoot() const;

    [[nodiscard]] const std::wstring& GetLastErrorMessage() const { return errorMessage_; }
    [[nodiscard]] const std::wstring& GetLastErrorLocation() const { return errorLocation_; }

    // Accessors used by CLayoutNode.
    [[nodiscard]] size_t GetElementCount() const { return elements_.size(); }
    [[nodiscard]] const Element& GetElement(size_t index) const { return elements_[index]; }
    [[nodiscard]] const Attribute& GetAttribute(size_t index) const { return attributes_[index]; }
    [[nodiscard]] const wchar_t* GetString(uint32_t offset) const { return pool_.c_str() + offset; }

    // Turns the bytes of a layout file into wide text (byte-order marks honoured).
    [[nodiscard]] static std::wstring DecodeBytes(const uint8_t* data, size_t size, MarkupEncoding encoding);

  private:
    bool Parse(const std::wstring& text);
    bool Fail(const wchar_t* message, const std::wstring& text, size_t pos);
    uint32_t AddElement(uint32_t parent, uint32_t previousSibling, uint32_t name);
    uint32_t StoreName(const std::wstring& text, size_t begin, size_t end);
    uint32_t StoreDecoded(const std::wstring& text, size_t begin, size_t end);
    void Reset();

    std::wstring pool_;
    std::vector<Element> elements_;
    std::vector<Attribute> attributes_;
    bool preserveWhitespace_ = true;
    std::wstring errorMessage_;
    std::wstring errorLocation_;
};
