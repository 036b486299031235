#pragma once
// Process-wide source of skin files: plain files under a resource folder, a zip file
// there, or the archive the program carries in memory. All windows share it; it is used
// on the UI thread only.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CSkinArchive {
  public:
    // The name that marks the in-memory archive.
    static constexpr const wchar_t* kMemoryArchive = L"membuffer";
    static constexpr size_t kPasswordBytes = 64;
    static constexpr size_t kMaxLayoutBytes = 4u * 1024u * 1024u;

    // Installs the archive held in memory. `data` stays the caller's and must outlive every
    // window. A second call only replaces the password.
    static void SetResourceZip(const void* data, size_t length, const char* password);
    // A zip file of that name under the resource path; empty switches back to plain files.
    static void SetResourceZipFile(const std::wstring& name, const char* password);
    static void SetCacheArchive(bool cache);
    [[nodiscard]] static bool GetCacheArchive();

    static void SetResourcePath(const std::wstring& path);
    [[nodiscard]] static const std::wstring& GetResourcePath();
    [[nodiscard]] static const std::wstring& GetArchiveName();
    // The password as kept: at most kPasswordBytes bytes, always terminated.
    [[nodiscard]] static const char* GetPassword();
    [[nodiscard]] static bool HasCachedArchive();

    // Reads a skin file whole. `error` gets one of the loader's fixed messages.
    [[nodiscard]] static bool ReadFile(const std::wstring& name, std::vector<uint8_t>& bytes, std::wstring& error);
    // As ReadFile, refusing empty files and files above kMaxLayoutBytes.
    [[nodiscard]] static bool ReadLayoutFile(const std::wstring& name,
                                             std::vector<uint8_t>& bytes,
                                             std::wstring& error);
    // As ReadFile, then the name itself as a plain path when the skin has nothing; never
    // for the in-memory archive, whose missing images stay missing.
    [[nodiscard]] static bool ReadImageFile(const std::wstring& name, std::vector<uint8_t>& bytes);

    // Closes the cached archive and forgets every setting (process end, tests).
    static void Reset();

  private:
    static void CloseCached();
};
