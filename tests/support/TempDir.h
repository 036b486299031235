#pragma once
// A fresh directory below the temporary folder, removed with everything in it at the end.
// Its name has a blank and, by default, Chinese characters, and it is unique to the
// process, so tests running at once do not meet.

#include <string>

class TempDir {
  public:
    explicit TempDir(const std::wstring& label = L"varlo test 测试");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // Without a trailing separator.
    [[nodiscard]] const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
};

// Removes `path` with everything in it; nothing happens when it is not there.
void RemoveTree(const std::wstring& path);
