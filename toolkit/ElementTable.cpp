#include "toolkit/ElementTable.h"

#include "toolkit/AttributeValue.h"

#include <cwchar>

namespace {

struct Entry {
    const wchar_t* element;
    const wchar_t* className;
};

constexpr Entry kTable[] = {
    {L"Control", L"Control"},
    {L"Container", L"Container"},
    {L"VerticalLayout", L"VerticalLayout"},
    {L"VBox", L"VerticalLayout"},
    {L"HorizontalLayout", L"HorizontalLayout"},
    {L"HBox", L"HorizontalLayout"},
    {L"TabLayout", L"TabLayout"},
    {L"TileLayout", L"TileLayout"},
    {L"ChildLayout", L"ChildLayout"},
    {L"Label", L"Label"},
    {L"Text", L"Text"},
    {L"Button", L"Button"},
    {L"Option", L"Option"},
    {L"CheckBox", L"CheckBox"},
    {L"Progress", L"Progress"},
    {L"Slider", L"Slider"},
    {L"Edit", L"Edit"},
    {L"RichEdit", L"RichEdit"},
    {L"Combo", L"Combo"},
    {L"ComboBox", L"Combo"},
    {L"ScrollBar", L"ScrollBar"},
    {L"DateTime", L"DateTime"},
    {L"List", L"List"},
    {L"ListHeader", L"ListHeader"},
    {L"ListHeaderItem", L"ListHeaderItem"},
    {L"ListLabelElement", L"ListLabelElement"},
    {L"ListTextElement", L"ListTextElement"},
    {L"ListHBoxElement", L"ListHBoxElement"},
    {L"ListContainerElement", L"ListContainerElement"},
    {L"TreeView", L"TreeView"},
    {L"Tree", L"TreeView"},
    {L"TreeNode", L"TreeNode"},
    {L"ActiveX", L"ActiveX"},
    {L"WebBrowser", L"WebBrowser"},
};

}  // namespace

const wchar_t* FindElementClass(const wchar_t* elementName) {
    if (elementName == nullptr) {
        return nullptr;
    }
    if (std::wcscmp(elementName, L"GifAnim") == 0) {
        return L"GifAnim";
    }
    for (const Entry& entry : kTable) {
        if (AttributeValue::EqualsIgnoreCase(elementName, entry.element)) {
            return entry.className;
        }
    }
    return nullptr;
}
