#pragma once
// The installer's main window: a borderless skinned window laid out by "main.xml", with
// four pages (main, custom, progress, finished) in "child_page_tab". It reacts to its
// controls' notifications, starts the one install engine and shows its progress, and hosts
// that engine (IInstallHost: each report is posted to the UI thread).

#include <memory>
#include <optional>
#include <string>

#include "engine/InstallHost.h"
#include "installer/MainWndSeams.h"
#include "installer/UiChannel.h"
#include "engine/InstallEngine.h"
#include "engine/InstallWorker.h"
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

    // IInstallHost (engine thread): posted to the UI thread, never waited for.
    void OnStage(InstallStage stage) override;
    void OnEnd(const InstallResult& result) override;

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
    // The install's end as the window took it; nothing until it has ended.
    [[nodiscard]] const std::optional<InstallResult>& GetResult() const { return result_; }
    [[nodiscard]] bool IsInstallStarted() const { return phase_ != Phase::Choosing; }

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
    // The typed folder decided, its questions asked; false when the install does not go on.
    bool DecideFolder(const TextPair& holdsFilesQuestion);
    // A question with "确定" and "取消": true for "确定".
    bool Ask(const TextPair& question);
    void OnAgreementChanged(COptionUI* sender);
    void ConfirmClose();
    void OnProgressTick();
    void ApplyStage(InstallStage stage);
    void OnInstallEnded(const InstallResult& result);
    // The finished page, once the install has succeeded and the bar has reached the end.
    void FinishWhenShown();
    bool LaunchWorker();
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

    HINSTANCE instance_;
    MainWndSeams seams_;
    CUIManager manager_;
    std::wstring installDir_;

    // Opened when the window is made; every report of the engine comes through it.
    CUiChannel channel_;
    // UI thread only, like everything below.
    std::optional<InstallResult> result_;

    InstallServices& services_;
    // The options as the user sets them, shared with the engine that reads them at their
    // steps.
    std::shared_ptr<InstallChoices> choices_ = std::make_shared<InstallChoices>();

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

    // The window's life: choosing a folder, installing, then finished or failed (a box), and
    // leaving once the process is on its way out. It only moves forward.
    enum class Phase { Choosing, Installing, Finished, Failed, Leaving };
    Phase phase_ = Phase::Choosing;
    int progress_ = 0;
    int stage_ = 1;
    bool simplified_ = true;
    // The user's "确定" to the question about a folder others can replace; handed to the engine.
    bool acceptedReplaceable_ = false;
    bool progressShown_ = false;
    // Last, so it goes first: its thread reports to the members above until it has left.
    std::unique_ptr<InstallEngine> engine_;
};

// Creates, centres and runs the main window modally; returns when it is destroyed.
void RunMainWindow(HINSTANCE instance, InstallServices& services);
