// The steps after the extraction as the install runs them, each recorded before it
// changes anything: a failure or a cancel after any step, and a run killed after any step
// and started again, leave the machine as it was (the folder with both settings files,
// the uninstall entry, the shortcuts, the logon task), for a fresh install and an update.
// Real Wine registry, shortcuts, files and task scheduler; only the shell's pin command,
// which Wine lacks, is recorded instead of run, and the task is compared by presence
// (see Snapshot).
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

#include "../system/SystemTestSupport.h"
#include "../zip/ZipFileTestSupport.h"
#include "../zip/ZipTestArchive.h"
#include "engine/InstallTransaction.h"
#include "engine/IntegrationSteps.h"
#include "system/AutostartTask.h"
#include "system/ProductNames.h"
#include "system/ShellLink.h"
#include "system/TaskbarPin.h"
#include "system/UninstallRegistration.h"
#include "util/FileUtil.h"
#include "util/UniqueHandle.h"
#include "util/WriteLogFile.h"
#include "zip/Unzip.h"

namespace {

using State = std::map<std::string, std::string>;

std::string Utf8(const std::wstring& text) {
    std::string out(static_cast<size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                                              nullptr, 0, nullptr, nullptr)),
                    '\0');
    if (!out.empty()) {
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                              static_cast<int>(out.size()), nullptr, nullptr);
    }
    return out;
}

std::string FileFacts(const std::wstring& path) {
    return PathExists(path) ? "bytes " + ReadBytes(path) : "<absent>";
}

class RecordingInvoker : public IShellVerbInvoker {
  public:
    RecordingInvoker() { SetShellVerbInvoker(this); }
    ~RecordingInvoker() override { SetShellVerbInvoker(nullptr); }
    bool InvokeVerb(const std::wstring& folderPath, const std::wstring&, const std::wstring&) override {
        folders.push_back(folderPath);
        return true;
    }
    std::vector<std::wstring> folders;
};

class InstallPlanStepsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        target = sandbox.Path() + L"\\Varlo Client";
        work = sandbox.Path() + L"\\work\\";
        ASSERT_TRUE(::CreateDirectoryW(work.c_str(), nullptr));
        g_logFile.SetLogFile(work + L"VarloSetup.log", 1024);
        desktopLink = GetDesktopFolder() + L"\\" + kShortcutFileName;
        startMenu = GetStartMenuProductFolder();
        ASSERT_FALSE(startMenu.empty());
        ASSERT_TRUE(SeedPinHandler());
        ClearMachine();
        ZipTestArchive archive;
        archive.Add("vljiasu.exe", "new client", 8);
        archive.Add("unins000.exe", "new uninstaller", 0);
        archive.AddDirectory("res/");
        archive.Add("res/route.dat", "new routes", 8);
        package = sandbox.Path() + L"\\package.zip";
        ASSERT_TRUE(WriteBytes(package, archive.Build()));
    }
    void TearDown() override {
        ClearMachine();
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kPinCommandSourceKey);
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUnpinCommandSourceKey);
    }

    void ClearMachine() {
        RemoveTree(target);
        ::DeleteFileW(desktopLink.c_str());
        RemoveTree(startMenu);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0);
        static_cast<void>(DeleteAutostartTask(kAutostartTaskName));
    }

    // What an earlier version left: its files and settings (with a key of the client's
    // own), its shortcuts, its entry with a value of another program's, its logon task.
    void LayEarlierInstall() {
        ASSERT_TRUE(MakeDirectoryTree(target + L"\\res"));
        ASSERT_TRUE(WriteBytes(target + L"\\vljiasu.exe", "old client"));
        ASSERT_TRUE(WriteBytes(target + L"\\res\\route.dat", "old routes"));
        ASSERT_TRUE(WriteBytes(target + L"\\setup.ini", "[varlo]\r\npackpath=D:\\old\\setup.exe\r\n"));
        ASSERT_TRUE(WriteBytes(target + L"\\local.cfg", "[config]\r\nlang=zh-tw\r\npowerup=0\r\nskin=dark\r\n"));
        ASSERT_TRUE(CreateShellLink(L"D:\\old\\vljiasu.exe", desktopLink));
        ASSERT_TRUE(CreateStartMenuShortcuts(L"D:\\old\\vljiasu.exe", L"D:\\old\\unins000.exe"));
        ASSERT_TRUE(RegisterUninstall(L"D:\\old", L""));
        UniqueRegKey key;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, key.put()),
                  ERROR_SUCCESS);
        const std::wstring icon = L"%ProgramFiles%\\old.ico";
        ASSERT_TRUE(SetRawValue(key.get(), L"DisplayIcon", REG_EXPAND_SZ, icon.c_str(),
                                static_cast<DWORD>((icon.size() + 1) * sizeof(wchar_t))));
        ASSERT_TRUE(SetRawValue(key.get(), L"Publisher", REG_SZ, L"x", 4));
        ASSERT_EQ(::RegDeleteValueW(key.get(), L"DisplayShortcut"), ERROR_SUCCESS);
        ASSERT_TRUE(CreateAutostartTask(kAutostartTaskName, L"D:\\old\\vljiasu.exe"));
    }

    State Snapshot() {
        State state;
        for (const std::wstring& name : ListFiles(target, true)) {
            state["folder " + Utf8(name)] = name.back() == L'/' ? "dir" : FileFacts(target + L"\\" + name);
        }
        state["folder itself"] = PathExists(target) ? "there" : "<absent>";
        state["desktop link"] = FileFacts(desktopLink);
        state["start-menu folder"] = PathExists(startMenu) ? "there" : "<absent>";
        state["start link"] = FileFacts(startMenu + L"\\" + kStartShortcutName);
        state["uninstall link"] = FileFacts(startMenu + L"\\" + kUninstallShortcutName);
        state["uninstall key"] = KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY) ? "there" : "<absent>";
        for (const wchar_t* name :
             {L"DisplayName", L"UninstallString", L"DisplayIcon", L"DisplayShortcut", L"Publisher"}) {
            const RawValue raw = ReadRawValue(HKEY_LOCAL_MACHINE, kUninstallKey, name, KEY_WOW64_32KEY);
            state["value " + Utf8(name)] =
                raw.found ? std::to_string(raw.type) + " " + std::string(raw.bytes.begin(), raw.bytes.end())
                          : "<absent>";
        }
        // Presence only: Wine's scheduler gives a definition back without its action and
        // trigger (and stores it so), so an earlier task put back cannot be told from
        // another here; on Windows the undo registers the definition it read, whole.
        std::wstring definition;
        const TaskPresence task = ReadTaskDefinition(kAutostartTaskName, &definition);
        state["task"] = task == TaskPresence::Present  ? "there"
                        : task == TaskPresence::Absent ? "<absent>"
                                                       : "<unknown>";
        return state;
    }

    static std::string Differences(const State& before, const State& after) {
        std::string text;
        for (const auto& [name, facts] : before) {
            const auto other = after.find(name);
            if (other == after.end()) {
                text += "\n  only before: " + name;
            } else if (other->second != facts) {
                text +=
                    "\n  changed: " + name + ": [" + facts.substr(0, 80) + "] -> [" + other->second.substr(0, 80) + "]";
            }
        }
        for (const auto& [name, facts] : after) {
            if (before.find(name) == before.end()) {
                text += "\n  only after: " + name;
            }
        }
        return text;
    }

    // The extraction, then the first `steps` of the six steps after it, as the worker
    // runs them with every option chosen. False when one of them failed.
    bool RunSteps(InstallTransaction& transaction, int steps) {
        // As the worker does: the missing levels are made once they are recorded.
        if (!transaction.Begin(target, work) || !MakeDirectoryTree(target)) {
            return false;
        }
        UniqueKernelHandle held(
            ::CreateFileW(package.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!held || transaction.Extract(held.get(), nullptr).status != ExtractStatus::Ok) {
            return false;
        }
        std::wstring desktop;
        bool ok = true;
        for (int step = 0; ok && step < steps; ++step) {
            switch (step) {
                case 0:
                    ok = RunSetupIniStep(transaction, target);
                    break;
                case 1:
                    ok = RunDesktopLinkStep(transaction, target, desktop);
                    break;
                case 2:
                    ok = RunPinStep(transaction, target, desktop);
                    break;
                case 3:
                    ok = RunStartMenuStep(transaction, target);
                    break;
                case 4:
                    ok = RunUninstallStep(transaction, target, desktop);
                    break;
                default:
                    ok = RunAutostartStep(transaction, target, true);
                    break;
            }
        }
        return ok;
    }

    SharedStateLock shared;
    TestSandbox sandbox;
    RecordingInvoker invoker;
    std::wstring target, work, package, desktopLink, startMenu;
};

constexpr int kSteps = 6;
const char* const kStepNames[] = {"the extraction", "setup.ini", "the desktop link", "the pin",
                                  "the start menu", "the entry", "the logon task"};

