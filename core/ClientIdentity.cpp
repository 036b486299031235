#include "core/ClientIdentity.h"

std::string ComposeIdentityString(const MachineFacts& facts) {
    std::string identity = facts.computerName + ".";
    if (!facts.windows8OrLater) {
        identity += facts.macAddress + ".";
    }
    identity += std::to_string(facts.processors) + ".";
    identity += std::to_string(facts.memoryBytes) + ".";
    identity += facts.cpuId;
    return identity;
}
