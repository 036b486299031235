#include "installer/ShellActions.h"

#include <windows.h>

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "util/ComPtr.h"
#include "util/ProcessUtil.h"
#include "util/WriteLogFile.h"

namespace {

// The flags the dialog always had: file-system folders only, nothing below the domain,
// an edit box, the resizable dialog with its "new folder" button.
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
constexpr size_t kBrowsePathCapacity = 1024;
constexpr wchar_t kLogSource[] = L".\\MainWnd";

class ScopedBstr {
  public:
    explicit ScopedBstr(const std::wstring& text) : value_(::SysAllocStringLen(text.data(), UINT(text.size()))) {}
    ~ScopedBstr() { ::SysFreeString(value_); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    [[nodiscard]] BSTR get() const { return value_; }

  private:
    BSTR value_;
};

// The desktop's shell view, asked for its application object; that object's ShellExecute
// runs in the shell's own process.
bool DesktopShellExecute(const std::wstring& target, int showCommand) {
    ComPtr<IShellWindows> windows;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IShellWindows),
                                  windows.put_void()))) {
        return false;
    }
    VARIANT none;
    ::VariantInit(&none);
    long hwnd = 0;
    ComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&none, &none, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, desktop.put()) != S_OK || !desktop) {
        return false;
    }
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(desktop.As(services)) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, __uuidof(IShellBrowser), browser.put_void())) ||
        FAILED(browser->QueryActiveShellView(view.put())) || !view ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch), background.put_void())) ||
        FAILED(background.As(folderView)) || FAILED(folderView->get_Application(application.put())) || !application ||
        FAILED(application.As(shell))) {
        return false;
    }
    ScopedBstr file(target);
    ScopedBstr verb(L"open");
    VARIANT arguments, directory, operation, show;
    ::VariantInit(&arguments);
    ::VariantInit(&directory);
    ::VariantInit(&operation);
    ::VariantInit(&show);
    operation.vt = VT_BSTR;
    operation.bstrVal = verb.get();
    show.vt = VT_I4;
    show.lVal = showCommand;
    return SUCCEEDED(shell->ShellExecute(file.get(), arguments, directory, operation, show));
}

class SystemShell : public IShellActions {
  public:
    void OpenLink(const std::wstring& url, int showCommand) override {
        const LinkRoute route = OpenLinkUnelevated(url, showCommand, SystemLinkOpeners());
        g_logFile.WriteLog(kLogSource, __LINE__, L"打开网页[%s]:%s", url.c_str(),
                           route == LinkRoute::DesktopShell ? L"桌面外壳" : L"没有桌面外壳可用,未打开");
    }

    void Start(const std::wstring& program,
               const std::wstring& parameters,
               const std::wstring& workDir,
               int showCommand) override {
        ::ShellExecuteW(nullptr, L"open", program.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                        workDir.empty() ? nullptr : workDir.c_str(), showCommand);
    }

    std::wstring BrowseForFolder(const std::wstring& title) override {
        BROWSEINFOW info{};
        info.lpszTitle = title.c_str();
        info.ulFlags = kBrowseFlags;
        PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&info);
        if (item == nullptr) {
            return {};
        }
        wchar_t path[kBrowsePathCapacity] = {};
        const bool got = ::SHGetPathFromIDListEx(item, path, kBrowsePathCapacity, GPFIDL_DEFAULT) != FALSE;
        ::CoTaskMemFree(item);
        return got ? std::wstring(path) : std::wstring();
    }
};

SystemShell g_systemShell;
IShellActions* g_actions = &g_systemShell;

}  // namespace

IShellActions& ShellActions() {
    return *g_actions;
}

void SetShellActions(IShellActions* actions) {
    g_actions = actions != nullptr ? actions : &g_systemShell;
}

LinkOpeners SystemLinkOpeners() {
    return LinkOpeners{&DesktopShellExecute};
}

LinkRoute OpenLinkUnelevated(const std::wstring& url, int showCommand, const LinkOpeners& openers) {
    if (openers.desktopShell != nullptr && openers.desktopShell(url, showCommand)) {
        return LinkRoute::DesktopShell;
    }
    return LinkRoute::NotOpened;
}
