// Opens arbitrary bytes as an archive from memory, walks every entry, plans its target
// below a root and extracts it into memory in pieces. Beyond what the sanitizers catch,
// the planned target must stay below the root and cleaned names must be relative.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "zip/Unzip.h"
#include "zip/ZipEntryName.h"
#include "zip/ZipTargetPath.h"

namespace {

constexpr size_t kMaxOutputPerEntry = 1 << 20;

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void CheckName(const std::wstring& name) {
    Require(!IsAbsoluteTargetName(name), "cleaned name is absolute");
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) {
            end = name.size();
        }
        std::wstring part = name.substr(start, end - start);
        Require(part != L".." && part != L".", "cleaned name keeps a dot component");
        start = end + 1;
    }
}

void WalkEntry(ZipHandle handle, int32_t index) {
    static const std::wstring kRoot = L"C:\\root\\";
    ZipEntryInfo info;
    if (GetZipEntry(handle, index, &info) == UZ_OK) {
        std::wstring name(info.name);
        Require(name.size() < kZipMaxPath, "name not terminated in its buffer");
        CheckName(name);
        ZipTargetPlan plan;
        if (PlanZipTarget(kRoot, name, (info.attributes & kZipAttrDirectory) != 0, &plan)) {
            Require(plan.path.compare(0, kRoot.size(), kRoot) == 0, "target outside the root");
            Require(plan.path.size() < kZipMaxPath, "target too long");
        }
        int32_t found = -1;
        (void)FindZipEntry(handle, name, true, &found, nullptr);
    }
    std::vector<uint8_t> buffer(4093);
    size_t total = 0;
    ZipResult result = UZ_MORE;
    while (result == UZ_MORE && total < kMaxOutputPerEntry) {
        uint32_t written = 0;
        result = ExtractZipEntryToMemory(handle, index, buffer.data(), static_cast<uint32_t>(buffer.size()), &written);
        Require(written <= buffer.size(), "wrote past the buffer");
        Require(result != UZ_MORE || written > 0, "more without progress");
        total += written;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (16u << 20)) {
        return 0;
    }
    ZipHandle handle = OpenZipMemory(data, static_cast<uint32_t>(size), "pw");
    if (!handle) {
        return 0;
    }
    ZipEntryInfo count;
    if (GetZipEntry(handle, -1, &count) == UZ_OK) {
        for (int32_t i = 0; i < count.index && i < 256; ++i) {
            WalkEntry(handle, i);
        }
    }
    Require(CloseZipHandle(handle) == UZ_OK, "close failed");
    return 0;
}
