#pragma once
// What the layout reader asks of the world it builds into: the window's resource tables
// and the control classes. The Windows builder implements it with real controls; tests
// and the fuzzer record the calls. Controls are opaque handles to the reader.

#include "toolkit/FontRequest.h"

#include <cstdint>
#include <string>

class CLayoutMarkup;

using LayoutControl = void*;

enum class LayoutAddResult { Added, Failed, NoContainer };

class ILayoutTarget {
  public:
    virtual ~ILayoutTarget() = default;

    virtual void AddImage(const std::wstring& name, const std::wstring& resourceType, uint32_t mask, bool shared) = 0;
    virtual void AddFont(int id, const FontRequest& font, bool isDefault, bool shared) = 0;
    virtual void AddDefaultAttributeList(const std::wstring& element, const std::wstring& list, bool shared) = 0;
    [[nodiscard]] virtual bool HasWindow() = 0;
    virtual void SetWindowAttribute(const std::wstring& name, const std::wstring& value) = 0;

    // `className` comes from the element table and is null when the table has no entry;
    // the target may still create something for `elementName` (factories, callbacks).
    [[nodiscard]] virtual LayoutControl CreateControl(const wchar_t* className, const wchar_t* elementName) = 0;
    [[nodiscard]] virtual LayoutAddResult AddChild(LayoutControl parent, LayoutControl child, bool cover) = 0;
    virtual void DeleteControl(LayoutControl control) = 0;

    // Attributes go in between these two; false from Begin means nobody to apply them for.
    [[nodiscard]] virtual bool BeginAttributes(LayoutControl control, const wchar_t* elementName) = 0;
    virtual void SetAttribute(LayoutControl control, const wchar_t* name, const wchar_t* value) = 0;
    virtual void EndAttributes(LayoutControl control) = 0;

    // Loads the layout an "Include" names.
    [[nodiscard]] virtual bool LoadInclude(const std::wstring& source, CLayoutMarkup& markup) = 0;
};
