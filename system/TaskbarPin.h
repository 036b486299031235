#pragma once
// Pinning the client to the taskbar. There is no public interface for it: the shell's own
// pin command handler is borrowed for a moment as a context-menu verb for all files,
// invoked on the shortcut, and the verb is removed again.

#include <string>

// Runs a context-menu verb on the shell item `itemName` in `folderPath`.
class IShellVerbInvoker {
  public:
    virtual ~IShellVerbInvoker() = default;
    virtual bool InvokeVerb(const std::wstring& folderPath, const std::wstring& itemName, const std::wstring& verb) = 0;
};

// Null restores the shell automation object. Tests only.
void SetShellVerbInvoker(IShellVerbInvoker* invoker);

inline constexpr wchar_t kPinCommandSourceKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CommandStore\\shell\\Windows.taskbarpin";
inline constexpr wchar_t kUnpinCommandSourceKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CommandStore\\shell\\Windows.taskbarunpin";
inline constexpr wchar_t kPinHandlerValue[] = L"ExplorerCommandHandler";
inline constexpr wchar_t kTemporaryVerbParentKey[] = L"SOFTWARE\\Classes\\*\\shell";
inline constexpr wchar_t kTemporaryVerbName[] = L"{:}";

// Pins `itemName` found in `folderPath`. Nothing happens on a system without the pin
// command handler. Once the temporary verb key has been created it is removed again,
// with everything below it, whatever happened in between. True when the verb ran.
bool PinToTaskbar(const std::wstring& folderPath, const std::wstring& itemName);

// Pins the shortcut this install made: the desktop shortcut when there is one, otherwise
// a shortcut "Varlo加速器.lnk" made beside the client in `installedDir` for the purpose and
// removed again once the pin has run.
bool PinClientToTaskbar(const std::wstring& installedDir, const std::wstring& desktopShortcutPath);

// The folder in which the shell keeps the current user's pinned shortcuts; empty when the
// user has no application data folder.
std::wstring GetPinnedShortcutFolder();
// The client's shortcut is pinned for the current user.
[[nodiscard]] bool IsClientPinned();
// Takes the client's shortcut off the taskbar with the shell's own unpin command, borrowed
// the same way. True when the verb ran.
bool UnpinClientFromTaskbar();
