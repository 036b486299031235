#include <gtest/gtest.h>

#include <regex>

#include "util/MachineInfo.h"
#include "util/RegistryUtil.h"
#include "util/UniqueHandle.h"

namespace {

const wchar_t kKey[] = L"Software\\VarloUtilTests";

void SetValue(REGSAM view, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    UniqueRegKey key;
    ASSERT_EQ(
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, key.put(), nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, 0);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY, 0);
        const DWORD all = 0xFFFFFFFF;
        const wchar_t text[] = L"C:\\Program Files (x86)\\Varlo\\unins000.exe";
        SetValue(KEY_WOW64_32KEY, L"Number", REG_DWORD, &all, sizeof(all));
        SetValue(KEY_WOW64_32KEY, L"Text", REG_SZ, text, sizeof(text));
        SetValue(KEY_WOW64_64KEY, L"Only64", REG_SZ, L"sixty-four", sizeof(L"sixty-four"));
    }
    void TearDown() override {
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, 0);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY, 0);
    }
};

TEST_F(RegistryTest, ValuesAreReadByTheCallersType) {
    struct Case {
        const wchar_t* name;
        DWORD type;
        bool ok;
        std::wstring value;
    } cases[] = {
        {L"Number", REG_DWORD, true, L"-1"},
        {L"Number", REG_BINARY, true, L"-1"},
        {L"Text", REG_SZ, true, L"C:\\Program Files (x86)\\Varlo\\unins000.exe"},
        {L"Text", REG_MULTI_SZ, true, L""},
        {L"Only64", REG_SZ, true, L"sixty-four"},  // key in this view, value only in the 64-bit one
        {L"Nowhere", REG_SZ, false, L""},
    };
    for (const auto& c : cases) {
        std::wstring value = L"stale";
        EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, c.name, c.type, value), c.ok) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
}

TEST(Registry, AMissingKeyIsFalse) {
    std::wstring value = L"stale";
    EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, L"Software\\VarloNoSuchKey", L"x", REG_SZ, value));
    EXPECT_TRUE(value.empty());
}

TEST(IpRowFilter, Table) {
    auto ip = [](unsigned a, unsigned b, unsigned c, unsigned d) {
        return static_cast<unsigned long>(a | (b << 8) | (c << 16) | (d << 24));
    };
    const unsigned long mask24 = ip(255, 255, 255, 0);
    struct Case {
        IpRow row;
        bool usable;
    } cases[] = {
        {{ip(192, 168, 1, 5), mask24, 0x0001}, true},
        {{ip(127, 0, 0, 1), ip(255, 0, 0, 0), 0x0001}, false},
        {{ip(10, 0, 0, 2), ip(255, 255, 255, 255), 0x0001}, false},
        {{ip(10, 0, 0, 3), mask24, 0x0008}, false},  // disconnected
        {{0, mask24, 0}, false},
        {{ip(10, 0, 0, 4), 0, 0}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUsableIpRow(c.row), c.usable) << std::hex << c.row.address;
    }
}

TEST(MachineInfo, ValuesHaveTheirFixedShapes) {
    const std::string cpu = GetCpuId();
    EXPECT_TRUE(std::regex_match(cpu, std::regex("[0-9A-F]{16}"))) << cpu;
    EXPECT_EQ(GetCpuId(), cpu);

    const std::string mac = GetMacAddress();
    EXPECT_TRUE(mac.empty() || std::regex_match(mac, std::regex("([0-9A-F]{2}-){5}[0-9A-F]{2}"))) << mac;

    const std::string ip = GetLocalIpAddress();
    EXPECT_TRUE(ip.empty() || std::regex_match(ip, std::regex(R"(\d{1,3}(\.\d{1,3}){3})"))) << ip;
    EXPECT_NE(ip.rfind("127.", 0), 0u) << ip;

    int major = -1, minor = -1;
    GetWindowsVersion(major, minor);
    EXPECT_GE(major, 5);
    EXPECT_GE(minor, 0);
}

}  // namespace
