#include "toolkit/LayoutNode.h"

#include "toolkit/LayoutMarkup.h"

#include <algorithm>
#include <cwchar>

CLayoutNode::CLayoutNode(const CLayoutMarkup* markup, uint32_t element) : markup_(markup), element_(element) {
    if (markup_ == nullptr || element_ == 0 || element_ >= markup_->GetElementCount()) {
        markup_ = nullptr;
        element_ = 0;
    }
}

CLayoutNode CLayoutNode::GetSibling() const {
    return IsValid() ? CLayoutNode(markup_, markup_->GetElement(element_).nextSibling) : CLayoutNode();
}

CLayoutNode CLayoutNode::GetParent() const {
    return IsValid() ? CLayoutNode(markup_, markup_->GetElement(element_).parent) : CLayoutNode();
}

CLayoutNode CLayoutNode::GetChild() const {
    return IsValid() ? CLayoutNode(markup_, markup_->GetElement(element_).firstChild) : CLayoutNode();
}

CLayoutNode CLayoutNode::GetChild(const wchar_t* name) const {
    for (CLayoutNode child = GetChild(); child.IsValid(); child = child.GetSibling()) {
        if (std::wcscmp(child.GetName(), name) == 0) {
            return child;
        }
    }
    return CLayoutNode();
}

bool CLayoutNode::HasSiblings() const {
    return IsValid() && markup_->GetElement(element_).nextSibling != 0;
}

bool CLayoutNode::HasChildren() const {
    return IsValid() && markup_->GetElement(element_).firstChild != 0;
}

const wchar_t* CLayoutNode::GetName() const {
    return IsValid() ? markup_->GetString(markup_->GetElement(element_).name) : L"";
}

const wchar_t* CLayoutNode::GetValue() const {
    return IsValid() ? markup_->GetString(markup_->GetElement(element_).data) : L"";
}

void CLayoutNode::MapAttributes() const {
    if (mapped_) {
        return;
    }
    mapped_ = true;
    attributes_.clear();
    if (!IsValid()) {
        return;
    }
    const CLayoutMarkup::Element& element = markup_->GetElement(element_);
    const size_t count = std::min<size_t>(element.attributeCount, CLayoutMarkup::kMaxAttributes);
    attributes_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const CLayoutMarkup::Attribute& attribute = markup_->GetAttribute(element.firstAttribute + i);
        attributes_.emplace_back(markup_->GetString(attribute.name), markup_->GetString(attribute.value));
    }
}

bool CLayoutNode::HasAttributes() const {
    return GetAttributeCount() > 0;
}

bool CLayoutNode::HasAttribute(const wchar_t* name) const {
    MapAttributes();
    return std::any_of(attributes_.begin(), attributes_.end(),
                       [name](const auto& pair) { return std::wcscmp(pair.first, name) == 0; });
}

size_t CLayoutNode::GetAttributeCount() const {
    MapAttributes();
    return attributes_.size();
}

const wchar_t* CLayoutNode::GetAttributeName(size_t index) const {
    MapAttributes();
    return index < attributes_.size() ? attributes_[index].first : L"";
}

const wchar_t* CLayoutNode::GetAttributeValue(size_t index) const {
    MapAttributes();
    return index < attributes_.size() ? attributes_[index].second : L"";
}

const wchar_t* CLayoutNode::GetAttributeValue(const wchar_t* name) const {
    MapAttributes();
    for (const auto& pair : attributes_) {
        if (std::wcscmp(pair.first, name) == 0) {
            return pair.second;
        }
    }
    return L"";
}

bool CLayoutNode::GetAttributeValue(const wchar_t* name, std::wstring& value, size_t maxChars) const {
    MapAttributes();
    for (const auto& pair : attributes_) {
        if (std::wcscmp(pair.first, name) == 0) {
            const size_t length = std::wcslen(pair.second);
            value.assign(pair.second, std::min(length, maxChars));
            return true;
        }
    }
    value.clear();
    return false;
}
