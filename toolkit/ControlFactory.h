#pragma once
// Which C++ class a layout element becomes. The layout vocabulary maps element names to
// class names ("VBox" -> "VerticalLayout"); this registry maps class names to
// constructors. It knows no class of its own: the toolkit's are registered when it starts
// (RegisterControlClasses), so containers can ask it for parts without depending on every
// control. Element names the vocabulary does not know can be claimed by plug-in factories.

#include <functional>
#include <string>

class CControlUI;

class CControlFactory {
  public:
    using Constructor = std::function<CControlUI*()>;
    using Plugin = std::function<CControlUI*(const wchar_t* elementName)>;

    // Replaces an earlier constructor of the same class name.
    static void Register(const std::wstring& className, Constructor constructor);
    static void Unregister(const std::wstring& className);
    [[nodiscard]] static bool IsRegistered(const std::wstring& className);
    // Asked in registration order for elements the vocabulary has no class for.
    static void RegisterPlugin(Plugin plugin);
    static void RemoveAllPlugins();

    // A new control of that class, or null when nobody registered it.
    [[nodiscard]] static CControlUI* Create(const std::wstring& className);
    [[nodiscard]] static CControlUI* CreateFromPlugins(const wchar_t* elementName);
};
