#pragma once
// What the window asks of the shell: opening a web page, starting the installed client,
// and the folder dialog. One seam, so tests record the requests instead of starting
// browsers and dialogs.

#include <string>

class IShellActions {
  public:
    virtual ~IShellActions() = default;
    // A web page, in the desktop user's own browser and without the installer's rights
    // (OpenLinkUnelevated); not awaited, failures are not reported.
    virtual void OpenLink(const std::wstring& url, int showCommand) = 0;
    // The shell verb "open" on a program, with the installer's rights, started in
    // `workDir`; not awaited, failures are not reported.
    virtual void Start(const std::wstring& program,
                       const std::wstring& parameters,
                       const std::wstring& workDir,
                       int showCommand) = 0;
    // The system folder dialog; the chosen folder, or empty when it was cancelled.
    virtual std::wstring BrowseForFolder(const std::wstring& title) = 0;
};

IShellActions& ShellActions();
// Null restores the shell. Tests only.
void SetShellActions(IShellActions* actions);

// How a link was opened.
enum class LinkRoute {
    DesktopShell,  // by the desktop's own shell: the user's browser, with the user's rights
    NotOpened,
};

// The way to open a link; true when the request was accepted.
struct LinkOpeners {
    bool (*desktopShell)(const std::wstring& target, int showCommand);
};

// The shell window of the desktop runs unelevated, as the signed-in user: a link handed to
// it opens there. When no desktop shell answers (no shell running, or one that offers no
// such request) the link is not opened at all: this process opening it itself would
// follow the user's own class registrations with administrator rights.
LinkOpeners SystemLinkOpeners();
LinkRoute OpenLinkUnelevated(const std::wstring& url, int showCommand, const LinkOpeners& openers);
