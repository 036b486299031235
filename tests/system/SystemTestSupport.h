#pragma once
// Helpers for the tests that work on the real (Wine) registry, shell and file system.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/RecordingLauncher.h"
#include "tests/support/TempDir.h"

// Several test processes may run at once; the ones touching the same registry keys,
// shortcuts and tasks take this lock for their whole run.
class SharedStateLock {
  public:
    SharedStateLock();
    ~SharedStateLock();
    SharedStateLock(const SharedStateLock&) = delete;
    SharedStateLock& operator=(const SharedStateLock&) = delete;

  private:
    HANDLE mutex_;
};

struct RawValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};
// Reads a value as stored, through the registry view chosen by `view` (0: the default).
RawValue ReadRawValue(HKEY root, const std::wstring& subKey, const std::wstring& name, REGSAM view = 0);
bool KeyExists(HKEY root, const std::wstring& subKey, REGSAM view = 0);
// Stores exactly `bytes` bytes, below the API that would add a missing string terminator.
bool SetRawValue(HKEY key, const std::wstring& name, DWORD type, const void* data, DWORD bytes);
// The bytes a REG_SZ value holds for `text`: UTF-16LE with its terminating zero.
std::vector<BYTE> StringBytes(const std::wstring& text);

// Target path and arguments of a shell link, loaded back through the shell link object.
struct LinkInfo {
    bool loaded = false;
    std::wstring target;
    std::wstring arguments;
};
LinkInfo LoadLink(const std::wstring& linkPath);

// Registers the shell's pin and unpin command handlers as Windows does, so a pin (and its
// undo) reaches the shell verb invoker under Wine, which has no handler; true when written.
bool SeedPinHandler();

std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool IsDirectory(const std::wstring& path);
std::wstring IniValue(const std::wstring& path, const std::wstring& section, const std::wstring& key);
