#pragma once
// Builds a control tree from layout markup: a Win32 resource id, markup text beginning
// with "<", or a skin file name.

#include "toolkit/ILayoutTarget.h"
#include "toolkit/LayoutMarkup.h"

#include <windows.h>

#include <string>

class CControlUI;
class CUIManager;
class ILayoutBuilderCallback;

class CLayoutBuilder : public ILayoutTarget {
  public:
    CLayoutBuilder() = default;

    // Returns the first control built at the top level, or null (then GetMarkup() tells
    // why). `source` below 65536 is a resource id of `resourceType`.
    CControlUI* Create(const wchar_t* source,
                       const wchar_t* resourceType = nullptr,
                       ILayoutBuilderCallback* callback = nullptr,
                       CUIManager* manager = nullptr,
                       CControlUI* parent = nullptr);
    // Builds the markup loaded by an earlier Create again.
    CControlUI* Create(ILayoutBuilderCallback* callback = nullptr,
                       CUIManager* manager = nullptr,
                       CControlUI* parent = nullptr);

    [[nodiscard]] const CLayoutMarkup& GetMarkup() const { return markup_; }
    [[nodiscard]] std::wstring GetLastErrorMessage() const { return markup_.GetLastErrorMessage(); }
    [[nodiscard]] std::wstring GetLastErrorLocation() const { return markup_.GetLastErrorLocation(); }

    // ILayoutTarget
    void AddImage(const std::wstring& name, const std::wstring& resourceType, uint32_t mask, bool shared) override;
    void AddFont(int id, const FontRequest& font, bool isDefault, bool shared) override;
    void AddDefaultAttributeList(const std::wstring& element, const std::wstring& list, bool shared) override;
    bool HasWindow() override;
    void SetWindowAttribute(const std::wstring& name, const std::wstring& value) override;
    LayoutControl CreateControl(const wchar_t* className, const wchar_t* elementName) override;
    LayoutAddResult AddChild(LayoutControl parent, LayoutControl child, bool cover) override;
    void DeleteControl(LayoutControl control) override;
    bool BeginAttributes(LayoutControl control, const wchar_t* elementName) override;
    void SetAttribute(LayoutControl control, const wchar_t* name, const wchar_t* value) override;
    void EndAttributes(LayoutControl control) override;
    bool LoadInclude(const std::wstring& source, CLayoutMarkup& markup) override;

  private:
    bool LoadSource(const wchar_t* source, const wchar_t* resourceType);

    CLayoutMarkup markup_;
    std::wstring resourceType_;  // set when the layout came from a resource
    bool fromResource_ = false;
    ILayoutBuilderCallback* callback_ = nullptr;
    CUIManager* manager_ = nullptr;
};
