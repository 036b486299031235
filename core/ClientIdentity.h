#pragma once
// The text the client identifier is the digest of, put together from facts about the
// machine. Pure logic: the facts are read elsewhere, so any set of them can be checked.

#include <cstdint>
#include <string>

struct MachineFacts {
    std::string computerName;  // UTF-8; empty when the name cannot be read
    std::string macAddress;    // "XX-XX-XX-XX-XX-XX", or empty without such an adapter
    uint32_t processors = 0;
    uint64_t memoryBytes = 0;
    std::string cpuId;
    // From Windows 8 on the MAC address is left out: the identity has four parts, not five.
    bool windows8OrLater = true;
};

// "name.[mac.]processors.memory.cpuid", decimal numbers.
std::string ComposeIdentityString(const MachineFacts& facts);
