#pragma once
// What the install worker may ask of the installer window, and nothing more. The worker
// never touches a control, a toolkit timer or the window's strings: every operation here
// is safe to call from the worker thread; those that change the window only post a
// request that the UI thread carries out in the order it was made.

#include <string>

// The transfer itself decides when a download has stalled, and the sequence reports it like
// any failure: a host keeps no watch of its own.
class IInstallHost {
  public:
    virtual ~IInstallHost() = default;

    // Stage n of the install: the UI thread stores it and re-sets the progress timer with
    // 300 / n ms; then the worker waits one second (through the host, so tests need not).
    virtual void SetStage(int stage) = 0;
    // A fatal error: the UI thread shows one error box with `text` and ends the installer.
    virtual void PostInstallError(const std::wstring& text) = 0;

    // The three install options as the UI thread keeps them current, read at their step.
    [[nodiscard]] virtual bool WantsDesktopShortcut() const = 0;
    [[nodiscard]] virtual bool WantsTaskbarPin() const = 0;
    [[nodiscard]] virtual bool WantsAutostart() const = 0;

    // What the install leaves for the finished page and the uninstall entry; read by the
    // UI thread only after the finished page is shown.
    virtual void SetInstalledDir(const std::wstring& dir) = 0;
    virtual void SetDesktopShortcutPath(const std::wstring& path) = 0;
};
