// Calls into every system DLL the product loads on demand, the way the product itself links
// and starts (delay-loaded, resolved from System32, search restricted first), so a test can run it in a folder full of
// planted DLLs of the same names. "--load-by-name NAME" instead loads NAME the careless way
// (LoadLibraryW with the default search order): the test's proof that a planted DLL would run.
#include <winsock2.h>
#include <windows.h>

#include <bcrypt.h>
#include <commctrl.h>
#include <iphlpapi.h>
#include <wincrypt.h>
#include <winldap.h>

#include <cstdio>
#include <cwchar>
#include <initializer_list>
#include <string>

#include "util/SystemDll.h"

extern "C" int WINAPI GdipCreateMatrix(void** matrix);  // gdiplus' flat API; its headers are C++ only

namespace {

int Report(const char* what, bool ok) {
    std::printf("%-28s %s\n", what, ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wcscmp(argv[1], L"--load-by-name") == 0) {
        return ::LoadLibraryW(argv[2]) != nullptr ? 0 : 1;
    }
    // As setup.exe does first thing: system DLLs that load others by name at run time
    // (comctl32 its theme library, msftedit its engine) must find them in System32 too.
    RestrictDllSearchToSystem32();
    int failures = 0;
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    std::wstring ntdll = std::wstring(system) + L"\\ntdll.dll";
    DWORD ignored = 0;
    failures += Report("version GetFileVersionInfoSizeW", ::GetFileVersionInfoSizeW(ntdll.c_str(), &ignored) > 0);

    ULONG size = 0;
    failures += Report("iphlpapi GetAdaptersAddresses",
                       ::GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, nullptr, &size) == ERROR_BUFFER_OVERFLOW);

    HCERTSTORE store = ::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    failures += Report("crypt32 CertOpenStore", store != nullptr);
    if (store != nullptr) {
        ::CertCloseStore(store, 0);
    }

    unsigned char random[16] = {};
    failures +=
        Report("bcrypt BCryptGenRandom",
               BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, random, sizeof(random), BCRYPT_USE_SYSTEM_PREFERRED_RNG)));

    failures += Report("wldap32 ldap_err2stringW", ::ldap_err2stringW(LDAP_SUCCESS) != nullptr);

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
    failures += Report("comctl32 InitCommonControlsEx", ::InitCommonControlsEx(&controls) != FALSE);

    // Only that the call resolves matters here; without a device context both refuse.
    TRIVERTEX vertex[2] = {};
    GRADIENT_RECT rect = {0, 1};
    failures +=
        Report("msimg32 GradientFill", ::GradientFill(nullptr, vertex, 2, &rect, 1, GRADIENT_FILL_RECT_H) == FALSE);
    void* matrix = nullptr;
    const int status = GdipCreateMatrix(&matrix);
    failures += Report("gdiplus GdipCreateMatrix", status != 0 || matrix != nullptr);

    // Loaded by name at run time by the window toolkit.
    for (const wchar_t* name : {L"gdiplus.dll", L"msimg32.dll", L"msftedit.dll"}) {
        char what[64];
        std::snprintf(what, sizeof(what), "LoadSystemLibrary %ls", name);
        failures += Report(what, LoadSystemLibrary(name) != nullptr);
    }
    return failures;
}
