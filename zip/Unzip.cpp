#include "zip/Unzip.h"

#include <new>

#include "zip/ZipHandleData.h"
#include "zip/ZipSource.h"

ZipHandle WrapZipArchive(std::unique_ptr<ZipArchive> archive) {
    if (!archive) {
        return nullptr;
    }
    auto* handle = new (std::nothrow) ZipHandleData;
    if (handle) {
        handle->archive = std::move(archive);
    }
    return handle;
}

ZipHandle OpenZipFromSource(std::unique_ptr<ZipSource> source, const char* password) {
    return WrapZipArchive(ZipArchive::Open(std::move(source), password));
}

ZipHandle OpenZipMemory(const void* buffer, uint32_t length, const char* password) {
    if (!buffer) {
        return nullptr;
    }
    return OpenZipFromSource(OpenZipSource(buffer, length), password);
}

ZipResult CloseZipHandle(ZipHandle handle) {
    if (!ArchiveOf(handle)) {
        return UZ_ARGS;
    }
    handle->tag = 0;
    delete handle;
    return UZ_OK;
}

ZipResult GetZipEntry(ZipHandle handle, int32_t index, ZipEntryInfo* info) {
    ZipArchive* archive = ArchiveOf(handle);
    return archive ? archive->GetEntry(index, info) : UZ_ARGS;
}

ZipResult FindZipEntry(ZipHandle handle,
                       const std::wstring& name,
                       bool ignoreCase,
                       int32_t* index,
                       ZipEntryInfo* info) {
    ZipArchive* archive = ArchiveOf(handle);
    return archive ? archive->FindEntry(name, ignoreCase, index, info) : UZ_ARGS;
}

ZipResult SetZipExtractRoot(ZipHandle handle, const std::wstring& directory) {
    ZipArchive* archive = ArchiveOf(handle);
    return archive ? archive->SetExtractRoot(directory) : UZ_ARGS;
}

ZipResult ExtractZipEntryToMemory(ZipHandle handle, int32_t index, void* buffer, uint32_t length, uint32_t* written) {
    if (written) {
        *written = 0;
    }
    ZipArchive* archive = ArchiveOf(handle);
    return archive ? archive->ExtractToMemory(index, buffer, length, written) : UZ_ARGS;
}

ZipResult GetZipTotalSize(ZipHandle handle, uint64_t* total) {
    ZipArchive* archive = ArchiveOf(handle);
    return archive ? archive->TotalUncompressedSize(total) : UZ_ARGS;
}
