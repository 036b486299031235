#include "installer/VerifiedPackage.h"

#include <windows.h>

#include <vector>

#include "core/PackageInfo.h"
#include "util/Md5A.h"

namespace {

// Large reads into one buffer allocated once: the digest, not the reads, should set the pace.
constexpr DWORD kReadChunk = 1024 * 1024;

}  // namespace

VerifiedPackage OpenVerifiedPackage(const std::wstring& path,
                                    const std::string& expectedMd5,
                                    const std::atomic<bool>* cancel) {
    VerifiedPackage package;
    if (path.empty()) {
        return package;
    }
    UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        return package;
    }
    std::vector<unsigned char> chunk(kReadChunk);
    Md5Stream md5;
    for (;;) {
        if (cancel != nullptr && cancel->load()) {
            package.check = PackageCheck::Cancelled;
            return package;
        }
        DWORD got = 0;
        if (!::ReadFile(file.get(), chunk.data(), kReadChunk, &got, nullptr)) {
            return package;
        }
        if (got == 0) {
            break;
        }
        md5.Update(chunk.data(), got);
    }
    if (!Md5Equal(md5.FinishHex(), expectedMd5)) {
        package.check = PackageCheck::DigestDiffers;
        return package;
    }
    package.check = PackageCheck::Verified;
    package.file = std::move(file);
    return package;
}
