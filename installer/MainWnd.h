#pragma once
// The installer's main window: a borderless skinned window laid out by "main.xml", with
// four pages (main, custom, progress, finished) in "child_page_tab". It reacts to its
// controls' notifications, starts the one install worker and shows its progress, and is
// the worker's only way to the screen (IInstallHost: every call from the worker is
// posted to the UI thread).

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "installer/InstallHost.h"
#include "installer/MainWndSeams.h"
#include "installer/UiChannel.h"
#include "installer/InstallEngine.h"
#include "system/LocalSettings.h"
#include "toolkit/INotifyUI.h"
#include "toolkit/UIManager.h"
#include "toolkit/WindowWnd.h"

class CButtonUI;
class CComboUI;
class CControlUI;
class CEditUI;
class CLabelUI;
class COptionUI;
class CProgressUI;
class CTabLayoutUI;
class InstallServices;
struct TextPair;

// Custom messages of the main window.
inline constexpr UINT UM_TRAY = WM_USER + 1000;
inline constexpr UINT UM_FINISHED = WM_USER + 1002;
inline constexpr UINT UM_QUIT = WM_USER + 1003;

// The install's timer hangs on the progress bar "setup_process".
inline constexpr UINT TIMER_PROGRESS = 100;

// Pages of "child_page_tab".
enum MainPage { kPageMain = 0, kPageCustom = 1, kPageProgress = 2, kPageFinished = 3 };

class CMainWnd : public CWindowWnd, public INotifyUI, public IInstallHost {
  public:
    // `services` run the install (unless the seams start it); they outlive the window.
    CMainWnd(HINSTANCE instance, InstallServices& services, MainWndSeams seams = {});
    ~CMainWnd() override;

    void Notify(NotifyMessage& msg) override;

    // IInstallHost (worker thread)
    void SetStage(int stage) override;
    void PostInstallError(const std::wstring& text) override;
    bool WantsDesktopShortcut() const override { return wantDesktopShortcut_; }
    bool WantsTaskbarPin() const override { return wantTaskbarPin_; }
    bool WantsAutostart() const override { return wantAutostart_; }
    void SetInstalledDir(const std::wstring& dir) override;
    void SetDesktopShortcutPath(const std::wstring& path) override;

    // UI thread.
    void ApplyLanguageTexts(bool simplified);
    void SetExpanded(bool expanded);
    void StartInstall();
    void ExitInstaller();
    void ShowErrorAndExit(const std::wstring& text);

    [[nodiscard]] CUIManager& Manager() { return manager_; }
    [[nodiscard]] bool IsSimplified() const { return simplified_; }
    [[nodiscard]] int GetStage() const { return stage_; }
    [[nodiscard]] int GetProgress() const { return progress_; }
    [[nodiscard]] std::wstring GetInstallDir() const { return installDir_; }
    [[nodiscard]] std::wstring GetInstalledDir() const;
    [[nodiscard]] std::wstring GetDesktopShortcutPath() const;
    [[nodiscard]] bool IsInstallStarted() const { return installStarted_; }

  protected:
    const wchar_t* GetWindowClassName() const override;
    UINT GetClassStyle() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The rounded region follows the window's size.
    virtual void OnSize(WPARAM wParam, LPARAM lParam);

  private:
    LRESULT OnCreate();
    LRESULT OnNcHitTest(LPARAM lParam);
    void OnTray(LPARAM mouseMessage);
    void OnEnterKey();
    void OnClick(CControlUI* sender);
    void InitWindow();
    bool CheckInstallerLocation();
    void ProposeInstallDir();
    void BrowseInstallDir();
    bool ConfirmTargetDir(const TextPair& question);
    bool ConfirmSafeLocation();
    void OnAgreementChanged(COptionUI* sender);
    void ConfirmClose();
    void OnProgressTick();
    void ApplyStage(int stage);
    bool LaunchWorker();
    // The path field as the install will use it; false (after saying so) when it is none.
    bool TakeTypedPath();
    void ShowProgressPage();
    void SaveLanguageNow();
    // The language combo, read and set without a selection notification.
    void SelectLanguageItem(int item);
    [[nodiscard]] int GetSelectedLanguageItem() const;
    void SetPathText(const std::wstring& path);
    UINT ShowBox(const std::wstring& title,
                 const std::wstring& text,
                 int buttons,
                 const std::wstring& okText,
                 const std::wstring& cancelText);
    void EndProcess();
    [[nodiscard]] bool IsInstallRunning() const;

    HINSTANCE instance_;
    MainWndSeams seams_;
    CUIManager manager_;
    std::wstring installDir_;

    mutable std::mutex resultsLock_;
    // Opened when the window is made; every report of the worker comes through it.
    CUiChannel channel_;
    std::wstring installedDir_;
    std::wstring desktopShortcutPath_;

    InstallServices& services_;
    // Set when the installer ends: the stage pauses stop waiting.
    std::atomic<bool> leaving_{false};

    CEditUI* pathEdit_ = nullptr;
    COptionUI* powerUpOpt_ = nullptr;
    COptionUI* agreeOpt_ = nullptr;
    COptionUI* agreeOpt1_ = nullptr;
    COptionUI* fastStartBarOpt_ = nullptr;
    COptionUI* desktopIconOpt_ = nullptr;
    CButtonUI* installBtn_ = nullptr;
    CButtonUI* installBtn1_ = nullptr;
    CTabLayoutUI* pageTab_ = nullptr;
    CProgressUI* progressBar_ = nullptr;
    CLabelUI* progressTip_ = nullptr;
    CComboUI* langCombo_ = nullptr;
    CLabelUI* spaceLine_ = nullptr;
    CControlUI* rootLayout_ = nullptr;

    int progress_ = 0;
    std::atomic<int> stage_{1};
    bool simplified_ = true;
    // The user's "确定" to the question about a folder others can replace; handed to the worker.
    bool acceptedReplaceable_ = false;
    bool installStarted_ = false;
    bool progressShown_ = false;
    bool exiting_ = false;
    bool errorShown_ = false;
    std::atomic<bool> finished_{false};
    std::atomic<bool> wantDesktopShortcut_{false};
    std::atomic<bool> wantTaskbarPin_{false};
    std::atomic<bool> wantAutostart_{false};
    // Last, so it goes first: its thread reports to the members above until it has left.
    std::unique_ptr<InstallEngine> engine_;
};

// Creates, centres and runs the main window modally; returns when it is destroyed.
void RunMainWindow(HINSTANCE instance, InstallServices& services);
