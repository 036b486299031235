#pragma once
// What the vendor's API is told about this client: installer version, channel, system
// type, local address, language, a hardware-derived identifier and the chosen endpoint.
// One process-wide instance; every field is read and written under one lock, since the
// window sets the language while the install worker may be building headers.

#include <mutex>
#include <optional>
#include <string>

class DataManager {
  public:
    static DataManager* Instance();

    // Only the first call has any effect.
    void Init(const std::string& version, int channel, int systype);
    void SetInnerIp(const std::string& ip);
    void SetLang(const std::string& lang);
    void SetApiHosts(const std::string& primaryBase, const std::string& fallbackBase, int index);
    [[nodiscard]] std::string GetPrimaryApiBase();
    [[nodiscard]] std::string GetFallbackApiBase();
    [[nodiscard]] int GetApiHostIndex();

    // The thirteen identity header lines joined by CR LF, no CR LF after the last.
    [[nodiscard]] std::string BuildHeaders();
    // 32 lowercase hex digits; computed (and its source logged) once per process.
    [[nodiscard]] std::string GetClientUuid();
    // The NetBIOS name in the ANSI code page, read afresh on every call.
    [[nodiscard]] std::string GetComputerNameText();
    // The text the identifier is the digest of (UTF-8): name, [MAC,] CPUs, memory, CPU id.
    [[nodiscard]] std::string BuildIdentityString();

  private:
    DataManager() = default;

    std::mutex lock_;
    bool initialised_ = false;
    std::string innerIp_;
    std::string version_;
    int channel_ = 0;
    int systype_ = 0;
    std::optional<std::string> clientUuid_;
    std::string lang_;
    std::string primaryApiBase_;
    std::string fallbackApiBase_;
    int apiHostIndex_ = 0;
};
