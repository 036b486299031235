#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Where archive bytes come from. Reads are positional, so a source never carries a cursor
// that another reader of the same file could move. A failed read sticks: every later read
// fails too, so a flaky medium cannot yield a half-good entry.
class ZipSource {
  public:
    virtual ~ZipSource() = default;
    ZipSource(const ZipSource&) = delete;
    ZipSource& operator=(const ZipSource&) = delete;

    [[nodiscard]] uint64_t Size() const { return size_; }
    [[nodiscard]] bool HasReadError() const { return readError_; }

    // Reads up to `size` bytes at `offset`; fewer only at the end of the source. Returns
    // the count, or -1 after a failure. Offsets past the end read nothing.
    [[nodiscard]] int64_t Read(uint64_t offset, void* buffer, size_t size);
    // Reads exactly `size` bytes or fails.
    [[nodiscard]] bool ReadExact(uint64_t offset, void* buffer, size_t size);

  protected:
    explicit ZipSource(uint64_t size) : size_(size) {}
    // Reads exactly `size` bytes at `offset`, which the caller has kept inside the source.
    [[nodiscard]] virtual bool ReadRange(uint64_t offset, void* buffer, size_t size) = 0;

  private:
    uint64_t size_;
    bool readError_ = false;
};

// A block of memory read in place; the caller keeps it alive while the source exists.
class MemoryZipSource final : public ZipSource {
  public:
    MemoryZipSource(const void* data, size_t length)
        : ZipSource(data ? length : 0), data_(static_cast<const uint8_t*>(data)) {}

  private:
    bool ReadRange(uint64_t offset, void* buffer, size_t size) override;

    const uint8_t* data_;
};

[[nodiscard]] std::unique_ptr<ZipSource> OpenZipSource(const void* data, size_t length);
