#pragma once
// Facts about this machine that make up the client identity. Each degrades to empty
// text or a fallback value; none fails loudly.

#include <string>

// First usable IPv4 address in dotted form (no loopback, no host-only mask, no
// disconnected address), or empty.
std::string GetLocalIpAddress();
// First adapter with a 6-byte physical address as "XX-XX-XX-XX-XX-XX", or empty.
std::string GetMacAddress();
// CPUID leaf 1: EDX then EAX as 16 upper-case hex digits.
std::string GetCpuId();
// From ntdll.dll's file version; the system's version query only when that cannot be read.
void GetWindowsVersion(int& major, int& minor);
bool IsWindows8OrLater();

// The IPv4 row filter, kept separate so it can be tested with rows of any shape.
struct IpRow {
    unsigned long address;  // network byte order, as the address table stores it
    unsigned long mask;
    unsigned short type;
};
bool IsUsableIpRow(const IpRow& row);
