#pragma once
// What the vendor's API is told about this client: installer version, channel, system
// type, local address, language and a hardware-derived identifier. Made by the start-up and
// handed to the request module; every field is read and written under one lock.

#include <mutex>
#include <optional>
#include <string>

class DataManager {
  public:
    DataManager(std::string version, int channel, int systype);
    DataManager(const DataManager&) = delete;
    DataManager& operator=(const DataManager&) = delete;

    void SetInnerIp(const std::string& ip);
    void SetLang(const std::string& lang);

    // The thirteen identity header lines joined by CR LF, no CR LF after the last.
    // `apiHostIndex` tells the server which probe chose the host asked.
    [[nodiscard]] std::string BuildHeaders(int apiHostIndex);
    // 32 lowercase hex digits; computed (and its source logged) once per process.
    [[nodiscard]] std::string GetClientUuid();
    // The NetBIOS name in the ANSI code page, read afresh on every call.
    [[nodiscard]] std::string GetComputerNameText();
    // The text the identifier is the digest of (UTF-8): name, [MAC,] CPUs, memory, CPU id.
    [[nodiscard]] std::string BuildIdentityString();

  private:
    std::mutex lock_;
    std::string innerIp_;
    std::string version_;
    int channel_ = 0;
    int systype_ = 0;
    std::optional<std::string> clientUuid_;
    std::string lang_;
};
