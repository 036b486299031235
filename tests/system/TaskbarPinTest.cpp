#include "system/TaskbarPin.h"

#include <gtest/gtest.h>

#include <optional>

#include "SystemTestSupport.h"
#include "system/ShellLink.h"

namespace {

const std::wstring kVerbKey = std::wstring(kTemporaryVerbParentKey) + L"\\" + kTemporaryVerbName;
const std::wstring kClassId = L"{90AA3A4E-1CBA-4233-B8BB-535773D48449}";

// Stands in for the shell: records what it was asked and what the verb key held then.
class RecordingInvoker : public IShellVerbInvoker {
  public:
    RecordingInvoker() { SetShellVerbInvoker(this); }
    ~RecordingInvoker() override { SetShellVerbInvoker(nullptr); }

    bool InvokeVerb(const std::wstring& folderPath,
                    const std::wstring& itemName,
                    const std::wstring& verbName) override {
        ++calls;
        folder = folderPath;
        item = itemName;
        verb = verbName;
        handlerAtInvoke = ReadRawValue(HKEY_CURRENT_USER, kVerbKey, kPinHandlerValue);
        linkTargetAtInvoke = LoadLink(folderPath + L"\\" + itemName).target;
        if (leaveNestedKeys) {
            HKEY nested = nullptr;
            if (::RegCreateKeyExW(HKEY_CURRENT_USER, (kVerbKey + L"\\command\\deeper").c_str(), 0, nullptr, 0,
                                  KEY_WRITE, nullptr, &nested, nullptr) == ERROR_SUCCESS) {
                ::RegCloseKey(nested);
            }
        }
        return answer;
    }

    int calls = 0;
    std::wstring folder, item, verb;
    RawValue handlerAtInvoke;
    bool leaveNestedKeys = false;
    bool answer = true;
    std::wstring linkTargetAtInvoke;
};

void DeleteTree(HKEY root, const std::wstring& key) {
    ::RegDeleteTreeW(root, key.c_str());
}

class TaskbarPinTest : public testing::Test {
  protected:
    void SetUp() override {
        DeleteTree(HKEY_LOCAL_MACHINE, kPinCommandSourceKey);
        DeleteTree(HKEY_CURRENT_USER, kVerbKey);
    }
    void TearDown() override {
        DeleteTree(HKEY_LOCAL_MACHINE, kPinCommandSourceKey);
        DeleteTree(HKEY_CURRENT_USER, kVerbKey);
    }

    // Seeds the handler value with raw bytes, as another program might have stored it.
    static void SeedSource(DWORD type, const void* data, DWORD bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPinCommandSourceKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                    nullptr),
                  ERROR_SUCCESS);
        EXPECT_TRUE(SetRawValue(key, kPinHandlerValue, type, data, bytes));
        ::RegCloseKey(key);
    }
    static void SeedClassId(DWORD type = REG_SZ) {
        SeedSource(type, kClassId.c_str(), static_cast<DWORD>((kClassId.size() + 1) * sizeof(wchar_t)));
    }

    SharedStateLock lock_;
    // Wine keeps a link's target in the ANSI code page only: no Chinese in target paths.
    TempDir dir_{L"varlo sys pin"};
};

TEST_F(TaskbarPinTest, InvokesTheBorrowedVerbAndRemovesItsWholeKeyAfterwards) {
    SeedClassId();
    RecordingInvoker invoker;
    invoker.leaveNestedKeys = true;
    EXPECT_TRUE(PinToTaskbar(LR"(C:\some folder)", L"Varlo加速器.lnk"));

    ASSERT_EQ(invoker.calls, 1);
    EXPECT_EQ(invoker.folder, LR"(C:\some folder)");
    EXPECT_EQ(invoker.item, L"Varlo加速器.lnk");
    EXPECT_EQ(invoker.verb, L"{:}");
    // While the shell ran, the verb named the handler, stored with its terminating zero.
    ASSERT_TRUE(invoker.handlerAtInvoke.found);
    EXPECT_EQ(invoker.handlerAtInvoke.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(invoker.handlerAtInvoke.bytes, StringBytes(kClassId));

    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kVerbKey));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kTemporaryVerbParentKey));
}

TEST_F(TaskbarPinTest, VerbKeyIsRemovedWhenTheShellFails) {
    SeedClassId(REG_EXPAND_SZ);
    RecordingInvoker invoker;
    invoker.answer = false;
    invoker.leaveNestedKeys = true;
    EXPECT_FALSE(PinToTaskbar(dir_.path(), L"Varlo加速器.lnk"));
    EXPECT_EQ(invoker.calls, 1);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kVerbKey));
}

