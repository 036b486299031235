#pragma once

#include <cstdint>
#include <memory>

#include "zip/ZipArchive.h"

// What a ZipHandle points to. The tag tells a reading handle from anything else passed in.
struct ZipHandleData {
    static constexpr uint32_t kReadingTag = 0x5A524431;  // "ZRD1"

    uint32_t tag = kReadingTag;
    std::unique_ptr<ZipArchive> archive;
};

// The archive behind a handle, or null for a null or foreign handle.
[[nodiscard]] inline ZipArchive* ArchiveOf(ZipHandle handle) {
    return (handle && handle->tag == ZipHandleData::kReadingTag) ? handle->archive.get() : nullptr;
}

[[nodiscard]] ZipHandle WrapZipArchive(std::unique_ptr<ZipArchive> archive);
