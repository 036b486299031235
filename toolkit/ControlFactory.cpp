#include "toolkit/ControlFactory.h"

#include "toolkit/ContainerUI.h"
#include "toolkit/ControlClasses.h"
#include "toolkit/HorizontalLayoutUI.h"
#include "toolkit/TabLayoutUI.h"
#include "toolkit/VerticalLayoutUI.h"

#include <map>
#include <vector>

namespace {

std::map<std::wstring, CControlFactory::Constructor>& Constructors() {
    static std::map<std::wstring, CControlFactory::Constructor> table;
    return table;
}

// The classes of this library are there before anyone asks.
void EnsureCoreClasses() {
    static const bool done = [] {
        CControlFactory::RegisterCoreClasses();
        return true;
    }();
    (void)done;
}

std::vector<CControlFactory::Plugin>& Plugins() {
    static std::vector<CControlFactory::Plugin> plugins;
    return plugins;
}

}  // namespace

void CControlFactory::Register(const std::wstring& className, Constructor constructor) {
    EnsureCoreClasses();
    Constructors()[className] = std::move(constructor);
}

void CControlFactory::Unregister(const std::wstring& className) {
    EnsureCoreClasses();
    Constructors().erase(className);
}

bool CControlFactory::IsRegistered(const std::wstring& className) {
    EnsureCoreClasses();
    return Constructors().count(className) != 0;
}

void CControlFactory::RegisterPlugin(Plugin plugin) {
    Plugins().push_back(std::move(plugin));
}

void CControlFactory::RemoveAllPlugins() {
    Plugins().clear();
}

CControlUI* CControlFactory::Create(const std::wstring& className) {
    EnsureCoreClasses();
    const auto it = Constructors().find(className);
    return it != Constructors().end() && it->second ? it->second() : nullptr;
}

CControlUI* CControlFactory::CreateFromPlugins(const wchar_t* elementName) {
    for (const Plugin& plugin : Plugins()) {
        if (CControlUI* control = plugin(elementName)) {
            return control;
        }
    }
    return nullptr;
}

// Writes to the table directly: it runs inside EnsureCoreClasses.
void CControlFactory::RegisterCoreClasses() {
    auto& table = Constructors();
    table[L"Control"] = [] { return new CControlUI; };
    table[L"Container"] = [] { return new CContainerUI; };
    table[L"VerticalLayout"] = [] { return new CVerticalLayoutUI; };
    table[L"HorizontalLayout"] = [] { return new CHorizontalLayoutUI; };
    table[L"TabLayout"] = [] { return new CTabLayoutUI; };
    for (auto& entry : ControlClassTable()) {
        table[entry.first] = std::move(entry.second);
    }
}
