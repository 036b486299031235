#include "zip/ZipSource.h"

#include <cstring>

int64_t ZipSource::Read(uint64_t offset, void* buffer, size_t size) {
    if (readError_) {
        return -1;
    }
    if (offset >= size_ || size == 0) {
        return 0;
    }
    uint64_t available = size_ - offset;
    size_t count = available < size ? static_cast<size_t>(available) : size;
    if (!ReadRange(offset, buffer, count)) {
        readError_ = true;
        return -1;
    }
    return static_cast<int64_t>(count);
}

bool ZipSource::ReadExact(uint64_t offset, void* buffer, size_t size) {
    if (size == 0) {
        return !readError_;
    }
    return Read(offset, buffer, size) == static_cast<int64_t>(size);
}

bool MemoryZipSource::ReadRange(uint64_t offset, void* buffer, size_t size) {
    std::memcpy(buffer, data_ + offset, size);
    return true;
}

std::unique_ptr<ZipSource> OpenZipSource(const void* data, size_t length) {
    if (!data && length != 0) {
        return nullptr;
    }
    return std::make_unique<MemoryZipSource>(data, length);
}
