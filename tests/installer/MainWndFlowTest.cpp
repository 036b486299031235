#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <thread>

#include "MainWndTestSupport.h"
#include "WindowDriver.h"
#include "engine/InstallDirRules.h"
#include "engine/InstallEngine.h"
#include "engine/InstallFolders.h"
#include "installer/WindowTexts.h"
#include "system/UninstallRegistration.h"
#include "toolkit/ButtonUI.h"
#include "toolkit/ComboUI.h"
#include "toolkit/EditUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/ProgressUI.h"
#include "util/ProcessUtil.h"

namespace {

using WindowDriver::PumpUntil;

void WriteFile(const std::wstring& path) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fputs("x", file);
    std::fclose(file);
}

void RegisterEarlierInstall(const std::wstring& uninstallString) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(uninstallString.c_str()),
                     static_cast<DWORD>((uninstallString.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

class MainWndFlowTest : public ::testing::Test {
  protected:
    void SetUp() override { ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0); }
    void TearDown() override { ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0); }

    std::wstring PathText() { return h.Find<CEditUI>(L"path_edit")->GetText(); }
    std::wstring Scratch(const std::wstring& name) {
        const std::wstring dir = h.logDir + name;
        ::CreateDirectoryW(dir.c_str(), nullptr);
        return dir;
    }
    void StartWithDir(const std::wstring& dir) {
        h.Find<CEditUI>(L"path_edit")->SetText(dir);
        h.Click(L"agree_opt");
        h.Click(L"immediate_install_btn");
    }

    MainWndHarness h;
};

TEST_F(MainWndFlowTest, ProposesTheEarlierInstallOrTheDefault) {
    // The 64-bit test prefix has a folder for 32-bit programs of its own.
    const std::wstring fallback = SystemDefaultInstallDir();
    ASSERT_EQ(fallback.substr(1), L":\\Program Files (x86)\\varlo");
    struct Case {
        const wchar_t* registered;  // null: nothing registered
        std::wstring proposed;
    } cases[] = {
        {nullptr, fallback},
        {L"D:\\Games\\varlo\\unins000.exe", L"D:\\Games\\varlo"},
        {L"unins000.exe", fallback},
        {L"", fallback},
        {L"\\\\", fallback},
        // Written in quotes because of the blank: the same folder, without them.
        {L"\"D:\\My Games\\varlo\\unins000.exe\"", L"D:\\My Games\\varlo"},
    };
    for (const Case& c : cases) {
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0);
        if (c.registered != nullptr) {
            RegisterEarlierInstall(c.registered);
        }
        ASSERT_TRUE(h.Open());
        EXPECT_EQ(PathText(), c.proposed) << (c.registered ? c.registered : L"(none)");
        EXPECT_EQ(h.window->GetInstallDir(), c.proposed);
        EXPECT_EQ(h.Find<CEditUI>(L"path_edit")->GetToolTip(), c.proposed);
        h.Close();
    }
    // A directory part too long for the field it always had proposes the default.
    RegisterEarlierInstall(L"C:\\" + std::wstring(1100, L'a') + L"\\unins000.exe");
    ASSERT_TRUE(h.Open());
    EXPECT_EQ(PathText(), fallback);
}

TEST_F(MainWndFlowTest, TargetCheckAsksOnlyForAFolderWithFiles) {
    const std::wstring empty = Scratch(L"empty");
    const std::wstring withFiles = Scratch(L"withFiles");
    WriteFile(withFiles + L"\\readme.txt");
    const std::wstring withClient = Scratch(L"withClient");
    WriteFile(withClient + L"\\vljiasu.exe");
    const std::wstring aFile = h.logDir + L"plain.txt";
    WriteFile(aFile);

    struct Case {
        std::wstring typed;
        UINT answer;
        bool asks;
        bool starts;
        std::wstring target;
    } cases[] = {
        {withClient, 1, true, true, withClient},
        {empty, 1, false, true, empty},
        {h.logDir + L"missing", 1, false, true, h.logDir + L"missing"},
        {aFile, 1, false, true, aFile},  // cannot be searched: used as typed
        {withFiles, 1, true, true, withFiles + L"\\varlo"},
        {withFiles, 0, true, false, L""},
    };
    for (const Case& c : cases) {
        h.record = WindowRecord{};
        h.record.answers = {c.answer};
        ASSERT_TRUE(h.Open());
        StartWithDir(c.typed);
        EXPECT_EQ(h.record.boxes.size(), c.asks ? 1u : 0u) << c.typed;
        if (c.asks && !h.record.boxes.empty()) {
            EXPECT_EQ(h.record.boxes[0].text, L"此路径下已有文件存在，确定继续安装吗");
        }
        ASSERT_EQ(h.record.workerDirs.size(), c.starts ? 1u : 0u) << c.typed;
        if (c.starts) {
            EXPECT_EQ(h.record.workerDirs[0], c.target);
        } else {
            EXPECT_EQ(h.Page(), kPageMain);
        }
        h.Close();
    }
}

