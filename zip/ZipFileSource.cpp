#include "zip/ZipFileSource.h"

#include <new>

namespace {

bool QuerySize(HANDLE file, uint64_t* size) {
    LARGE_INTEGER value;
    if (!::GetFileSizeEx(file, &value) || value.QuadPart < 0) {
        return false;
    }
    *size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

}  // namespace

ZipFileSource::ZipFileSource(UniqueKernelHandle owned, HANDLE file, uint64_t size)
    : ZipSource(size), owned_(std::move(owned)), file_(file) {}

std::unique_ptr<ZipFileSource> ZipFileSource::Open(const std::wstring& path) {
    if (path.empty()) {
        return nullptr;
    }
    UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    uint64_t size = 0;
    if (!file || !QuerySize(file.get(), &size)) {
        return nullptr;
    }
    HANDLE raw = file.get();
    return std::unique_ptr<ZipFileSource>(new (std::nothrow) ZipFileSource(std::move(file), raw, size));
}

std::unique_ptr<ZipFileSource> ZipFileSource::Borrow(HANDLE file) {
    uint64_t size = 0;
    if (!file || file == INVALID_HANDLE_VALUE || !QuerySize(file, &size)) {
        return nullptr;
    }
    return std::unique_ptr<ZipFileSource>(new (std::nothrow) ZipFileSource(UniqueKernelHandle(), file, size));
}

bool ZipFileSource::ReadRange(uint64_t offset, void* buffer, size_t size) {
    auto* out = static_cast<uint8_t*>(buffer);
    while (size > 0) {
        DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        // Nothing read while bytes are owed is a failure, never a reason to try again.
        if (!::ReadFile(file_, out, chunk, &got, &at) || got == 0) {
            return false;
        }
        out += got;
        offset += got;
        size -= got;
    }
    return true;
}
