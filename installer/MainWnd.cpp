#include "installer/MainWnd.h"

#include <utility>

#include "core/Endpoints.h"
#include "installer/CaptionHitTest.h"
#include "engine/InstallDirRules.h"
#include "engine/InstallFolders.h"
#include "engine/InstallServices.h"
#include "installer/InstallPacing.h"
#include "installer/ProgressModel.h"
#include "installer/ShellActions.h"
#include "installer/WindowIdentity.h"
#include "installer/WindowTexts.h"
#include "system/LanguageChoice.h"
#include "system/ProductNames.h"
#include "system/UninstallRegistration.h"
#include "toolkit/ButtonUI.h"
#include "toolkit/ComboUI.h"
#include "toolkit/EditUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/LayoutBuilder.h"
#include "toolkit/OptionUI.h"
#include "toolkit/ProgressUI.h"
#include "toolkit/TabLayoutUI.h"
#include "util/FileUtil.h"
#include "util/MachineInfo.h"
#include "util/ProcessUtil.h"
#include "util/RegistryUtil.h"
#include "util/WriteLogFile.h"

namespace {

constexpr UINT kWindowIconId = 101;
constexpr SIZE kCompactSize{800, 430};
constexpr SIZE kExpandedSize{800, 550};
constexpr wchar_t kCompactBackground[] = L"file='bkimage/main_bk.png' source='0,0,800,430'";
constexpr wchar_t kExpandedBackground[] = L"file='bkimage/main_bk.png' source='0,0,800,550'";
constexpr UINT kMenuShow = 101;
constexpr UINT kMenuExit = 100;
constexpr wchar_t kClientStartParameter[] = L"-install";

template <typename T>
T* FindAs(CUIManager& manager, const wchar_t* name) {
    return dynamic_cast<T*>(manager.FindControl(name));
}

}  // namespace

CMainWnd::CMainWnd(HINSTANCE instance, InstallServices& services, MainWndSeams seams)
    : instance_(instance), seams_(std::move(seams)), services_(services) {
    seams_.FillDefaults();
}

CMainWnd::~CMainWnd() = default;

const wchar_t* CMainWnd::GetWindowClassName() const {
    return kMainWindowClass;
}

UINT CMainWnd::GetClassStyle() const {
    return CS_DBLCLKS;
}

// ---- messages ---------------------------------------------------------------------------