// A path that names no folder of its own (relative, drive-relative, rooted on no drive,
// empty) is refused with one box, and the user stays on the page with nothing started.
TEST_F(MainWndFlowTest, PathsThatNameNoFolderAreRefused) {
    for (const wchar_t* typed : {L"varlo", L"D:varlo", L"\\varlo", L"", L"   "}) {
        h.record = WindowRecord{};
        ASSERT_TRUE(h.Open());
        StartWithDir(typed);
        ASSERT_EQ(h.record.boxes.size(), 1u) << typed;
        EXPECT_EQ(h.record.boxes[0].text, L"请选择有效的安装路径") << typed;
        EXPECT_EQ(h.record.boxes[0].buttons, 1);
        EXPECT_TRUE(h.record.workerDirs.empty()) << typed;
        EXPECT_EQ(h.Page(), kPageMain) << typed;
        EXPECT_TRUE(h.record.exits.empty()) << typed;
        h.Close();
    }
}

TEST_F(MainWndFlowTest, EnterAsksItsOwnQuestion) {
    const std::wstring withFiles = Scratch(L"enterFiles");
    WriteFile(withFiles + L"\\readme.txt");
    h.record.locale = 0x0404;
    ASSERT_TRUE(h.Open());
    h.Find<CEditUI>(L"path_edit")->SetText(withFiles);
    h.Click(L"agree_opt");
    h.record.answers = {1};
    ::PostMessageW(h.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
    WindowDriver::Pump(50);
    ASSERT_EQ(h.record.boxes.size(), 1u);
    EXPECT_EQ(h.record.boxes[0].text, L"此路徑下已有文件存在，確定繼續安裝嗎?");
    EXPECT_EQ(h.record.boxes[0].title, L"安裝提示");
    ASSERT_EQ(h.record.workerDirs.size(), 1u);
    EXPECT_EQ(h.record.workerDirs[0], withFiles + L"\\varlo");
}

TEST_F(MainWndFlowTest, AReplaceableParentAsksOnceInTheChosenLanguage) {
    struct Case {
        uint32_t locale;
        bool enterKey;
        UINT answer;
        const wchar_t* text;
    } cases[] = {
        {0x0804, false, 1,
         L"所选位置的上级文件夹可被其他用户修改，安装在此处的程序以管理员权限运行时并不安全。仍要安装到此处吗？"},
        {0x0804, false, 0,
         L"所选位置的上级文件夹可被其他用户修改，安装在此处的程序以管理员权限运行时并不安全。仍要安装到此处吗？"},
        {0x0404, false, 0,
         L"所選位置的上層資料夾可被其他使用者修改，安裝在此處的程式以系統管理員權限執行時並不安全。仍要安裝到此處嗎？"},
        {0x0804, true, 0,
         L"所选位置的上级文件夹可被其他用户修改，安装在此处的程序以管理员权限运行时并不安全。仍要安装到此处吗？"},
        {0x0804, true, 1,
         L"所选位置的上级文件夹可被其他用户修改，安装在此处的程序以管理员权限运行时并不安全。仍要安装到此处吗？"},
    };
    const std::wstring target = h.logDir + L"fresh";
    for (const Case& c : cases) {
        h.record = WindowRecord{};
        h.record.locale = c.locale;
        h.record.replaceableAncestor = L"D:\\Games";
        h.record.answers = {c.answer};
        ASSERT_TRUE(h.Open());
        if (c.enterKey) {
            h.Find<CEditUI>(L"path_edit")->SetText(target);
            h.Click(L"agree_opt");
            ::PostMessageW(h.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
            WindowDriver::Pump(50);
        } else {
            StartWithDir(target);
        }
        ASSERT_EQ(h.record.boxes.size(), 1u);
        EXPECT_EQ(h.record.boxes[0].text, c.text);
        EXPECT_EQ(h.record.boxes[0].buttons, 2);
        EXPECT_EQ(h.record.boxes[0].okText, c.locale == 0x0804 ? L"确定" : L"確定");
        EXPECT_EQ(h.record.boxes[0].cancelText, L"取消");
        EXPECT_EQ(h.record.ancestorChecks, std::vector<std::wstring>{target});
        EXPECT_EQ(h.record.workerDirs.size(), c.answer == 1 ? 1u : 0u);
        if (c.answer == 0) {
            EXPECT_EQ(h.Page(), kPageMain) << "取消 keeps the user on the page";
        }
        h.Close();
    }
    // A folder with files gets "\\varlo": the parents of that folder are the ones checked,
    // and the question about them comes before the one about the files.
    const std::wstring withFiles = Scratch(L"parentFiles");
    WriteFile(withFiles + L"\\readme.txt");
    h.record = WindowRecord{};
    h.record.replaceableAncestor = L"D:\\Games";
    h.record.answers = {1, 1};
    ASSERT_TRUE(h.Open());
    StartWithDir(withFiles);
    ASSERT_EQ(h.record.boxes.size(), 2u);
    EXPECT_EQ(h.record.boxes[0].text, texts::kParentReplaceable.simplified);
    EXPECT_EQ(h.record.boxes[1].text, L"此路径下已有文件存在，确定继续安装吗");
    EXPECT_EQ(h.record.ancestorChecks, std::vector<std::wstring>{withFiles + L"\\varlo"});
    EXPECT_EQ(h.record.workerDirs, std::vector<std::wstring>{withFiles + L"\\varlo"});
    h.Close();

    // Nothing replaceable: no question at all.
    h.record = WindowRecord{};
    ASSERT_TRUE(h.Open());
    StartWithDir(target);
    EXPECT_TRUE(h.record.boxes.empty());
    EXPECT_EQ(h.record.workerDirs.size(), 1u);
}

TEST_F(MainWndFlowTest, FolderDialogAppendsTheClientsOwnFolder) {
    ASSERT_TRUE(h.Open());
    h.Click(L"self_install_btn");
    h.shell.browseAnswer = L"D:\\Tools";
    h.Click(L"selected_path_btn");
    ASSERT_EQ(h.shell.browseTitles.size(), 1u);
    EXPECT_EQ(h.shell.browseTitles[0], L"请选择要安装的路径");
    EXPECT_EQ(PathText(), L"D:\\Tools\\varlo");
    EXPECT_EQ(h.window->GetInstallDir(), L"D:\\Tools\\varlo");
    EXPECT_EQ(h.Find<CEditUI>(L"path_edit")->GetToolTip(), L"D:\\Tools\\varlo");

    h.shell.browseAnswer = L"E:\\";
    h.Click(L"selected_path_btn");
    EXPECT_EQ(PathText(), L"E:\\varlo");

    h.shell.browseAnswer = L"";  // cancelled
    h.Click(L"selected_path_btn");
    EXPECT_EQ(PathText(), L"E:\\varlo");
}

TEST_F(MainWndFlowTest, LanguageFollowsTheLocaleAndTheCombo) {
    struct Case {
        uint32_t locale;
        int item;
    } cases[] = {{0x0804, 0}, {0x0404, 1}, {0x0C04, 1}, {0x1404, 1}, {0x1004, 0}, {0x0409, 0}};
    for (const Case& c : cases) {
        h.record.locale = c.locale;
        ASSERT_TRUE(h.Open());
        EXPECT_EQ(h.Find<CComboUI>(L"lang_select_combo")->GetCurSel(), c.item) << std::hex << c.locale;
        EXPECT_EQ(h.window->IsSimplified(), c.item == 0) << std::hex << c.locale;
        EXPECT_EQ(h.Find<CControlUI>(L"self_install_btn")->GetText(), c.item == 0 ? L"自定义" : L"自定義");
        h.Close();
    }

    h.record.locale = 0x0804;
    ASSERT_TRUE(h.Open());
    h.Click(L"agree_opt");  // the tooltip of the install button is set all the same
    h.Find<CComboUI>(L"lang_select_combo")->SelectItem(1, false, true);
    WindowDriver::Pump(50);
    size_t count = 0;
    const ControlText* table = LanguageTable(count);
    ASSERT_EQ(count, 15u);
    for (bool simplified : {false, true}) {
        if (simplified) {
            h.Find<CComboUI>(L"lang_select_combo")->SelectItem(0, false, true);
            WindowDriver::Pump(50);
        }
        EXPECT_EQ(h.Find<CControlUI>(L"finish_tip_lab")->GetText(), simplified ? L"安装完成" : L"安裝完成");
        for (size_t i = 0; i < count; ++i) {
            CControlUI* control = h.Find<CControlUI>(table[i].control);
            ASSERT_NE(control, nullptr) << table[i].control;
            if (table[i].property == TextProperty::ToolTip) {
                EXPECT_EQ(control->GetToolTip(), table[i].text.Pick(simplified)) << table[i].control;
            } else {
                EXPECT_EQ(control->GetText(), table[i].text.Pick(simplified)) << table[i].control;
            }
        }
    }
}

TEST_F(MainWndFlowTest, FavoritesLocationIsRefused) {
    h.record.installerDir = L"C:\\users\\tester\\Favorites\\Links\\";
    ASSERT_TRUE(h.Open());
    ASSERT_EQ(h.record.boxes.size(), 1u);
    EXPECT_EQ(h.record.boxes[0].text, L"缺少必要权限！请勿在 收藏夹 或者包含 Favorites 的目录下运行。");
    EXPECT_EQ(h.record.boxes[0].buttons, 1);
    EXPECT_EQ(h.record.boxes[0].okText, L"确定");
    // UM_QUIT ends the installer: the window goes away, and nothing else was set up.
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(h.hwnd()); }));
    EXPECT_TRUE(h.window->GetInstallDir().empty());
    EXPECT_TRUE(h.record.exits.empty());
}

