#include "toolkit/LayoutBuilder.h"

#include "toolkit/ControlFactory.h"
#include "toolkit/ControlUI.h"
#include "toolkit/IContainerUI.h"
#include "toolkit/ILayoutBuilderCallback.h"
#include "toolkit/LayoutReader.h"
#include "toolkit/UIManager.h"
#include "toolkit/UIManagerGlobals.h"

namespace {

CControlUI* AsControl(LayoutControl control) {
    return static_cast<CControlUI*>(control);
}

}  // namespace

bool CLayoutBuilder::LoadSource(const wchar_t* source, const wchar_t* resourceType) {
    fromResource_ = false;
    resourceType_.clear();
    if (source == nullptr) {
        return false;
    }
    if (IS_INTRESOURCE(source)) {
        std::vector<uint8_t> bytes;
        if (resourceType == nullptr || !UIManagerGlobals::ReadResourceBytes(source, resourceType, bytes)) {
            return false;
        }
        fromResource_ = true;
        resourceType_ = IS_INTRESOURCE(resourceType) ? std::wstring() : std::wstring(resourceType);
        return markup_.LoadFromMem(bytes.data(), bytes.size(), MarkupEncoding::Utf8);
    }
    if (source[0] == L'<') {
        return markup_.Load(source);
    }
    return markup_.LoadFromFile(source, MarkupEncoding::Utf8);
}

CControlUI* CLayoutBuilder::Create(const wchar_t* source,
                                   const wchar_t* resourceType,
                                   ILayoutBuilderCallback* callback,
                                   CUIManager* manager,
                                   CControlUI* parent) {
    if (!LoadSource(source, resourceType)) {
        return nullptr;
    }
    return Create(callback, manager, parent);
}

CControlUI* CLayoutBuilder::Create(ILayoutBuilderCallback* callback, CUIManager* manager, CControlUI* parent) {
    callback_ = callback;
    manager_ = manager;
    CLayoutReader reader(*this);
    return AsControl(reader.Build(markup_, parent));
}

void CLayoutBuilder::AddImage(const std::wstring& name, const std::wstring& resourceType, uint32_t mask, bool shared) {
    if (manager_ != nullptr) {
        manager_->AddImage(name, resourceType, mask, false, shared);
    }
}

void CLayoutBuilder::AddFont(int id, const FontRequest& font, bool isDefault, bool shared) {
    if (manager_ == nullptr) {
        return;
    }
    manager_->AddFont(id, font, shared);
    if (isDefault) {
        manager_->SetDefaultFont(font, shared);
    }
}

void CLayoutBuilder::AddDefaultAttributeList(const std::wstring& element, const std::wstring& list, bool shared) {
    if (manager_ != nullptr) {
        manager_->AddDefaultAttributeList(element, list, shared);
    }
}

bool CLayoutBuilder::HasWindow() {
    return manager_ != nullptr && manager_->GetPaintWindow() != nullptr;
}

void CLayoutBuilder::SetWindowAttribute(const std::wstring& name, const std::wstring& value) {
    manager_->SetWindowAttribute(name, value);
}

LayoutControl CLayoutBuilder::CreateControl(const wchar_t* className, const wchar_t* elementName) {
    CControlUI* control = className != nullptr ? CControlFactory::Create(className) : nullptr;
    if (control == nullptr) {
        control = CControlFactory::CreateFromPlugins(elementName);
    }
    if (control == nullptr && callback_ != nullptr) {
        control = callback_->CreateControl(elementName);
    }
    return control;
}

LayoutAddResult CLayoutBuilder::AddChild(LayoutControl parent, LayoutControl child, bool cover) {
    CControlUI* container = AsControl(parent);
    if (cover) {
        container->SetCover(AsControl(child));
        return LayoutAddResult::Added;
    }
    auto* items = static_cast<IContainerUI*>(container->GetInterface(L"IContainer"));
    if (items == nullptr) {
        return LayoutAddResult::NoContainer;
    }
    return items->Add(AsControl(child)) ? LayoutAddResult::Added : LayoutAddResult::Failed;
}

void CLayoutBuilder::DeleteControl(LayoutControl control) {
    AsControl(control)->Delete();
}

bool CLayoutBuilder::BeginAttributes(LayoutControl control, const wchar_t* elementName) {
    if (manager_ == nullptr) {
        return false;
    }
    CControlUI* target = AsControl(control);
    target->SetManager(manager_, target->GetParent(), false);
    const std::wstring defaults = manager_->GetDefaultAttributeList(elementName);
    if (!defaults.empty()) {
        target->SetAttributeList(defaults);
    }
    return true;
}

void CLayoutBuilder::SetAttribute(LayoutControl control, const wchar_t* name, const wchar_t* value) {
    AsControl(control)->SetAttribute(name, value);
}

void CLayoutBuilder::EndAttributes(LayoutControl control) {
    CControlUI* target = AsControl(control);
    target->SetManager(nullptr, target->GetParent(), false);
}

bool CLayoutBuilder::LoadInclude(const std::wstring& source, CLayoutMarkup& markup) {
    if (fromResource_) {
        std::vector<uint8_t> bytes;
        const wchar_t* type = resourceType_.empty() ? nullptr : resourceType_.c_str();
        return type != nullptr &&
               UIManagerGlobals::ReadResourceBytes(MAKEINTRESOURCEW(_wtoi(source.c_str())), type, bytes) &&
               markup.LoadFromMem(bytes.data(), bytes.size(), MarkupEncoding::Utf8);
    }
    return markup.LoadFromFile(source, MarkupEncoding::Utf8);
}