TEST_F(InstallPlanStepsTest, AnEndAfterAnyStepLeavesTheMachineAsBefore) {
    enum class End { Undone, Killed };
    for (const bool update : {false, true}) {
        for (const End end : {End::Undone, End::Killed}) {
            for (int steps = 0; steps <= kSteps; ++steps) {
                SCOPED_TRACE(std::string(update ? "update" : "fresh install") +
                             (end == End::Undone ? ", undone" : ", killed and started again") + ", after " +
                             kStepNames[steps]);
                ClearMachine();
                if (update) {
                    LayEarlierInstall();
                }
                const State before = Snapshot();
                ASSERT_NE(before.at("task"), "<unknown>") << "the scheduler answers";
                invoker.folders.clear();
                {
                    InstallTransaction transaction;
                    ASSERT_TRUE(RunSteps(transaction, steps));
                    ASSERT_NE(Snapshot(), before) << "the steps changed something";
                    if (end == End::Undone) {
                        EXPECT_TRUE(transaction.Rollback());
                    } else {
                        transaction.Abandon();
                    }
                }
                if (end == End::Killed) {
                    EXPECT_TRUE(PathExists(work + L"extract.journal"));
                    RecoverInterruptedInstall(work);
                }
                EXPECT_FALSE(PathExists(work + L"extract.journal")) << "the undo finished";
                EXPECT_EQ(Differences(before, Snapshot()), "");
                // The pin, when it ran, was taken off again through the shell's own command.
                const size_t pins = steps >= 3 ? 2u : 0u;
                EXPECT_EQ(invoker.folders.size(), pins);
                if (pins != 0) {
                    EXPECT_EQ(invoker.folders.back(), GetPinnedShortcutFolder());
                }
            }
        }
    }
}

TEST_F(InstallPlanStepsTest, ACommittedPlanLeavesTheWholeInstallAndNoRecord) {
    for (const bool update : {false, true}) {
        SCOPED_TRACE(update ? "update" : "fresh install");
        ClearMachine();
        if (update) {
            LayEarlierInstall();
        }
        {
            InstallTransaction transaction;
            ASSERT_TRUE(RunSteps(transaction, kSteps));
            transaction.Commit();
        }
        EXPECT_FALSE(PathExists(work + L"extract.journal"));
        EXPECT_EQ(ListFiles(target), (std::vector<std::wstring>{L"local.cfg", L"res/route.dat", L"setup.ini",
                                                                L"unins000.exe", L"vljiasu.exe"}))
            << "no backup folder, no copy left";
        EXPECT_EQ(ReadBytes(target + L"\\vljiasu.exe"), "new client");
        EXPECT_EQ(IniValue(target + L"\\local.cfg", L"config", L"powerup"), L"1");
        if (update) {
            EXPECT_EQ(IniValue(target + L"\\local.cfg", L"config", L"skin"), L"dark") << "the client's own key stays";
        }
        EXPECT_EQ(LoadLink(desktopLink).target, target + L"\\vljiasu.exe");
        EXPECT_EQ(LoadLink(startMenu + L"\\" + kStartShortcutName).target, target + L"\\vljiasu.exe");
        const RawValue icon = ReadRawValue(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayIcon", KEY_WOW64_32KEY);
        EXPECT_EQ(icon.bytes, StringBytes(target + L"\\vljiasu.exe"));
        EXPECT_EQ(QueryTaskPresence(kAutostartTaskName), TaskPresence::Present);
        // A later start finds nothing to undo.
        RecoverInterruptedInstall(work);
        EXPECT_EQ(ReadBytes(target + L"\\vljiasu.exe"), "new client");
    }
}

// A record names only the current user's own shortcut places: one that names another file
// with a shortcut's name is refused there, and that file stays.
TEST_F(InstallPlanStepsTest, ARecordedShortcutElsewhereIsLeftAlone) {
    const std::wstring elsewhere = sandbox.Path() + L"\\victim.lnk";
    ASSERT_TRUE(WriteBytes(elsewhere, "someone's"));
    {
        InstallTransaction transaction;
        ASSERT_TRUE(RunSteps(transaction, 0));
        ASSERT_TRUE(transaction.Record(IntegrationLinkLine(OutsideLink{elsewhere, 0})));
        EXPECT_FALSE(transaction.Rollback()) << "the undo says it could not finish";
    }
    EXPECT_EQ(ReadBytes(elsewhere), "someone's");
    RecoverInterruptedInstall(work);
    EXPECT_EQ(ReadBytes(elsewhere), "someone's");
}

}  // namespace
