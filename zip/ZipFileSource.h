#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "util/UniqueHandle.h"
#include "zip/ZipSource.h"

// Archive bytes from a file handle, read at explicit offsets so the handle's own file
// pointer neither matters nor moves in a way anyone relies on.
class ZipFileSource final : public ZipSource {
  public:
    // Opens an existing file for reading, shared for reading only: while the archive is
    // open nobody can write, rename or delete the file. Null when it cannot be opened.
    [[nodiscard]] static std::unique_ptr<ZipFileSource> Open(const std::wstring& path);
    // Reads through a handle the caller keeps open for the source's lifetime.
    [[nodiscard]] static std::unique_ptr<ZipFileSource> Borrow(HANDLE file);

  private:
    ZipFileSource(UniqueKernelHandle owned, HANDLE file, uint64_t size);
    bool ReadRange(uint64_t offset, void* buffer, size_t size) override;

    UniqueKernelHandle owned_;
    HANDLE file_;
};

// A file opened by the reader (see ZipFileSource::Open).
[[nodiscard]] inline std::unique_ptr<ZipSource> OpenZipSource(const std::wstring& path) {
    return ZipFileSource::Open(path);
}