// Without a usable handler value nothing is invoked and nothing is written.
TEST_F(TaskbarPinTest, UnusableHandlerValueChangesNothing) {
    const DWORD number = 7;
    const std::wstring longText(300, L'a');
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD bytes;
    } const cases[] = {
        {"number", REG_DWORD, &number, sizeof(number)},
        {"no terminating zero", REG_SZ, kClassId.c_str(), static_cast<DWORD>(kClassId.size() * sizeof(wchar_t))},
        {"longer than 260 characters", REG_SZ, longText.c_str(),
         static_cast<DWORD>((longText.size() + 1) * sizeof(wchar_t))},
        {"empty", REG_SZ, L"", sizeof(wchar_t)},
        {"binary", REG_BINARY, kClassId.c_str(), static_cast<DWORD>((kClassId.size() + 1) * sizeof(wchar_t))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteTree(HKEY_LOCAL_MACHINE, kPinCommandSourceKey);
        SeedSource(c.type, c.data, c.bytes);
        RecordingInvoker invoker;
        EXPECT_FALSE(PinToTaskbar(dir_.path(), L"Varlo加速器.lnk"));
        EXPECT_EQ(invoker.calls, 0);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kVerbKey));
    }

    // A system without the pin command at all.
    DeleteTree(HKEY_LOCAL_MACHINE, kPinCommandSourceKey);
    RecordingInvoker invoker;
    EXPECT_FALSE(PinToTaskbar(dir_.path(), L"Varlo加速器.lnk"));
    EXPECT_EQ(invoker.calls, 0);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kVerbKey));
}

// The real shell automation object; Wine has no pin handler behind the verb, so the pin
// itself cannot happen, but the verb key must still be gone afterwards.
TEST_F(TaskbarPinTest, RealShellLeavesNoVerbKey) {
    SeedClassId();
    const std::wstring link = dir_.path() + LR"(\Varlo加速器.lnk)";
    ASSERT_TRUE(CreateShellLink(dir_.path() + LR"(\vljiasu.exe)", link));
    (void)PinToTaskbar(dir_.path(), L"Varlo加速器.lnk");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kVerbKey));

    // A folder the shell does not know.
    EXPECT_FALSE(PinToTaskbar(dir_.path() + LR"(\no such folder)", L"Varlo加速器.lnk"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kVerbKey));
}

TEST_F(TaskbarPinTest, ClientPinUsesTheDesktopShortcutOfThisRun) {
    SeedClassId();
    const std::wstring desktopLink = dir_.path() + LR"(\desk top\Varlo加速器.lnk)";
    ASSERT_TRUE(::CreateDirectoryW((dir_.path() + LR"(\desk top)").c_str(), nullptr));
    ASSERT_TRUE(CreateShellLink(dir_.path() + LR"(\vljiasu.exe)", desktopLink));
    RecordingInvoker invoker;
    EXPECT_TRUE(PinClientToTaskbar(dir_.path(), desktopLink));
    EXPECT_EQ(invoker.folder, dir_.path() + LR"(\desk top)");
    EXPECT_EQ(invoker.item, L"Varlo加速器.lnk");
    // No second shortcut beside the client.
    EXPECT_EQ(::GetFileAttributesW((dir_.path() + LR"(\Varlo加速器.lnk)").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(TaskbarPinTest, ClientPinWithoutDesktopShortcutMakesOneBesideTheClientForTheVerbOnly) {
    SeedClassId();
    RecordingInvoker invoker;
    // No desktop shortcut this run, or one that has gone since.
    for (const std::wstring& desktopPath : {std::wstring(), dir_.path() + LR"(\gone\Varlo加速器.lnk)"}) {
        invoker.calls = 0;
        ::DeleteFileW((dir_.path() + LR"(\Varlo加速器.lnk)").c_str());
        EXPECT_TRUE(PinClientToTaskbar(dir_.path(), desktopPath));
        EXPECT_EQ(invoker.calls, 1);
        EXPECT_EQ(invoker.folder, dir_.path());
        EXPECT_EQ(invoker.item, L"Varlo加速器.lnk");
        EXPECT_EQ(invoker.linkTargetAtInvoke, dir_.path() + LR"(\vljiasu.exe)");
        EXPECT_EQ(::GetFileAttributesW((dir_.path() + LR"(\Varlo加速器.lnk)").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the link made for the pin is gone again";
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kVerbKey));
}

}  // namespace
