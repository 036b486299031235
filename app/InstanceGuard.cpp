#include "app/InstanceGuard.h"

#include <sddl.h>

namespace {

constexpr wchar_t kBoundaryName[] = L"VarloSetupBoundary";
constexpr wchar_t kNamespaceAlias[] = L"VarloSetup";
// Only SYSTEM and Administrators may open the namespace or the names inside it.
constexpr wchar_t kNamespaceSddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

using CreateBoundaryFn = HANDLE(WINAPI*)(LPCWSTR, ULONG);
using AddSidFn = BOOL(WINAPI*)(HANDLE*, PSID);
using CreateNamespaceFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
using OpenNamespaceFn = HANDLE(WINAPI*)(LPVOID, LPCWSTR);
using DeleteBoundaryFn = VOID(WINAPI*)(HANDLE);

struct NamespaceCalls {
    CreateBoundaryFn createBoundary = nullptr;
    AddSidFn addSid = nullptr;
    CreateNamespaceFn createNamespace = nullptr;
    OpenNamespaceFn openNamespace = nullptr;
    DeleteBoundaryFn deleteBoundary = nullptr;
    [[nodiscard]] bool complete() const {
        return createBoundary && addSid && createNamespace && openNamespace && deleteBoundary;
    }
};

template <typename Fn>
Fn Find(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// Looked up rather than imported: Wine does not offer them, and the exe must still load there.
NamespaceCalls FindNamespaceCalls() {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    NamespaceCalls calls;
    calls.createBoundary = Find<CreateBoundaryFn>(kernel, "CreateBoundaryDescriptorW");
    calls.addSid = Find<AddSidFn>(kernel, "AddSIDToBoundaryDescriptor");
    calls.createNamespace = Find<CreateNamespaceFn>(kernel, "CreatePrivateNamespaceW");
    calls.openNamespace = Find<OpenNamespaceFn>(kernel, "OpenPrivateNamespaceW");
    calls.deleteBoundary = Find<DeleteBoundaryFn>(kernel, "DeleteBoundaryDescriptor");
    return calls;
}

std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (; *text != L'\0'; ++text) {
        narrow.push_back(static_cast<char>(*text));  // ASCII only
    }
    return narrow;
}

}  // namespace

GuardNamespace& GuardNamespace::Get() {
    // Lives as long as the process: the names inside are needed until it ends.
    static GuardNamespace* instance = new GuardNamespace();
    return *instance;
}

GuardNamespace::GuardNamespace() {
    const NamespaceCalls calls = FindNamespaceCalls();
    if (!calls.complete()) {
        usable_ = true;  // no private namespaces on this system: the global names
        return;
    }
    boundary_ = calls.createBoundary(kBoundaryName, 0);
    if (boundary_ == nullptr) {
        return;
    }
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(sid);
    if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize) || !calls.addSid(&boundary_, sid)) {
        return;
    }
    PSECURITY_DESCRIPTOR made = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kNamespaceSddl, SDDL_REVISION_1, &made, nullptr)) {
        return;
    }
    UniqueLocal descriptor(made);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), made, FALSE};
    namespace_ = calls.createNamespace(&attributes, boundary_, kNamespaceAlias);
    if (namespace_ == nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another installer made it; its boundary can only have been made by Administrators.
        namespace_ = calls.openNamespace(boundary_, kNamespaceAlias);
    }
    usable_ = private_ = namespace_ != nullptr;
}

std::string GuardNamespace::Qualify(const char* name) const {
    return (private_ ? Narrow(kNamespaceAlias) : std::string("Global")) + "\\" + name;
}

InstanceGuard::InstanceGuard(const char* name) {
    if (name == nullptr) {
        return;  // no guard wanted
    }
    wanted_ = true;
    const GuardNamespace& names = GuardNamespace::Get();
    if (!names.usable()) {
        lastError_ = ERROR_ACCESS_DENIED;
        return;
    }
    // Default security (SYSTEM and Administrators for an elevated process) and a handle
    // children do not inherit.
    handle_.reset(::CreateSemaphoreA(nullptr, 1, 1, names.Qualify(name).c_str()));
    lastError_ = ::GetLastError();
}
