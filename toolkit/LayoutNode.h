#pragma once
// A cursor on one element of a CLayoutMarkup. Cheap to copy; valid while the markup lives
// and is not reloaded.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CLayoutMarkup;

class CLayoutNode {
  public:
    CLayoutNode() = default;
    CLayoutNode(const CLayoutMarkup* markup, uint32_t element);

    [[nodiscard]] bool IsValid() const { return markup_ != nullptr && element_ != 0; }
    [[nodiscard]] CLayoutNode GetSibling() const;
    [[nodiscard]] CLayoutNode GetParent() const;
    [[nodiscard]] CLayoutNode GetChild() const;
    [[nodiscard]] CLayoutNode GetChild(const wchar_t* name) const;
    [[nodiscard]] bool HasSiblings() const;
    [[nodiscard]] bool HasChildren() const;

    [[nodiscard]] const wchar_t* GetName() const;
    [[nodiscard]] const wchar_t* GetValue() const;  // the element's text

    [[nodiscard]] bool HasAttributes() const;
    [[nodiscard]] bool HasAttribute(const wchar_t* name) const;
    [[nodiscard]] size_t GetAttributeCount() const;
    [[nodiscard]] const wchar_t* GetAttributeName(size_t index) const;
    [[nodiscard]] const wchar_t* GetAttributeValue(size_t index) const;
    // Exact, case-sensitive name; empty text when absent.
    [[nodiscard]] const wchar_t* GetAttributeValue(const wchar_t* name) const;
    // Copies at most `maxChars` characters of the value; false when the attribute is absent.
    [[nodiscard]] bool GetAttributeValue(const wchar_t* name, std::wstring& value, size_t maxChars) const;

  private:
    void MapAttributes() const;

    const CLayoutMarkup* markup_ = nullptr;
    uint32_t element_ = 0;
    mutable bool mapped_ = false;
    mutable std::vector<std::pair<const wchar_t*, const wchar_t*>> attributes_;
};
