#include "core/DownloadSink.h"

#include <cerrno>
#include <utility>

DownloadSink::DownloadSink(std::FILE* file)
    : DownloadSink([file](const char* data, size_t size) {
          errno = 0;
          if (std::fwrite(data, 1, size, file) == size) {
              return 0;
          }
          return errno != 0 ? errno : -1;
      }) {}

DownloadSink::DownloadSink(BlockWriter writer) : writer_(std::move(writer)) {
    current_.reserve(kBlockSize);
    worker_ = std::thread([this] { Drain(); });
}

DownloadSink::~DownloadSink() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        closing_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

size_t DownloadSink::Write(const char* data, size_t length) {
    if (failed_ || finished_) {
        return 0;
    }
    size_t taken = 0;
    while (taken < length) {
        const size_t room = kBlockSize - current_.size();
        const size_t n = length - taken < room ? length - taken : room;
        current_.insert(current_.end(), data + taken, data + taken + n);
        taken += n;
        if (current_.size() == kBlockSize) {
            Hand(std::move(current_));
            current_ = std::vector<char>();
            std::lock_guard<std::mutex> hold(lock_);
            if (!spare_.empty()) {
                current_ = std::move(spare_.back());
                spare_.pop_back();
            }
            current_.clear();
            current_.reserve(kBlockSize);
        }
    }
    return failed_ ? 0 : length;
}

void DownloadSink::Hand(std::vector<char>&& block) {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return queue_.size() < kBlocksInFlight || failed_; });
    queue_.push_back(std::move(block));
    changed_.notify_all();
}

void DownloadSink::Drain() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        changed_.wait(hold, [this] { return !queue_.empty() || closing_; });
        if (queue_.empty()) {
            return;
        }
        std::vector<char> block = std::move(queue_.front());
        queue_.pop_front();
        const bool skip = failed_;
        hold.unlock();
        int error = 0;
        if (!skip) {
            error = writer_(block.data(), block.size());
            if (error == 0) {
                md5_.Update(block.data(), block.size());
            }
        }
        hold.lock();
        if (error != 0) {
            writeError_ = error;
            failed_ = true;
        }
        spare_.push_back(std::move(block));
        changed_.notify_all();
    }
}

bool DownloadSink::Finish(std::string& md5Hex) {
    md5Hex.clear();
    if (!current_.empty()) {
        Hand(std::move(current_));
        current_ = std::vector<char>();
    }
    finished_ = true;
    {
        std::lock_guard<std::mutex> hold(lock_);
        closing_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
    if (failed_) {
        return false;
    }
    md5Hex = md5_.FinishHex();
    return true;
}
