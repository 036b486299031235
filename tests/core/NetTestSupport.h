#pragma once
// Shared pieces of the network tests: files, the log written by the code under test, and
// fakes for the clock and the pauses. Scratch folders are the shared TempDir.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/LogLines.h"
#include "tests/support/TempDir.h"

[[nodiscard]] std::string ReadWholeFile(const std::wstring& path);
[[nodiscard]] bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
[[nodiscard]] bool PathExists(const std::wstring& path);

// Lines the log gained since this object was made.
class LogCapture {
  public:
    LogCapture();
    [[nodiscard]] std::vector<LogLine> NewLines() const { return watch_.NewLines(); }
    // The new messages `source` wrote: a module's own lines, whatever others log meanwhile
    // (the chain check notes an unknown revocation status on every connection).
    [[nodiscard]] std::vector<std::wstring> NewMessages(const std::wstring& source) const {
        return watch_.NewMessages(source);
    }
    // Lines of `source` ("..\core\NetManager") whose message is exactly `message`.
    [[nodiscard]] int Count(const std::wstring& source, const std::wstring& message) const;
    [[nodiscard]] std::wstring Messages() const;  // all new lines, for failure output

  private:
    LogWatch watch_;
};

// The log file every test of this executable writes to (set up once per process).
const std::wstring& TestLogPath();

// Fakes: pauses are recorded, not slept; the tick count is whatever the test says.
struct FakePauses {
    static void Sleep(uint32_t ms);
    static std::vector<uint32_t> taken;
};
