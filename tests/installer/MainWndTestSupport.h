#pragma once
// A main window under test: real skin, real manager and controls, with the seams that
// would show a box, end the process, sleep or start the worker replaced by recorders.

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "installer/MainWnd.h"
#include "installer/ShellActions.h"

struct ShellRequest {
    std::wstring file;
    std::wstring parameters;
    std::wstring workDir;
    int showCommand = 0;
};

class RecordingShell : public IShellActions {
  public:
    void OpenLink(const std::wstring& url, int showCommand) override {
        links.push_back(ShellRequest{url, L"", L"", showCommand});
    }
    void Start(const std::wstring& program,
               const std::wstring& parameters,
               const std::wstring& workDir,
               int showCommand) override {
        started.push_back(ShellRequest{program, parameters, workDir, showCommand});
    }
    std::wstring BrowseForFolder(const std::wstring& title) override {
        browseTitles.push_back(title);
        return browseAnswer;
    }
    std::vector<ShellRequest> links;
    std::vector<ShellRequest> started;
    std::vector<std::wstring> browseTitles;
    std::wstring browseAnswer;
};

// What the window asked of its seams.
struct WindowRecord {
    std::vector<MessageBoxRequest> boxes;
    std::deque<UINT> answers;  // given to the boxes in order; 0 when none is left
    std::vector<UINT> exits;
    std::vector<std::wstring> workerDirs;
    uint32_t locale = 0x0804;
    std::wstring installerDir = L"C:\\users\\tester\\Downloads\\";
    // What the check of the folders above the target finds; nothing by default.
    std::optional<std::wstring> replaceableAncestor;
    std::vector<std::wstring> ancestorChecks;
};

class MainWndHarness {
  public:
    MainWndHarness();
    ~MainWndHarness();

    // Creates the window as the installer does and waits for its set-up.
    bool Open();
    void Close();

    template <typename T>
    T* Find(const wchar_t* name) {
        return dynamic_cast<T*>(window->Manager().FindControl(name));
    }
    void Click(const wchar_t* name);
    int Page();
    SIZE ClientSize();
    HWND hwnd() { return window->GetHWND(); }

    WindowRecord record;
    // When set, starts the worker in place of the recorder (which still records the folder).
    std::function<bool(IInstallHost& host, const std::wstring& dir)> startWorker;
    RecordingShell shell;
    std::wstring logDir;
    // The window's install services; its worker start is replaced, so they only exist.
    std::unique_ptr<InstallServices> services;
    std::unique_ptr<CMainWnd> window;
};
