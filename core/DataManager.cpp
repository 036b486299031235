#include "core/DataManager.h"

#include <windows.h>

#include <cstdio>
#include <utility>

#include "core/ClientIdentity.h"
#include "util/MachineInfo.h"
#include "util/Md5A.h"
#include "util/TextConv.h"
#include "util/WriteLogFile.h"

namespace {

constexpr wchar_t kLogSource[] = L"..\\core\\DataManager";

std::string Decimal(long long value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%lld", value);
    return text;
}

}  // namespace

DataManager::DataManager(std::string version, int channel, int systype)
    : version_(std::move(version)), channel_(channel), systype_(systype) {}

void DataManager::SetInnerIp(const std::string& ip) {
    std::lock_guard<std::mutex> hold(lock_);
    innerIp_ = ip;
}

void DataManager::SetLang(const std::string& lang) {
    std::lock_guard<std::mutex> hold(lock_);
    lang_ = lang;
}

std::string DataManager::BuildHeaders(int apiHostIndex) {
    const std::string uuid = GetClientUuid();
    const std::string computer = GetComputerNameText();
    std::lock_guard<std::mutex> hold(lock_);
    std::string block;
    block += "Userid: 0\r\n";
    block += "Clientuuid: " + uuid + "\r\n";
    block += "Version: " + version_ + "\r\n";
    block += "Channel: " + Decimal(channel_) + "\r\n";
    block += "Systype: " + Decimal(systype_) + "\r\n";
    block += "Yychannelid: 0\r\n";
    block += "Yychannelsign: 0\r\n";
    block += "Apihost: " + Decimal(apiHostIndex) + "\r\n";
    block += "Lang: " + lang_ + "\r\n";
    block += "Outerip: 0.0.0.0\r\n";
    block += "Innerip: " + (innerIp_.empty() ? std::string("0.0.0.0") : innerIp_) + "\r\n";
    block += "Computer: " + computer + "\r\n";
    block += "Clientapp: 0";
    return block;
}

std::string DataManager::GetComputerNameText() {
    char name[512] = {};
    DWORD size = sizeof(name);
    if (!::GetComputerNameA(name, &size)) {
        return std::string();
    }
    return std::string(name, size);
}

std::string DataManager::BuildIdentityString() {
    SYSTEM_INFO system = {};
    ::GetSystemInfo(&system);
    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof(memory);
    if (!::GlobalMemoryStatusEx(&memory)) {
        memory.ullTotalPhys = 0;
    }
    MachineFacts facts;
    // The system hands the name over in its own code page, so it converts back; were it not
    // to, the identity goes without a name rather than not at all (it is logged below).
    facts.computerName = AnsiToUtf8(GetComputerNameText()).value_or(std::string());
    facts.windows8OrLater = IsWindows8OrLater();
    if (!facts.windows8OrLater) {
        facts.macAddress = GetMacAddress();
    }
    facts.processors = system.dwNumberOfProcessors;
    facts.memoryBytes = memory.ullTotalPhys;
    facts.cpuId = GetCpuId();
    return ComposeIdentityString(facts);
}

std::string DataManager::GetClientUuid() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (clientUuid_) {
            return *clientUuid_;
        }
    }
    const std::string identity = BuildIdentityString();
    const std::string digest = CMd5A().GetStringMd5(identity);
    std::lock_guard<std::mutex> hold(lock_);
    if (!clientUuid_) {
        g_logFile.WriteLogText(kLogSource, __LINE__, Utf8ToWideForReading(identity));
        clientUuid_ = digest;
    }
    return *clientUuid_;
}
