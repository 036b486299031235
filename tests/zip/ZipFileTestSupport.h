#pragma once

// Scratch folders and file helpers for the extraction tests that touch the disk.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/TempDir.h"

// A fresh folder below the temporary directory, removed (with everything in it, read-only
// or not) at the end of the test. `Root()` is a folder inside it that does not exist yet.
class TestSandbox {
  public:
    TestSandbox();
    TestSandbox(const TestSandbox&) = delete;
    TestSandbox& operator=(const TestSandbox&) = delete;

    [[nodiscard]] const std::wstring& Path() const { return folder_.path(); }
    [[nodiscard]] std::wstring Root() const { return folder_.path() + L"\\root"; }

  private:
    TempDir folder_;
};

bool WriteBytes(const std::wstring& path, const std::string& bytes);
[[nodiscard]] std::string ReadBytes(const std::wstring& path);
[[nodiscard]] bool PathExists(const std::wstring& path);
[[nodiscard]] DWORD AttributesOf(const std::wstring& path);
// Every file below `folder`, relative, with "/" separators, sorted; with
// `withDirectories`, directories too, each ending in "/".
[[nodiscard]] std::vector<std::wstring> ListFiles(const std::wstring& folder, bool withDirectories = false);
// The Windows spelling of a host path (Wine shows the host's root as drive Z:).
[[nodiscard]] std::wstring HostPath(const std::string& unixPath);
// Makes the new folder `link` a junction to the folder `target`. False where the system
// cannot (Wine reports its own links as the plain folders they point to).
[[nodiscard]] bool MakeJunction(const std::wstring& link, const std::wstring& target);