LRESULT CMainWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate();
        case WM_SIZE:
            OnSize(wParam, lParam);
            break;  // the manager lays the controls out for the new size
        case WM_NCCALCSIZE:
            return 0;
        case WM_NCHITTEST:
            return OnNcHitTest(lParam);
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                OnEnterKey();
                return 0;
            }
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                ShowWindow(false);
                return 0;
            }
            if ((wParam & 0xFFF0) == SC_KEYMENU) {
                return 0;
            }
            return ::DefWindowProcW(*this, message, wParam, lParam);
        case WM_DESTROY:
            channel_.Close();
            break;
        case WM_CLOSE:
            // Closing from outside while the engine still reports to this window, or while
            // its error box is up, would pull the window from under them: end the way a
            // confirmed close does.
            if (phase_ == Phase::Installing || phase_ == Phase::Failed) {
                ExitInstaller();
                EndProcess();
                return 0;
            }
            break;
        case UM_TRAY:
            OnTray(lParam);
            return 0;
        case UM_FINISHED:
            pageTab_->SelectItem(kPageFinished, false);
            SaveLanguageNow();
            return 0;
        case UM_QUIT:
            ExitInstaller();
            return 0;
        default:
            if (message == UM_CHANNEL) {
                channel_.Drain();
                return 0;
            }
            break;
    }
    LRESULT result = 0;
    if (manager_.MessageHandler(message, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

LRESULT CMainWnd::OnCreate() {
    // Fixed for the window's life: the worker never reads the handle itself.
    channel_.Open(*this);
    LONG_PTR style = ::GetWindowLongPtrW(*this, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME);
    style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    ::SetWindowLongPtrW(*this, GWL_STYLE, style);
    manager_.Init(*this);
    // The custom page's height is the largest the window gets; on a small screen at a high
    // DPI the whole window is drawn smaller so that it still fits.
    manager_.SetScaleFit(kExpandedSize);
    CLayoutBuilder builder;
    CControlUI* root = builder.Create(L"main.xml", nullptr, nullptr, &manager_, nullptr);
    manager_.AttachRoot(root);
    manager_.AddNotifier(this);
    return 0;
}

LRESULT CMainWnd::OnNcHitTest(LPARAM lParam) {
    return CaptionHitTest(*this, manager_, lParam, {L"Button", L"Option", L"Combo"});
}

void CMainWnd::OnSize(WPARAM wParam, LPARAM) {
    const SIZE corner = manager_.GetRoundCorner();
    if (wParam == SIZE_MINIMIZED || ::IsIconic(*this) || (corner.cx == 0 && corner.cy == 0)) {
        return;
    }
    RECT window{};
    ::GetWindowRect(*this, &window);
    ::OffsetRect(&window, -window.left, -window.top);
    HRGN region = ::CreateRoundRectRgn(0, 0, window.right + 1, window.bottom + 1, corner.cx, corner.cy);
    // On success the system owns the region.
    if (region != nullptr && ::SetWindowRgn(*this, region, TRUE) == 0) {
        ::DeleteObject(region);
    }
}

void CMainWnd::OnTray(LPARAM mouseMessage) {
    switch (mouseMessage) {
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
            ShowWindow(true, true);
            ::BringWindowToTop(*this);
            ::SetForegroundWindow(*this);
            return;
        case WM_RBUTTONDOWN: {
            POINT cursor{};
            ::GetCursorPos(&cursor);
            HMENU menu = ::CreatePopupMenu();
            if (menu == nullptr) {
                return;
            }
            ::AppendMenuW(menu, MF_STRING, kMenuShow, texts::kMenuShow.Pick(simplified_));
            ::AppendMenuW(menu, MF_STRING, kMenuExit, texts::kMenuExit.Pick(simplified_));
            ::SetForegroundWindow(*this);
            const UINT chosen =
                static_cast<UINT>(::TrackPopupMenu(menu, TPM_RETURNCMD, cursor.x, cursor.y, 0, *this, nullptr));
            ::DestroyMenu(menu);
            if (chosen == kMenuShow) {
                ShowWindow(true, true);
                ::SetForegroundWindow(*this);
            } else if (chosen == kMenuExit) {
                ExitInstaller();
            }
            return;
        }
        default:
            return;
    }
}

// ---- window set-up ----------------------------------------------------------------------

void CMainWnd::InitWindow() {
    const int item = DetectLanguageItem(seams_.userLocale());
    SelectLanguageItem(item);
    simplified_ = item == kLanguageItemSimplified;
    SetIcon(kWindowIconId);
    RaiseWindow(*this);
    if (!CheckInstallerLocation()) {
        return;
    }
    ProposeInstallDir();

    agreeOpt_ = FindAs<COptionUI>(manager_, L"agree_opt");
    agreeOpt1_ = FindAs<COptionUI>(manager_, L"agree_opt1");
    powerUpOpt_ = FindAs<COptionUI>(manager_, L"power_up_opt");
    powerUpOpt_->Selected(true, true);
    installBtn_ = FindAs<CButtonUI>(manager_, L"immediate_install_btn");
    installBtn1_ = FindAs<CButtonUI>(manager_, L"immediate_install_btn1");
    pageTab_ = FindAs<CTabLayoutUI>(manager_, L"child_page_tab");
    fastStartBarOpt_ = FindAs<COptionUI>(manager_, L"fast_start_bar_opt");
    desktopIconOpt_ = FindAs<COptionUI>(manager_, L"create_desktop_icon_opt");
    progressBar_ = FindAs<CProgressUI>(manager_, L"setup_process");
    rootLayout_ = manager_.FindControl(L"win_vert_layout");
    spaceLine_ = FindAs<CLabelUI>(manager_, L"space_line_lab");
    desktopIconOpt_->Selected(true, true);
    progressBar_->SetMinValue(0);
    progressBar_->SetMaxValue(100);
    progressBar_->SetValue(0);
    progressTip_ = FindAs<CLabelUI>(manager_, L"progress_tip_lab");
    langCombo_ = FindAs<CComboUI>(manager_, L"lang_select_combo");
    ApplyLanguageTexts(langCombo_->GetCurSel() == 0);
    choices_->desktopShortcut = desktopIconOpt_->IsSelected();
    choices_->taskbarPin = fastStartBarOpt_->IsSelected();
    choices_->autostart = powerUpOpt_->IsSelected();

    services_.Prepare();
}

bool CMainWnd::CheckInstallerLocation() {
    if (!IsFavoritesLocation(seams_.installerDirectory())) {
        return true;
    }
    (void)ShowBox(kMainWindowTitle, texts::kFavoritesRefused.Pick(simplified_), 1, texts::kOk.simplified,
                  texts::kCancel.simplified);
    PostMessage(UM_QUIT);
    return false;
}

void CMainWnd::SetPathText(const std::wstring& path) {
    pathEdit_->SetText(path);
    pathEdit_->SetToolTip(path);
}

void CMainWnd::ProposeInstallDir() {
    pathEdit_ = FindAs<CEditUI>(manager_, L"path_edit");
    SetPathText(ProposedInstallDir());
    installDir_ = pathEdit_->GetText();
}

void CMainWnd::BrowseInstallDir() {
    if (IsInstallStarted()) {
        return;
    }
    std::wstring path = ShellActions().BrowseForFolder(texts::kFolderDialogTitle.Pick(simplified_));
    if (path.empty()) {
        return;
    }
    // A drive root comes back with its separator; the client still gets its own folder.
    while (!path.empty() && path.back() == L'\\') {
        path.pop_back();
    }
    installDir_ = path + kOwnFolderSuffix;
    SetPathText(installDir_);
}

// The folder decision as questions: the path must name a folder; a folder above the
// target that other users can replace is asked about first (the client installed there
// later runs with administrator rights), then a folder that already holds files.
bool CMainWnd::DecideFolder(const TextPair& holdsFilesQuestion) {
    const FolderDecision decision = DecideInstallFolder(pathEdit_->GetText(), seams_.replaceableAncestor);
    if (decision.usable.empty()) {
        (void)ShowBox(texts::kBoxTitle.Pick(simplified_), texts::kInvalidPath.Pick(simplified_), 1,
                      texts::kOk.Pick(simplified_), texts::kCancel.Pick(simplified_));
        return false;
    }
    installDir_ = decision.usable;
    if (decision.replaceable) {
        const TextPair& question = decision.TargetIsReplaceable() ? texts::kTargetShared : texts::kParentReplaceable;
        acceptedReplaceable_ = Ask(question);
        if (!acceptedReplaceable_) {
            return false;
        }
    }
    if (decision.holdsFiles) {
        if (!Ask(holdsFilesQuestion)) {
            return false;
        }
        installDir_ = decision.target;
    }
    return true;
}

bool CMainWnd::Ask(const TextPair& question) {
    return ShowBox(texts::kBoxTitle.Pick(simplified_), question.Pick(simplified_), 2, texts::kOk.Pick(simplified_),
                   texts::kCancel.Pick(simplified_)) != kMessageBoxCancel;
}

// ---- language ---------------------------------------------------------------------------

void CMainWnd::SelectLanguageItem(int item) {
    if (CComboUI* combo = FindAs<CComboUI>(manager_, L"lang_select_combo")) {
        combo->SelectItem(item, false, false);
    }
}

int CMainWnd::GetSelectedLanguageItem() const {
    auto* combo = dynamic_cast<CComboUI*>(manager_.FindControl(L"lang_select_combo"));
    return combo != nullptr ? combo->GetCurSel() : 0;
}

void CMainWnd::ApplyLanguageTexts(bool simplified) {
    simplified_ = simplified;
    for (auto tableOf : {LanguageTable, SkinLabelTable}) {
        size_t count = 0;
        const ControlText* table = tableOf(count);
        for (size_t i = 0; i < count; ++i) {
            const ControlText& line = table[i];
            CControlUI* control = manager_.FindControl(line.control);
            if (control == nullptr) {
                continue;
            }
            if (line.property == TextProperty::ToolTip) {
                control->SetToolTip(line.text.Pick(simplified));
            } else {
                control->SetText(line.text.Pick(simplified));
            }
        }
    }
}

void CMainWnd::SaveLanguageNow() {
    if (result_) {
        (void)WriteLanguageSetting(result_->installedDir, GetSelectedLanguageItem());
    }
}

// ---- notifications ----------------------------------------------------------------------

void CMainWnd::Notify(NotifyMessage& msg) {
    if (msg.type == L"windowinit") {
        InitWindow();
        return;
    }
    if (msg.sender == nullptr) {
        return;
    }
    if (msg.type == L"click") {
        OnClick(msg.sender);
    } else if (msg.type == L"itemselect") {
        if (msg.sender == langCombo_) {
            ApplyLanguageTexts(langCombo_->GetCurSel() == 0);
        }
    } else if (msg.type == L"selectchanged") {
        if (msg.sender == agreeOpt_ || msg.sender == agreeOpt1_) {
            OnAgreementChanged(static_cast<COptionUI*>(msg.sender));
        } else if (msg.sender == desktopIconOpt_) {
            choices_->desktopShortcut = desktopIconOpt_->IsSelected();
        } else if (msg.sender == fastStartBarOpt_) {
            choices_->taskbarPin = fastStartBarOpt_->IsSelected();
        } else if (msg.sender == powerUpOpt_) {
            choices_->autostart = powerUpOpt_->IsSelected();
        }
    } else if (msg.type == L"textchanged") {
        if (msg.sender->GetName() == L"path_edit") {
            msg.sender->SetToolTip(msg.sender->GetText());
        }
    } else if (msg.type == L"timer") {
        if (msg.wParam == TIMER_PROGRESS) {
            OnProgressTick();
        }
    }
}

void CMainWnd::OnClick(CControlUI* sender) {
    const std::wstring& name = sender->GetName();
    if (name == L"close_btn") {
        if (pageTab_ != nullptr && pageTab_->GetCurSel() == kPageFinished) {
            ExitInstaller();
            EndProcess();
        } else {
            ConfirmClose();
        }
    } else if (name == L"min_btn") {
        ::ShowWindow(*this, SW_MINIMIZE);
    } else if (name == L"selected_path_btn") {
        BrowseInstallDir();
    } else if (name == L"self_install_btn") {
        pageTab_->SelectItem(kPageCustom, false);
        SetExpanded(true);
        // The page's own "自定义" stands where the pressed one stood: the focus stays there.
        manager_.SetFocusNeeded(manager_.FindControl(L"return_btn"));
    } else if (name == L"immediate_install_btn" || name == L"immediate_install_btn1") {
        StartInstall();
    } else if (name == L"show_policy_btn" || name == L"show_policy_btn1") {
        ShellActions().OpenLink(AgreementUrl(), SW_SHOWNORMAL);
    } else if (name == L"return_btn") {
        pageTab_->SelectItem(kPageMain, false);
        SetExpanded(false);
        manager_.SetFocusNeeded(manager_.FindControl(L"self_install_btn"));
    } else if (name == L"immediate_startup_btn") {
        const std::wstring installed = result_ ? result_->installedDir : std::wstring();
        ShellActions().Start(installed + L"\\" + kClientExeName, kClientStartParameter, installed, SW_SHOWNORMAL);
        ExitInstaller();
        EndProcess();
    }
}

void CMainWnd::OnAgreementChanged(COptionUI* sender) {
    COptionUI* other = sender == agreeOpt_ ? agreeOpt1_ : agreeOpt_;
    const bool accepted = sender->IsSelected();
    if (other != nullptr) {
        other->Selected(accepted, false);
    }
    const std::wstring tip = accepted ? std::wstring() : texts::kAgreementNeeded.Pick(simplified_);
    for (CButtonUI* button : {installBtn_, installBtn1_}) {
        button->SetEnabled(accepted);
        button->SetToolTip(tip);
    }
}

void CMainWnd::ConfirmClose() {
    const UINT answer = ShowBox(texts::kBoxTitle.Pick(simplified_), texts::kConfirmClose.Pick(simplified_), 2,
                                texts::kOk.Pick(simplified_), texts::kCancel.Pick(simplified_));
    if (answer == kMessageBoxOk) {
        ExitInstaller();
        EndProcess();
    }
}

void CMainWnd::SetExpanded(bool expanded) {
    const SIZE size = manager_.Scale(expanded ? kExpandedSize : kCompactSize);
    ResizeClient(size.cx, size.cy);
    spaceLine_->SetVisible(expanded);
    rootLayout_->SetBkImage(expanded ? kExpandedBackground : kCompactBackground);
}

// ---- the install ------------------------------------------------------------------------

void CMainWnd::StartInstall() {
    if (IsInstallStarted()) {
        // Started with Enter: the buttons show the install that runs, never a second one.
        ShowProgressPage();
        return;
    }
    if (!DecideFolder(texts::kTargetHoldsFiles)) {
        return;
    }
    // The language goes into the folder only once the install has succeeded (the finished
    // page): a file written here would stay in a folder a failed install must leave as it was.
    ShowProgressPage();
    if (!LaunchWorker()) {
        ShowErrorAndExit(texts::kWorkerNotStarted.Pick(simplified_));
    }
}

void CMainWnd::OnEnterKey() {
    // One install per process, and never without the agreement.
    if (IsInstallStarted() || agreeOpt_ == nullptr || !agreeOpt_->IsSelected()) {
        return;
    }
    if (!DecideFolder(texts::kTargetHoldsFilesEnter)) {
        return;
    }
    if (!LaunchWorker()) {
        ShowErrorAndExit(texts::kWorkerNotStarted.Pick(simplified_));
    }
}

void CMainWnd::ShowProgressPage() {
    if (progressShown_) {
        return;
    }
    progressShown_ = true;
    langCombo_->SetVisible(false);
    pageTab_->SelectItem(kPageProgress, false);
    manager_.SetTimer(progressBar_, TIMER_PROGRESS, kProgressBasePeriodMs / CurrentInstallPacing().barSpeedUp);
    SetExpanded(false);
}
