#pragma once
// Where a download's bytes go: the file and the MD5 digest, both fed on a helper thread so
// the transfer thread only copies each chunk into a block and goes back to the network.
// Blocks are written and digested in arrival order; at most a few are in flight, so a
// slow disk holds the transfer back instead of filling memory. Pure logic.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "util/Md5A.h"

class DownloadSink {
  public:
    static constexpr size_t kBlockSize = 256 * 1024;
    static constexpr size_t kBlocksInFlight = 4;

    // Writes one block; 0 when all of it was written, else the system's error code (any
    // non-zero value when there is none), so a full disk can be told from a lost network.
    using BlockWriter = std::function<int(const char* data, size_t size)>;

    // `file` stays the caller's; it must outlive this object.
    explicit DownloadSink(std::FILE* file);
    explicit DownloadSink(BlockWriter writer);
    ~DownloadSink();
    DownloadSink(const DownloadSink&) = delete;
    DownloadSink& operator=(const DownloadSink&) = delete;

    // Digests bytes already in the file (a partial package being continued) ahead of what
    // comes; only before the first Write. DropHeld forgets them (the whole file is coming).
    void AddHeld(const char* data, size_t length) { md5_.Update(data, length); }
    void DropHeld() { md5_.Reset(); }
    // Takes all `length` bytes, or none once an earlier write has failed (a short count
    // that makes libcurl fail the transfer).
    [[nodiscard]] size_t Write(const char* data, size_t length);
    // Writes what is left and waits for the helper. True when every byte reached the file;
    // `md5Hex` is then the digest of all bytes taken, else empty.
    [[nodiscard]] bool Finish(std::string& md5Hex);
    // The error of the write that failed; 0 when none did. Read after Finish.
    [[nodiscard]] int WriteError() const { return writeError_; }

  private:
    void Hand(std::vector<char>&& block);
    void Drain();

    BlockWriter writer_;
    int writeError_ = 0;  // the helper's, read after it has been joined
    Md5Stream md5_;
    std::vector<char> current_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::vector<char>> queue_;
    std::vector<std::vector<char>> spare_;
    bool closing_ = false;
    std::atomic<bool> failed_{false};  // set by the helper, read by the transfer without the lock
    bool finished_ = false;            // the transfer thread's own
    std::thread worker_;
};
