#include "tools/skin_preview/PreviewWnd.h"

#include "installer/WindowTexts.h"
#include "toolkit/ComboUI.h"
#include "toolkit/ControlUI.h"
#include "toolkit/LayoutBuilder.h"
#include "toolkit/OptionUI.h"
#include "toolkit/ProgressUI.h"
#include "toolkit/TabLayoutUI.h"

#include <cstdio>
#include <string>

namespace {

// Every control a click-driven test may look for, the window's own ones and the skin's.
const wchar_t* const kNamedControls[] = {
    L"win_vert_layout",
    L"child_page_tab",
    L"space_line_lab",
    L"title_lab",
    L"hero_title_lab",
    L"hero_sub_lab",
    L"logo_lab",
    L"logo_small_lab",
    L"lang_select_combo",
    L"min_btn",
    L"close_btn",
    L"immediate_install_btn",
    L"agree_opt",
    L"show_policy_lab",
    L"show_policy_btn",
    L"self_install_btn",
    L"immediate_install_btn1",
    L"agree_opt1",
    L"agree_lab1",
    L"show_policy_btn1",
    L"return_btn",
    L"setup_path_lab",
    L"path_edit",
    L"selected_path_btn",
    L"create_desktop_icon_opt",
    L"fast_start_bar_opt",
    L"power_up_opt",
    L"progress_tip_lab_desc",
    L"progress_tip_lab",
    L"setup_process",
    L"immediate_startup_btn",
    L"finish_tip_lab",
};

}  // namespace

LRESULT CPreviewWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        manager_.Init(GetHWND());
        CLayoutBuilder builder;
        CControlUI* root = builder.Create(L"main.xml", nullptr, nullptr, &manager_, nullptr);
        built_ = root != nullptr;
        if (root != nullptr) {
            manager_.AttachRoot(root);
        }
        manager_.AddNotifier(this);
        return 0;
    }
    if (message == WM_SIZE) {
        const SIZE corner = manager_.GetRoundCorner();
        if (wParam != SIZE_MINIMIZED && (corner.cx != 0 || corner.cy != 0)) {
            RECT rc;
            ::GetWindowRect(GetHWND(), &rc);
            ::OffsetRect(&rc, -rc.left, -rc.top);
            HRGN region = ::CreateRoundRectRgn(rc.left, rc.top, rc.right + 1, rc.bottom + 1, corner.cx, corner.cy);
            ::SetWindowRgn(GetHWND(), region, TRUE);
        }
    }
    if (message == WM_NCCALCSIZE) {
        return 0;
    }
    LRESULT result = 0;
    if (manager_.MessageHandler(message, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CPreviewWnd::OnFinalMessage(HWND) {
    ::PostQuitMessage(0);
}

void CPreviewWnd::Notify(NotifyMessage& msg) {
    if (msg.type == L"windowinit") {
        ApplyState();
    } else if (msg.type == L"timer" && msg.wParam == 1) {
        // One layout pass after the state change, then the rectangles are final.
        manager_.KillTimer(msg.sender, 1);
        WritePositions();
    }
}

void CPreviewWnd::ApplyState() {
    auto* tab = static_cast<CTabLayoutUI*>(manager_.FindControl(L"child_page_tab"));
    tab->SelectItem(state_.page, false);
    const bool expanded = state_.page == 1;
    ResizeClient(800, expanded ? 550 : 430);
    manager_.FindControl(L"space_line_lab")->SetVisible(expanded);
    manager_.FindControl(L"win_vert_layout")
        ->SetBkImage(expanded ? L"file='bkimage/main_bk.png' source='0,0,800,550'"
                              : L"file='bkimage/main_bk.png' source='0,0,800,430'");
    if (state_.agreed) {
        for (const wchar_t* name : {L"agree_opt", L"agree_opt1"}) {
            static_cast<COptionUI*>(manager_.FindControl(name))->Selected(true, false);
        }
        for (const wchar_t* name : {L"immediate_install_btn", L"immediate_install_btn1"}) {
            manager_.FindControl(name)->SetEnabled(true);
        }
    }
    static_cast<COptionUI*>(manager_.FindControl(L"create_desktop_icon_opt"))->Selected(true, false);
    static_cast<COptionUI*>(manager_.FindControl(L"power_up_opt"))->Selected(true, false);
    manager_.FindControl(L"path_edit")->SetText(L"C:\\Program Files (x86)\\Varlo");
    if (state_.progress >= 0) {
        static_cast<CProgressUI*>(manager_.FindControl(L"setup_process"))->SetValue(state_.progress);
        manager_.FindControl(L"progress_tip_lab")->SetText(std::to_wstring(state_.progress) + L"%");
    }
    if (state_.traditional) {
        ApplyTraditionalTexts();
        static_cast<CComboUI*>(manager_.FindControl(L"lang_select_combo"))->SelectItem(1, false, false);
    }
    // An install hides the language choice.
    manager_.FindControl(L"lang_select_combo")->SetVisible(state_.page < 2);
    if (!state_.positionsFile.empty()) {
        manager_.SetTimer(tab, 1, 300);
    }
}

// The installer's own tables, so the preview shows the texts it will really set. Only the
// visible texts: a tooltip shows on no still picture.
void CPreviewWnd::ApplyTraditionalTexts() {
    for (auto tableOf : {LanguageTable, SkinLabelTable}) {
        size_t count = 0;
        const ControlText* table = tableOf(count);
        for (size_t i = 0; i < count; ++i) {
            const ControlText& line = table[i];
            CControlUI* control = manager_.FindControl(line.control);
            if (line.property == TextProperty::Text && control != nullptr) {
                control->SetText(line.text.traditional);
            }
        }
    }
}

void CPreviewWnd::WritePositions() const {
    FILE* out = _wfopen(state_.positionsFile.c_str(), L"w");
    if (out == nullptr) {
        return;
    }
    for (const wchar_t* name : kNamedControls) {
        const CControlUI* control = manager_.FindControl(name);
        if (control == nullptr || !control->IsVisible()) {
            continue;
        }
        const RECT& rc = control->GetPos();
        std::fprintf(out, "%ls %d %ld %ld %ld %ld\n", name, state_.page, rc.left, rc.top, rc.right - rc.left,
                     rc.bottom - rc.top);
    }
    std::fclose(out);
}
