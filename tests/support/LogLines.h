#pragma once
// The installer's log as tests read it back: UTF-16LE lines of the form
// "[2024-03-09 14:03:07][..\core\NetManager 57]message", CR LF after each.

#include <string>
#include <vector>

struct LogLine {
    std::wstring source;  // "..\core\NetManager"
    int line = 0;
    std::wstring message;
};

// Every well-formed line of the log at `path`, in order; none when it cannot be read.
[[nodiscard]] std::vector<LogLine> ReadLogLines(const std::wstring& path);

// The lines a log gains from the moment this object is made.
class LogWatch {
  public:
    explicit LogWatch(std::wstring path);
    // A log deleted for its size in between counts from its first line again.
    [[nodiscard]] std::vector<LogLine> NewLines() const;
    // The messages among the new lines that `source` wrote.
    [[nodiscard]] std::vector<std::wstring> NewMessages(const std::wstring& source) const;

  private:
    std::wstring path_;
    size_t start_;
};
