#include "toolkit/ControlFactory.h"

#include <map>
#include <vector>

namespace {

std::map<std::wstring, CControlFactory::Constructor>& Constructors() {
    static std::map<std::wstring, CControlFactory::Constructor> table;
    return table;
}

std::vector<CControlFactory::Plugin>& Plugins() {
    static std::vector<CControlFactory::Plugin> plugins;
    return plugins;
}

}  // namespace

void CControlFactory::Register(const std::wstring& className, Constructor constructor) {
    Constructors()[className] = std::move(constructor);
}

void CControlFactory::Unregister(const std::wstring& className) {
    Constructors().erase(className);
}

bool CControlFactory::IsRegistered(const std::wstring& className) {
    return Constructors().count(className) != 0;
}

void CControlFactory::RegisterPlugin(Plugin plugin) {
    Plugins().push_back(std::move(plugin));
}

void CControlFactory::RemoveAllPlugins() {
    Plugins().clear();
}

CControlUI* CControlFactory::Create(const std::wstring& className) {
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
