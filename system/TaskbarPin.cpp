#include "system/TaskbarPin.h"

#include <windows.h>
#include <oleauto.h>
#include <shldisp.h>
#include <shlobj.h>

#include "system/ProductNames.h"
#include "system/ShellLink.h"
#include "util/ComPtr.h"
#include "util/FileUtil.h"
#include "util/UniqueHandle.h"

namespace {

// {13709620-C279-11CE-A49E-444553540000}, the shell automation object.
constexpr CLSID kShellAutomationClsid = {0x13709620, 0xC279, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

constexpr REGSAM kVerbAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;
constexpr size_t kMaxClassIdLength = 260;

// A BSTR in a VARIANT, freed with it.
class BstrVariant {
  public:
    explicit BstrVariant(const std::wstring& text) {
        ::VariantInit(&value_);
        value_.vt = VT_BSTR;
        value_.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    ~BstrVariant() { ::VariantClear(&value_); }
    BstrVariant(const BstrVariant&) = delete;
    BstrVariant& operator=(const BstrVariant&) = delete;
    [[nodiscard]] bool ok() const { return value_.bstrVal != nullptr; }
    [[nodiscard]] const VARIANT& get() const { return value_; }

  private:
    VARIANT value_;
};

class ShellAutomationInvoker final : public IShellVerbInvoker {
  public:
    bool InvokeVerb(const std::wstring& folderPath, const std::wstring& itemName, const std::wstring& verb) override {
        ScopedComInit com;
        ComPtr<IShellDispatch> shell;
        if (FAILED(::CoCreateInstance(kShellAutomationClsid, nullptr, CLSCTX_SERVER, __uuidof(IShellDispatch),
                                      shell.put_void()))) {
            return false;
        }
        BstrVariant folderName(folderPath);
        ComPtr<Folder> folder;
        // The shell may answer success without a folder for a path it does not know.
        if (!folderName.ok() || FAILED(shell->NameSpace(folderName.get(), folder.put())) || !folder) {
            return false;
        }
        BstrVariant name(itemName);
        ComPtr<FolderItem> item;
        if (!name.ok() || FAILED(folder->ParseName(name.get().bstrVal, item.put())) || !item) {
            return false;
        }
        BstrVariant verbName(verb);
        return verbName.ok() && SUCCEEDED(item->InvokeVerb(verbName.get()));
    }
};

ShellAutomationInvoker g_shellInvoker;
IShellVerbInvoker* g_invoker = &g_shellInvoker;

// The handler's class identifier, as text; false when the system has no pin command.
bool ReadPinHandlerClassId(const wchar_t* sourceKey, std::wstring& classId) {
    UniqueRegKey source;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, sourceKey, 0, KEY_READ, source.put()) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t buffer[kMaxClassIdLength] = {};
    DWORD type = 0;
    DWORD bytes = sizeof(buffer);
    if (::RegQueryValueExW(source.get(), kPinHandlerValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) !=
        ERROR_SUCCESS) {
        return false;
    }
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes % sizeof(wchar_t) != 0) {
        return false;
    }
    // Stored data need not be terminated; only a terminated string is trusted.
    const size_t count = bytes / sizeof(wchar_t);
    if (count == 0 || buffer[count - 1] != L'\0') {
        return false;
    }
    classId = buffer;
    return !classId.empty();
}

// Deletes the whole verb key in one call, so no leftover subkey can keep it alive.
void RemoveTemporaryVerb() {
    UniqueRegKey parent;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kTemporaryVerbParentKey, 0, kVerbAccess | DELETE, parent.put()) ==
        ERROR_SUCCESS) {
        ::RegDeleteTreeW(parent.get(), kTemporaryVerbName);
    }
}

class TemporaryVerbRemover {
  public:
    TemporaryVerbRemover() = default;
    ~TemporaryVerbRemover() { RemoveTemporaryVerb(); }
    TemporaryVerbRemover(const TemporaryVerbRemover&) = delete;
    TemporaryVerbRemover& operator=(const TemporaryVerbRemover&) = delete;
};

bool WriteTemporaryVerb(const std::wstring& classId) {
    const std::wstring path = std::wstring(kTemporaryVerbParentKey) + L"\\" + kTemporaryVerbName;
    UniqueRegKey verb;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kVerbAccess, nullptr,
                          verb.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const DWORD bytes = static_cast<DWORD>((classId.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(verb.get(), kPinHandlerValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(classId.c_str()),
                            bytes) == ERROR_SUCCESS;
}

}  // namespace

void SetShellVerbInvoker(IShellVerbInvoker* invoker) {
    g_invoker = invoker ? invoker : &g_shellInvoker;
}

namespace {

bool InvokeBorrowedCommand(const wchar_t* sourceKey, const std::wstring& folderPath, const std::wstring& itemName) {
    std::wstring classId;
    if (!ReadPinHandlerClassId(sourceKey, classId)) {
        return false;
    }
    const TemporaryVerbRemover remover;
    if (!WriteTemporaryVerb(classId)) {
        return false;
    }
    return g_invoker->InvokeVerb(folderPath, itemName, kTemporaryVerbName);
}

}  // namespace

bool PinToTaskbar(const std::wstring& folderPath, const std::wstring& itemName) {
    return InvokeBorrowedCommand(kPinCommandSourceKey, folderPath, itemName);
}

std::wstring GetPinnedShortcutFolder() {
    wchar_t appData[MAX_PATH] = {};
    if (::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData) != S_OK) {
        return std::wstring();
    }
    return std::wstring(appData) + L"\\Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar";
}

bool IsClientPinned() {
    const std::wstring folder = GetPinnedShortcutFolder();
    return !folder.empty() && FileExists(folder + L"\\" + kShortcutFileName);
}

bool UnpinClientFromTaskbar() {
    const std::wstring folder = GetPinnedShortcutFolder();
    return !folder.empty() && InvokeBorrowedCommand(kUnpinCommandSourceKey, folder, kShortcutFileName);
}

bool PinClientToTaskbar(const std::wstring& installedDir, const std::wstring& desktopShortcutPath) {
    std::wstring link = desktopShortcutPath;
    // A link made here only to be pinned goes again: the pin keeps a copy of its own, and
    // the user who cleared the desktop option wants no link lying about.
    std::wstring madeForPin;
    if (link.empty() || !FileExists(link)) {
        link = installedDir + L"\\" + kShortcutFileName;
        if (!CreateShellLink(installedDir + L"\\" + kClientExeName, link)) {
            return false;
        }
        madeForPin = link;
    }
    const size_t separator = link.find_last_of(L"\\/");
    const bool pinned =
        separator != std::wstring::npos && PinToTaskbar(link.substr(0, separator), link.substr(separator + 1));
    if (!madeForPin.empty()) {
        ::DeleteFileW(madeForPin.c_str());
    }
    return pinned;
}