TEST_F(MainWndFlowTest, StagesDriveTheBarToTheFinishedPage) {
    ASSERT_TRUE(h.Open());
    StartWithDir(h.logDir + L"target");
    ASSERT_EQ(h.Page(), kPageProgress);
    auto* bar = h.Find<CProgressUI>(L"setup_process");
    auto* tip = h.Find<CLabelUI>(L"progress_tip_lab");
    // Stage 1 stops at 5 %.
    ASSERT_TRUE(PumpUntil([&] { return h.window->GetProgress() == 5; }, 5000));
    WindowDriver::Pump(700);
    EXPECT_EQ(h.window->GetProgress(), 5);
    EXPECT_EQ(tip->GetText(), L"5%");
    EXPECT_EQ(bar->GetValue(), 5);

    std::thread engine([&] {
        for (InstallStage stage : {InstallStage::QueryingPackage, InstallStage::Extracting, InstallStage::Integrating,
                                   InstallStage::Finished}) {
            h.window->OnStage(stage);
        }
    });
    engine.join();
    // The bar at its end is not the end of the install: the page waits for the engine's.
    ASSERT_TRUE(PumpUntil([&] { return h.window->GetProgress() == 100; }, 10000));
    WindowDriver::Pump(300);
    EXPECT_EQ(h.Page(), kPageProgress);
    EXPECT_EQ(tip->GetText(), L"100%");

    engine = std::thread([&] { h.window->OnEnd({InstallOutcome::Installed, h.logDir + L"target", L""}); });
    engine.join();
    ASSERT_TRUE(PumpUntil([&] { return h.Page() == kPageFinished; }, 10000));
    EXPECT_TRUE(h.record.boxes.empty());
}

