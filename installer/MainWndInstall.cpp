// The main window's side of the install: the engine's reports (each posted to the UI
// thread), the progress ticks, the error box and the end.
#include "installer/MainWnd.h"

#include <cwchar>
#include <utility>

#include "engine/InstallEngine.h"
#include "engine/InstallServices.h"
#include "installer/InstallPacing.h"
#include "system/LanguageChoice.h"
#include "installer/ProgressModel.h"
#include "installer/WindowIdentity.h"
#include "installer/WindowTexts.h"
#include "toolkit/EditUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/ProgressUI.h"
#include "util/WriteLogFile.h"

// ---- engine thread ----------------------------------------------------------------------

void CMainWnd::OnStage(InstallStage stage) {
    channel_.Post([this, stage] { ApplyStage(stage); });
}

void CMainWnd::OnEnd(const InstallResult& result) {
    channel_.Post([this, result] { OnInstallEnded(result); });
}

// ---- UI thread --------------------------------------------------------------------------

void CMainWnd::ApplyStage(InstallStage stage) {
    stage_ = static_cast<int>(stage);
    if (progressBar_ == nullptr) {
        return;
    }
    manager_.KillTimer(progressBar_, TIMER_PROGRESS);
    manager_.SetTimer(progressBar_, TIMER_PROGRESS, ProgressTimerPeriodMs(stage_) / CurrentInstallPacing().barSpeedUp);
}

void CMainWnd::OnInstallEnded(const InstallResult& result) {
    result_ = result;
    if (const TextPair* text = OutcomeText(result.outcome)) {
        ShowErrorAndExit(text->Pick(simplified_));
        return;
    }
    FinishWhenShown();
}

void CMainWnd::FinishWhenShown() {
    // Both must have come, in either order: the end, and the bar at its end.
    if (phase_ != Phase::Installing || !result_ || result_->outcome != InstallOutcome::Installed ||
        progress_ < kProgressComplete) {
        return;
    }
    phase_ = Phase::Finished;
    PostMessage(UM_FINISHED);
}

void CMainWnd::OnProgressTick() {
    progress_ = NextProgress(stage_, progress_);
    progressBar_->SetValue(progress_);
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"%d%%", progress_);
    progressTip_->SetText(text);
    if (progress_ >= kProgressComplete) {
        manager_.KillTimer(progressBar_, TIMER_PROGRESS);
        FinishWhenShown();
    }
}

void CMainWnd::ShowErrorAndExit(const std::wstring& text) {
    // One box is enough, and none once the installer is on its way out.
    if (phase_ == Phase::Failed || phase_ == Phase::Leaving) {
        return;
    }
    phase_ = Phase::Failed;
    if (progressBar_ != nullptr) {
        manager_.KillTimer(progressBar_, TIMER_PROGRESS);
    }
    (void)ShowBox(texts::kBoxTitle.Pick(simplified_), text, 2, texts::kOk.Pick(simplified_),
                  texts::kOpenHomePage.Pick(simplified_));
    ExitInstaller();
    EndProcess();
}

void CMainWnd::ExitInstaller() {
    phase_ = Phase::Leaving;
    // The window is not hidden first: the process ends right after the wait, which takes
    // the window with it, while hiding can itself take longer than the whole wait (the
    // system may animate it, or wait for the desktop to confirm it). Until then it takes
    // no input.
    ::EnableWindow(*this, FALSE);
    if (engine_ && !engine_->Stop(kWorkerStopWaitMs)) {
        // The worker may hold any lock (the log's, the heap's, the loader's): nothing here
        // may wait for one, and the process ends without running anybody's clean-up.
        g_logFile.TryWriteLogText(L".\\MainWnd", __LINE__, L"安装线程未能及时退出，进程直接结束");
        seams_.endProcessNow(0);
        return;
    }
    Close(0);
}

UINT CMainWnd::ShowBox(const std::wstring& title,
                       const std::wstring& text,
                       int buttons,
                       const std::wstring& okText,
                       const std::wstring& cancelText) {
    MessageBoxRequest request;
    request.title = title;
    request.text = text;
    request.buttons = buttons;
    request.okText = okText;
    request.cancelText = cancelText;
    return seams_.showBox(*this, request);
}

void CMainWnd::EndProcess() {
    seams_.endProcess(0);
}

bool CMainWnd::LaunchWorker() {
    phase_ = Phase::Installing;
    // The folder is fixed from here on: the worker, the finished page and the language
    // file all use the one it was started with.
    pathEdit_->SetEnabled(false);
    if (CControlUI* browse = manager_.FindControl(L"selected_path_btn"); browse != nullptr) {
        browse->SetEnabled(false);
    }
    if (seams_.startWorker) {
        return seams_.startWorker(*this, installDir_);
    }
    InstallJob job;
    job.targetDir = installDir_;
    job.logDir = services_.LogDir();
    job.choices = choices_;
    job.stagePauseMs = CurrentInstallPacing().stagePauseMs;
    job.languageCode = RequestLanguageForItem(GetSelectedLanguageItem());
    job.acceptReplaceable = acceptedReplaceable_;
    job.replaceableLocation = seams_.replaceableAncestor;
    // One install per window: a second start is refused by the engine already running.
    if (!engine_) {
        engine_ = std::make_unique<InstallEngine>(services_, *this);
    }
    return engine_->Start(std::move(job));
}

void RunMainWindow(HINSTANCE instance, InstallServices& services) {
    CMainWnd window(instance, services);
    if (window.Create(nullptr, kMainWindowTitle, WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0, 0) ==
        nullptr) {
        return;
    }
    window.CenterWindow();
    window.ShowModal();
}
