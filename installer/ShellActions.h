#pragma once
// What the window asks of the shell: opening a page or a program, and the folder dialog.
// One seam, so tests record the requests instead of starting browsers and dialogs.

#include <string>

class IShellActions {
  public:
    virtual ~IShellActions() = default;
    // The shell verb "open" on `file` (a web address or a program), without a working
    // directory; not awaited, failures are not reported.
    virtual void Open(const std::wstring& file, const std::wstring& parameters, int showCommand) = 0;
    // The system folder dialog; the chosen folder, or empty when it was cancelled.
    virtual std::wstring BrowseForFolder(const std::wstring& title) = 0;
};

IShellActions& ShellActions();
// Null restores the shell. Tests only.
void SetShellActions(IShellActions* actions);