// A success that ends before the bar has caught up: the bar still runs to its end first.
TEST_F(MainWndFlowTest, AnEarlyEndWaitsForTheBar) {
    ASSERT_TRUE(h.Open());
    StartWithDir(h.logDir + L"target");
    std::thread engine([&] {
        h.window->OnStage(InstallStage::Finished);
        h.window->OnEnd({InstallOutcome::Installed, h.logDir + L"target", L""});
    });
    engine.join();
    ASSERT_TRUE(PumpUntil([&] { return h.Page() == kPageFinished; }, 10000));
    EXPECT_EQ(h.window->GetProgress(), 100) << "the finished page came only with the bar full";
}

TEST_F(MainWndFlowTest, AFailedEndShowsOneBox) {
    ASSERT_TRUE(h.Open());
    std::thread engine([&] {
        h.window->OnEnd({InstallOutcome::QueryFailed, L"", L""});
        h.window->OnEnd({InstallOutcome::ExtractFailed, L"", L""});
    });
    engine.join();
    ASSERT_TRUE(PumpUntil([&] { return !h.record.exits.empty(); }));
    WindowDriver::Pump(100);
    ASSERT_EQ(h.record.boxes.size(), 1u);
    EXPECT_EQ(h.record.boxes[0].text, L"网络错误，请求安装配置失败");
    EXPECT_EQ(h.record.boxes[0].title, L"安装提示");
    EXPECT_EQ(h.record.boxes[0].okText, L"确定");
    EXPECT_EQ(h.record.boxes[0].cancelText, L"打开官网");
    EXPECT_EQ(h.record.exits.size(), 1u);
}

