#include "toolkit/LayoutReader.h"

#include "toolkit/AttributeValue.h"
#include "toolkit/ElementTable.h"
#include "toolkit/LanguageTexts.h"
#include "toolkit/LayoutMarkup.h"

#include <cwchar>

namespace {

using AttributeValue::EqualsIgnoreCase;
using AttributeValue::IsTrueIgnoreCase;

bool IsResourceElement(const wchar_t* name) {
    return EqualsIgnoreCase(name, L"Image") || EqualsIgnoreCase(name, L"Font") || EqualsIgnoreCase(name, L"Default") ||
           EqualsIgnoreCase(name, L"MultiLanguage");
}

// Attribute names of the resource elements compare ignoring case.
struct ResourceAttributes {
    explicit ResourceAttributes(const CLayoutNode& node) : node_(node) {}

    [[nodiscard]] const wchar_t* Find(const wchar_t* name) const {
        for (size_t i = 0; i < node_.GetAttributeCount(); ++i) {
            if (EqualsIgnoreCase(node_.GetAttributeName(i), name)) {
                return node_.GetAttributeValue(i);
            }
        }
        return nullptr;
    }
    [[nodiscard]] std::wstring Text(const wchar_t* name) const {
        const wchar_t* value = Find(name);
        return value ? value : L"";
    }
    [[nodiscard]] bool Flag(const wchar_t* name) const { return IsTrueIgnoreCase(Find(name)); }
    [[nodiscard]] int Number(const wchar_t* name, int fallback) const {
        const wchar_t* value = Find(name);
        return value ? AttributeValue::ParseInt(value) : fallback;
    }

    const CLayoutNode& node_;
};

}  // namespace

LayoutControl CLayoutReader::Build(const CLayoutMarkup& markup, LayoutControl parent) {
    includeCopies_ = 0;
    return BuildDocument(markup, parent, 0);
}

LayoutControl CLayoutReader::BuildDocument(const CLayoutMarkup& markup, LayoutControl parent, int includeDepth) {
    const CLayoutNode root = markup.GetRoot();
    if (!root.IsValid()) {
        return nullptr;
    }
    ReadResources(root);
    if (EqualsIgnoreCase(root.GetName(), L"Window") && target_.HasWindow()) {
        for (size_t i = 0; i < root.GetAttributeCount(); ++i) {
            target_.SetWindowAttribute(root.GetAttributeName(i), root.GetAttributeValue(i));
        }
    }
    return BuildLevel(root, parent, 0, includeDepth);
}

void CLayoutReader::ReadResources(const CLayoutNode& root) {
    for (CLayoutNode node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
        const wchar_t* name = node.GetName();
        const ResourceAttributes attributes(node);
        if (EqualsIgnoreCase(name, L"Image")) {
            const std::wstring imageName = attributes.Text(L"name");
            if (!imageName.empty()) {
                const wchar_t* mask = attributes.Find(L"mask");
                target_.AddImage(imageName, attributes.Text(L"restype"), mask ? AttributeValue::ParseColor(mask) : 0,
                                 attributes.Flag(L"shared"));
            }
        } else if (EqualsIgnoreCase(name, L"Font")) {
            const int id = attributes.Number(L"id", -1);
            FontRequest font;
            font.face = attributes.Text(L"name");
            if (id >= 0 && !font.face.empty()) {
                font.size = attributes.Number(L"size", 12);
                font.bold = attributes.Flag(L"bold");
                font.underline = attributes.Flag(L"underline");
                font.italic = attributes.Flag(L"italic");
                font.strikeout = attributes.Flag(L"strikeout");
                target_.AddFont(id, font, attributes.Flag(L"default"), attributes.Flag(L"shared"));
            }
        } else if (EqualsIgnoreCase(name, L"Default")) {
            const std::wstring element = attributes.Text(L"name");
            if (!element.empty()) {
                target_.AddDefaultAttributeList(element, attributes.Text(L"value"), attributes.Flag(L"shared"));
            }
        } else if (EqualsIgnoreCase(name, L"MultiLanguage")) {
            const int id = attributes.Number(L"id", -1);
            if (id >= 0) {
                CLanguageTexts::Set(id, attributes.Text(L"value"));
            }
        }
    }
}

LayoutControl CLayoutReader::BuildInclude(const CLayoutNode& node, LayoutControl parent, int includeDepth) {
    int count = 1;
    std::wstring source;
    for (size_t i = 0; i < node.GetAttributeCount(); ++i) {
        const wchar_t* name = node.GetAttributeName(i);
        if (std::wcscmp(name, L"count") == 0) {
            count = AttributeValue::ParseInt(node.GetAttributeValue(i));
        } else if (std::wcscmp(name, L"source") == 0) {
            source.assign(node.GetAttributeValue(i));
            if (source.size() > kMaxIncludeSource) {
                source.resize(kMaxIncludeSource);
            }
        }
    }
    // A layout that includes itself, directly or not, would otherwise never end.
    if (source.empty() || count <= 0 || includeDepth >= kMaxIncludeDepth) {
        return nullptr;
    }
    CLayoutMarkup markup;
    LayoutControl first = nullptr;
    for (int i = 0; i < count && includeCopies_ < kMaxIncludeCopies; ++i) {
        if (i == 0 && !target_.LoadInclude(source, markup)) {
            return nullptr;
        }
        ++includeCopies_;
        LayoutControl built = BuildDocument(markup, parent, includeDepth + 1);
        if (first == nullptr) {
            first = built;
        } else if (parent == nullptr && built != nullptr) {
            target_.DeleteControl(built);  // a parentless copy nobody could reach
        }
    }
    return first;
}

LayoutControl CLayoutReader::BuildLevel(const CLayoutNode& node, LayoutControl parent, int depth, int includeDepth) {
    LayoutControl first = nullptr;
    for (CLayoutNode child = node.GetChild(); child.IsValid(); child = child.GetSibling()) {
        const wchar_t* name = child.GetName();
        if (IsResourceElement(name)) {
            continue;
        }
        if (EqualsIgnoreCase(name, L"Include") && child.HasAttributes()) {
            LayoutControl built = BuildInclude(child, parent, includeDepth);
            if (first == nullptr) {
                first = built;
            }
            continue;
        }
        LayoutControl control = target_.CreateControl(FindElementClass(name), name);
        if (control == nullptr) {
            continue;
        }
        if (child.HasChildren() && depth + 1 < kMaxDepth) {
            (void)BuildLevel(child, control, depth + 1, includeDepth);
        }
        if (parent != nullptr) {
            const bool cover = std::wcscmp(child.GetAttributeValue(L"cover"), L"true") == 0;
            const LayoutAddResult added = target_.AddChild(parent, control, cover);
            if (added == LayoutAddResult::NoContainer) {
                target_.DeleteControl(control);
                return nullptr;
            }
            if (added == LayoutAddResult::Failed) {
                target_.DeleteControl(control);
                continue;
            }
        } else if (first != nullptr) {
            // Without a parent only the first control is handed back; the others would
            // belong to nobody.
            target_.DeleteControl(control);
            continue;
        }
        if (target_.BeginAttributes(control, name)) {
            for (size_t i = 0; i < child.GetAttributeCount(); ++i) {
                target_.SetAttribute(control, child.GetAttributeName(i), child.GetAttributeValue(i));
            }
            target_.EndAttributes(control);
        }
        if (first == nullptr) {
            first = control;
        }
    }
    return first;
}
