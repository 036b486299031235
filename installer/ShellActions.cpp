#include "installer/ShellActions.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

// The flags the dialog always had: file-system folders only, nothing below the domain,
// an edit box, the resizable dialog with its "new folder" button.
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
constexpr size_t kBrowsePathCapacity = 1024;

class SystemShell : public IShellActions {
  public:
    void Open(const std::wstring& file, const std::wstring& parameters, int showCommand) override {
        ::ShellExecuteW(nullptr, L"open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                        showCommand);
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