// The engine's sequence ending by an exception half-way: the window still hears the end.
InstallResult ThrowAfterTheFirstStage(InstallServices&,
                                      IInstallHost& host,
                                      const InstallJob&,
                                      const std::atomic<bool>*) {
    host.OnStage(InstallStage::ChoosingServer);
    throw std::bad_alloc();
}

TEST_F(MainWndFlowTest, AnEngineThatThrowsEndsInTheErrorBox) {
    std::unique_ptr<InstallEngine> engine;
    h.startWorker = [&](IInstallHost& host, const std::wstring& dir) {
        engine = std::make_unique<InstallEngine>(*h.services, host, &ThrowAfterTheFirstStage);
        InstallJob job;
        job.targetDir = dir;
        job.logDir = h.logDir;
        return engine->Start(job);
    };
    ASSERT_TRUE(h.Open());
    StartWithDir(h.logDir + L"target");
    ASSERT_EQ(h.Page(), kPageProgress);
    ASSERT_TRUE(PumpUntil([&] { return !h.record.exits.empty(); }, 10000)) << "the window was left on its progress";
    ASSERT_EQ(h.record.boxes.size(), 1u);
    EXPECT_EQ(h.record.boxes[0].text, L"安装错误，安装过程意外中止");
    EXPECT_EQ(h.record.exits.size(), 1u);
    EXPECT_EQ(engine->Wait().outcome, InstallOutcome::Interrupted);
}

TEST_F(MainWndFlowTest, RoundedRegionFollowsTheSize) {
    ASSERT_TRUE(h.Open());
    const SIZE corner = h.window->Manager().GetRoundCorner();
    ASSERT_TRUE(corner.cx != 0 || corner.cy != 0) << "the skin gives the window round corners";
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(h.hwnd(), region), ERROR);
    RECT box{};
    ::GetRgnBox(region, &box);
    EXPECT_NEAR(box.bottom, 430, 1);
    h.Click(L"self_install_btn");
    ASSERT_NE(::GetWindowRgn(h.hwnd(), region), ERROR);
    ::GetRgnBox(region, &box);
    EXPECT_NEAR(box.bottom, 550, 1);

    // Without round corners no region is made.
    ::SetWindowRgn(h.hwnd(), nullptr, TRUE);
    h.window->Manager().SetRoundCorner(0, 0);
    h.Click(L"return_btn");
    EXPECT_EQ(::GetWindowRgn(h.hwnd(), region), ERROR);
    ::DeleteObject(region);
}

}  // namespace
