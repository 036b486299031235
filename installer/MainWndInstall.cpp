// The main window's side of the install: what the worker may ask of it (every request
// posted to the UI thread), the progress and stall ticks, the error box and the end.
#include "installer/MainWnd.h"

#include <cwchar>
#include <utility>

#include "installer/InstallEngine.h"
#include "installer/InstallPacing.h"
#include "system/LanguageChoice.h"
#include "installer/ProgressModel.h"
#include "installer/WindowIdentity.h"
#include "installer/WindowTexts.h"
#include "toolkit/EditUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/ProgressUI.h"
#include "util/WriteLogFile.h"

namespace {
constexpr DWORD kStagePauseStepMs = 50;
}  // namespace

// ---- worker thread ----------------------------------------------------------------------

void CMainWnd::SetStage(int stage) {
    stage_ = stage;
    channel_.Post([this, stage] { ApplyStage(stage); });
    // The pause only lets each stage be seen; an install being stopped need not sit it out.
    const DWORD pauseMs = CurrentInstallPacing().stagePauseMs;
    for (DWORD waited = 0; waited < pauseMs && !leaving_.load(); waited += kStagePauseStepMs) {
        seams_.sleep(kStagePauseStepMs);
    }
}

void CMainWnd::PostInstallError(const std::wstring& text) {
    channel_.Post([this, text] { ShowErrorAndExit(text); });
}

void CMainWnd::SetInstalledDir(const std::wstring& dir) {
    std::lock_guard<std::mutex> hold(resultsLock_);
    installedDir_ = dir;
}

void CMainWnd::SetDesktopShortcutPath(const std::wstring& path) {
    std::lock_guard<std::mutex> hold(resultsLock_);
    desktopShortcutPath_ = path;
}

std::wstring CMainWnd::GetInstalledDir() const {
    std::lock_guard<std::mutex> hold(resultsLock_);
    return installedDir_;
}

std::wstring CMainWnd::GetDesktopShortcutPath() const {
    std::lock_guard<std::mutex> hold(resultsLock_);
    return desktopShortcutPath_;
}

// ---- UI thread --------------------------------------------------------------------------

void CMainWnd::ApplyStage(int stage) {
    if (progressBar_ == nullptr) {
        return;
    }
    manager_.KillTimer(progressBar_, TIMER_PROGRESS);
    manager_.SetTimer(progressBar_, TIMER_PROGRESS, ProgressTimerPeriodMs(stage) / CurrentInstallPacing().barSpeedUp);
}

void CMainWnd::OnProgressTick() {
    progress_ = NextProgress(stage_, progress_);
    progressBar_->SetValue(progress_);
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"%d%%", progress_);
    progressTip_->SetText(text);
    if (progress_ >= 100) {
        manager_.KillTimer(progressBar_, TIMER_PROGRESS);
        PostMessage(UM_FINISHED);
    }
}

void CMainWnd::ShowErrorAndExit(const std::wstring& text) {
    // A stall and the worker's own failure can arrive close together: one box is enough.
    if (errorShown_ || exiting_) {
        return;
    }
    errorShown_ = true;
    if (progressBar_ != nullptr) {
        manager_.KillTimer(progressBar_, TIMER_PROGRESS);
    }
    (void)ShowBox(texts::kBoxTitle.Pick(simplified_), text, 2, texts::kOk.Pick(simplified_),
                  texts::kOpenHomePage.Pick(simplified_));
    ExitInstaller();
    EndProcess();
}

void CMainWnd::ExitInstaller() {
    exiting_ = true;
    // The window is not hidden first: the process ends right after the wait, which takes
    // the window with it, while hiding can itself take longer than the whole wait (the
    // system may animate it, or wait for the desktop to confirm it). Until then it takes
    // no input.
    ::EnableWindow(*this, FALSE);
    leaving_ = true;
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
    installStarted_ = true;
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
    job.logDir = g_logDir;
    job.simplified = simplified_;
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
