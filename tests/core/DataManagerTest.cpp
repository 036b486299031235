#include "core/DataManager.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "NetTestSupport.h"
#include "util/MachineInfo.h"
#include "util/Md5A.h"
#include "util/TextConv.h"

namespace {

const std::wstring kSource = L"..\\core\\DataManager";

std::vector<std::string> SplitCrLf(const std::string& block) {
    std::vector<std::string> lines;
    size_t pos = 0;
    for (;;) {
        const size_t end = block.find("\r\n", pos);
        lines.push_back(block.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        if (end == std::string::npos) {
            return lines;
        }
        pos = end + 2;
    }
}

bool IsLowerHex32(const std::string& text) {
    return text.size() == 32 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

class DataManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static_cast<void>(TestLogPath());
        data = std::make_unique<DataManager>("100", 1, 1);
    }
    std::unique_ptr<DataManager> data;
};

TEST_F(DataManagerTest, ThirteenLinesInOrderJoinedByCrLf) {
    const std::string block = data->BuildHeaders(1);
    const std::vector<std::string> lines = SplitCrLf(block);
    ASSERT_EQ(lines.size(), 13u) << block;
    const std::string computer = data->GetComputerNameText();
    const std::vector<std::string> expected = {
        "Userid: 0",        "Clientuuid: " + data->GetClientUuid(),
        "Version: 100",     "Channel: 1",
        "Systype: 1",       "Yychannelid: 0",
        "Yychannelsign: 0", "Apihost: 1",
        "Lang: ",           "Outerip: 0.0.0.0",
        "Innerip: 0.0.0.0", "Computer: " + computer,
        "Clientapp: 0",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(IsLowerHex32(data->GetClientUuid()));
    EXPECT_FALSE(computer.empty());
    EXPECT_NE(block.substr(block.size() - 2), "\r\n");
}

TEST_F(DataManagerTest, ConstructorAndSettersReachTheirLines) {
    DataManager other("999", 7, 8);
    other.SetInnerIp("192.168.3.4");
    other.SetLang("zh-tw");
    const std::vector<std::string> lines = SplitCrLf(other.BuildHeaders(4));
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[2], "Version: 999");
    EXPECT_EQ(lines[3], "Channel: 7");
    EXPECT_EQ(lines[4], "Systype: 8");
    EXPECT_EQ(lines[7], "Apihost: 4");
    EXPECT_EQ(lines[8], "Lang: zh-tw");
    EXPECT_EQ(lines[10], "Innerip: 192.168.3.4");
    // The other object keeps its own.
    EXPECT_EQ(SplitCrLf(data->BuildHeaders(1))[8], "Lang: ");
}

TEST_F(DataManagerTest, ClientUuidIsTheDigestOfThisMachinesIdentityAndIsLoggedOnce) {
    // How the parts are put together is checked with fixed facts elsewhere; here, that this
    // machine's facts end up in them.
    const std::string identity = data->BuildIdentityString();
    const std::string name = AnsiToUtf8(data->GetComputerNameText()).value_or(std::string());
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(identity.substr(0, name.size() + 1), name + ".") << identity;
    const std::string cpu = GetCpuId();
    ASSERT_EQ(cpu.size(), 16u);
    ASSERT_GT(identity.size(), cpu.size());
    EXPECT_EQ(identity.substr(identity.size() - cpu.size() - 1), "." + cpu) << identity;
    const size_t dots = static_cast<size_t>(std::count(identity.begin(), identity.end(), '.'));
    EXPECT_EQ(dots, IsWindows8OrLater() ? 3u : 4u) << identity;

    const LogCapture log;
    const std::string first = data->GetClientUuid();
    const std::string second = data->GetClientUuid();
    static_cast<void>(data->BuildHeaders(1));
    EXPECT_EQ(first, CMd5A().GetStringMd5(identity));
    EXPECT_EQ(first, second);
    // However often it was asked for, the identity was logged once.
    EXPECT_EQ(log.Count(kSource, Utf8ToWide(identity).value_or(L"not UTF-8")), 1) << log.Messages();
}

}  // namespace
