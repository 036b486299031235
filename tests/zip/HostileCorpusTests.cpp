// Every hostile archive through the memory path and the target planning: refused where it
// must be, and where it is accepted, every target stays below the root.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "HostileCorpus.h"
#include "zip/Unzip.h"
#include "zip/ZipTargetPath.h"

namespace {

std::wstring Normalized(std::wstring path) {
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return path;
}

ZipResult ExtractWhole(ZipHandle handle, int32_t index) {
    std::vector<char> buffer(8192);
    ZipResult result = UZ_MORE;
    for (int guard = 0; result == UZ_MORE && guard < 1000000; ++guard) {
        result = ExtractZipEntryToMemory(handle, index, buffer.data(), static_cast<uint32_t>(buffer.size()));
    }
    return result;
}

TEST(HostileCorpus, EveryArchiveIsRefusedOrStaysBelowTheRoot) {
    const std::wstring root = L"R:\\root\\";
    for (const HostileArchive& archive : BuildHostileCorpus()) {
        SCOPED_TRACE(archive.label);
        ZipHandle handle = OpenZipMemory(archive.bytes.data(), static_cast<uint32_t>(archive.bytes.size()), nullptr);
        if (archive.outcome == HostileArchive::Outcome::kOpenFails) {
            EXPECT_EQ(handle, nullptr);
            if (handle) {
                (void)CloseZipHandle(handle);
            }
            continue;
        }
        ASSERT_NE(handle, nullptr);
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(handle, -1, &info), UZ_OK);
        int32_t count = info.index;
        bool accepted = true;
        std::vector<std::wstring> targets;
        for (int32_t i = 0; i < count && accepted; ++i) {
            ZipTargetPlan plan;
            bool isDirectory = false;
            if (GetZipEntry(handle, i, &info) != UZ_OK) {
                accepted = false;
            } else if (isDirectory = (info.attributes & kZipAttrDirectory) != 0,
                       !PlanZipTarget(root, info.name, isDirectory, &plan)) {
                accepted = false;
            } else if (!isDirectory && ExtractWhole(handle, i) != UZ_OK) {
                accepted = false;
            } else {
                ASSERT_EQ(plan.path.compare(0, root.size(), root), 0) << Normalized(plan.path);
                if (!isDirectory) {
                    targets.push_back(Normalized(plan.path.substr(root.size())));
                }
            }
        }
        EXPECT_EQ(CloseZipHandle(handle), UZ_OK);
        if (archive.fileSystemOnly) {
            continue;
        }
        EXPECT_EQ(accepted, archive.outcome == HostileArchive::Outcome::kContained);
        if (accepted) {
            EXPECT_EQ(targets, archive.contained);
        }
    }
}

TEST(HostileCorpus, EveryCutOfAValidArchiveFailsCleanly) {
    const std::vector<HostileArchive> corpus = BuildHostileCorpus();
    auto valid = std::find_if(corpus.begin(), corpus.end(), [](const HostileArchive& a) { return a.label == "valid"; });
    ASSERT_NE(valid, corpus.end());
    const std::string& bytes = valid->bytes;
    // Cutting anywhere loses the end record, and so the archive; flipping any byte of the
    // headers must end in a refusal or a clean result, never a crash or a hang.
    for (size_t cut = 0; cut < bytes.size(); cut += 7) {
        ZipHandle handle = OpenZipMemory(bytes.data(), static_cast<uint32_t>(cut), nullptr);
        EXPECT_EQ(handle, nullptr) << cut;
        if (handle) {
            (void)CloseZipHandle(handle);
        }
    }
    for (size_t at = 0; at < bytes.size(); ++at) {
        if (at >= 120 && at < bytes.size() - 200) {
            continue;  // the middle of the entries' data is the fuzzer's business
        }
        std::string flipped = bytes;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x5A);
        ZipHandle handle = OpenZipMemory(flipped.data(), static_cast<uint32_t>(flipped.size()), nullptr);
        if (!handle) {
            continue;
        }
        ZipEntryInfo info;
        if (GetZipEntry(handle, -1, &info) == UZ_OK) {
            for (int32_t i = 0; i < info.index; ++i) {
                ZipEntryInfo entry;
                (void)GetZipEntry(handle, i, &entry);
                (void)ExtractWhole(handle, i);
            }
        }
        EXPECT_EQ(CloseZipHandle(handle), UZ_OK);
    }
}

}  // namespace
