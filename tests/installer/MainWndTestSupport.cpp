#include "MainWndTestSupport.h"

#include "WindowDriver.h"
#include "engine/InstallServices.h"
#include "installer/WindowIdentity.h"
#include "toolkit/TabLayoutUI.h"
#include "util/WriteLogFile.h"

MainWndHarness::MainWndHarness() {
    WindowDriver::UseProductSkin();
    SetShellActions(&shell);
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    logDir = std::wstring(temp) + L"varloWindowTest\\";
    ::CreateDirectoryW(logDir.c_str(), nullptr);
    services = std::make_unique<InstallServices>(logDir);
}

MainWndHarness::~MainWndHarness() {
    Close();
    SetShellActions(nullptr);
}

bool MainWndHarness::Open() {
    MainWndSeams seams;
    seams.showBox = [this](HWND, const MessageBoxRequest& request) {
        record.boxes.push_back(request);
        if (record.answers.empty()) {
            return 0u;
        }
        const UINT answer = record.answers.front();
        record.answers.pop_front();
        return answer;
    };
    seams.endProcess = [this](UINT code) { record.exits.push_back(code); };
    seams.userLocale = [this] { return record.locale; };
    seams.installerDirectory = [this] { return record.installerDir; };
    seams.replaceableAncestor = [this](const std::wstring& target) {
        record.ancestorChecks.push_back(target);
        return record.replaceableAncestor;
    };
    seams.startWorker = [this](IInstallHost& host, const std::wstring& dir) {
        record.workerDirs.push_back(dir);
        return startWorker ? startWorker(host, dir) : true;
    };
    window = std::make_unique<CMainWnd>(::GetModuleHandleW(nullptr), *services, std::move(seams));
    if (window->Create(nullptr, kMainWindowTitle, WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0, 0) ==
        nullptr) {
        return false;
    }
    window->CenterWindow();
    // Set up once the window has laid itself out: a proposed directory, or a refusal box.
    const size_t boxesBefore = record.boxes.size();
    return WindowDriver::PumpUntil(
        [this, boxesBefore] { return !window->GetInstallDir().empty() || record.boxes.size() > boxesBefore; });
}

void MainWndHarness::Close() {
    if (window && ::IsWindow(window->GetHWND())) {
        ::DestroyWindow(window->GetHWND());
    }
    window.reset();
}

void MainWndHarness::Click(const wchar_t* name) {
    WindowDriver::Click(hwnd(), window->Manager(), name);
}

int MainWndHarness::Page() {
    auto* tab = Find<CTabLayoutUI>(L"child_page_tab");
    return tab != nullptr ? tab->GetCurSel() : -1;
}

SIZE MainWndHarness::ClientSize() {
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    return SIZE{client.right, client.bottom};
}
