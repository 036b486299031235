#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/CommandLine.h"
#include "util/ProcessSelection.h"

namespace {

const std::vector<std::wstring> kNames = {L"vljiasu.exe", L"openvpn.exe", L"varlojiasu.exe"};
const std::vector<std::wstring> kFolders = {L"D:\\Games\\varlo", L"C:\\Program Files (x86)\\varlo"};
constexpr uint32_t kSelf = 900;

TEST(ProcessSelection, EndsOnlyTheClientsOwnProcessesAndTheirChildren) {
    const std::vector<ProcessEntry> snapshot = {
        {4, 0, 1, L"System", L""},
        {100, 4, 10, L"vljiasu.exe", L"D:\\Games\\varlo\\vljiasu.exe"},
        {101, 100, 11, L"openvpn.exe", L"D:\\Games\\varlo\\bin\\openvpn.exe"},
        {102, 101, 12, L"helper.exe", L"C:\\Windows\\System32\\helper.exe"},  // grandchild: ends with its parent
        {200, 4, 20, L"openvpn.exe", L"C:\\Program Files\\OpenVPN\\bin\\openvpn.exe"},  // someone else's VPN
        {201, 200, 21, L"openvpn-gui.exe", L"C:\\Program Files\\OpenVPN\\bin\\openvpn-gui.exe"},
        {300, 4, 30, L"VLJIASU.EXE", L"c:/program files (x86)/VARLO/VlJiasu.exe"},  // case and "/" differ
        {400, 4, 40, L"vljiasu.exe", L"D:\\Games\\varlo-old\\vljiasu.exe"},         // a sibling folder, not inside
        {401, 4, 41, L"vljiasu.exe", L""},  // path unreadable: not known to be ours
        {500, 4, 50, L"varlojiasu.exe", L"\\\\?\\D:\\Games\\varlo\\varlojiasu.exe"},
        // A stale parent id: 100's id belonged to an older process when this one started.
        {600, 100, 5, L"notepad.exe", L"C:\\Windows\\notepad.exe"},
        // The installer itself, even when placed and named like the client, and its children.
        {kSelf, 4, 60, L"vljiasu.exe", L"D:\\Games\\varlo\\vljiasu.exe"},
        {901, kSelf, 61, L"cmd.exe", L"C:\\Windows\\System32\\cmd.exe"},
        {700, 4, 70, L"other.exe", L"D:\\Games\\varlo\\other.exe"},  // in the folder, another name
    };
    EXPECT_EQ(SelectProcessesToEnd(snapshot, kNames, kFolders, kSelf),
              (std::vector<uint32_t>{100, 101, 300, 500, 102}));
}

TEST(ProcessSelection, NothingWithoutAFolder) {
    const std::vector<ProcessEntry> snapshot = {{100, 4, 10, L"vljiasu.exe", L"D:\\vljiasu.exe"}};
    EXPECT_TRUE(SelectProcessesToEnd(snapshot, kNames, {}, kSelf).empty());
    EXPECT_TRUE(SelectProcessesToEnd(snapshot, kNames, {L"", L"\\"}, kSelf).empty());
    EXPECT_EQ(SelectProcessesToEnd(snapshot, kNames, {L"D:\\"}, kSelf), (std::vector<uint32_t>{100}));
}

TEST(ProcessSelection, InsideFolder) {
    EXPECT_TRUE(IsInsideFolder(L"D:\\Games\\varlo\\a.exe", L"D:\\Games\\varlo\\"));
    EXPECT_TRUE(IsInsideFolder(L"D:\\Games\\varlo\\x\\a.exe", L"d:\\games\\VARLO"));
    EXPECT_FALSE(IsInsideFolder(L"D:\\Games\\varlo", L"D:\\Games\\varlo"));
    EXPECT_FALSE(IsInsideFolder(L"D:\\Games\\varlo2\\a.exe", L"D:\\Games\\varlo"));
    EXPECT_FALSE(IsInsideFolder(L"D:\\Games\\a.exe", L"D:\\Games\\varlo"));
}

TEST(CommandLine, QuotesAPathWithABlankAndReadsItBack) {
    struct Case {
        std::wstring path, written;
    } cases[] = {
        {L"D:\\Games\\varlo\\unins000.exe", L"D:\\Games\\varlo\\unins000.exe"},
        {L"D:\\My Games\\varlo\\unins000.exe", L"\"D:\\My Games\\varlo\\unins000.exe\""},
        {L"C:\\Program Files (x86)\\varlo\\unins000.exe", L"\"C:\\Program Files (x86)\\varlo\\unins000.exe\""},
        {L"D:\\Tab\there\\u.exe", L"\"D:\\Tab\there\\u.exe\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QuoteCommandPath(c.path), c.written);
        EXPECT_EQ(UnquoteCommandPath(c.written), c.path);
    }
    EXPECT_EQ(UnquoteCommandPath(L"\"D:\\My Games\\u.exe\" /SILENT"), L"D:\\My Games\\u.exe");
    EXPECT_EQ(UnquoteCommandPath(L"\"D:\\unclosed\\u.exe"), L"D:\\unclosed\\u.exe");
    EXPECT_EQ(UnquoteCommandPath(L""), L"");
}

}  // namespace
