#include "core/DownloadSink.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "util/Md5A.h"

namespace {

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    uint32_t x = 12345;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

std::string ReadBack(std::FILE* file) {
    std::rewind(file);
    std::string out;
    char buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        out.append(buffer, got);
    }
    return out;
}

TEST(DownloadSink, StoresAndDigestsEveryByteInOrderAcrossBlocks) {
    // Chunk sizes that straddle the block boundaries in every way, as TLS records do.
    for (const size_t total : {size_t{0}, size_t{1}, DownloadSink::kBlockSize, 3 * DownloadSink::kBlockSize + 17}) {
        const std::string input = Pattern(total);
        std::FILE* file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        {
            DownloadSink sink(file);
            size_t pos = 0;
            size_t chunk = 1;
            while (pos < input.size()) {
                const size_t n = std::min(chunk, input.size() - pos);
                ASSERT_EQ(sink.Write(input.data() + pos, n), n);
                pos += n;
                chunk = chunk * 3 + 7 > 300000 ? 16381 : chunk * 3 + 7;
            }
            std::string md5;
            ASSERT_TRUE(sink.Finish(md5));
            EXPECT_EQ(md5, CMd5A().GetStringMd5(input)) << total;
            EXPECT_EQ(sink.Write("x", 1), 0u) << "nothing is taken after Finish";
        }
        EXPECT_EQ(ReadBack(file), input) << total;
        std::fclose(file);
    }
}

TEST(DownloadSink, AFailedDiskWriteRefusesTheRestAndReportsNoDigest) {
    // A stream open for reading only: every write to it fails.
    const char* path = "download_sink_read_only.tmp";
    std::FILE* create = std::fopen(path, "wb");
    ASSERT_NE(create, nullptr);
    std::fclose(create);
    std::FILE* readOnly = std::fopen(path, "rb");
    ASSERT_NE(readOnly, nullptr);
    DownloadSink sink(readOnly);
    const std::string block = Pattern(DownloadSink::kBlockSize);
    size_t accepted = 0;
    for (int i = 0; i < 20 && sink.Write(block.data(), block.size()) == block.size(); ++i) {
        ++accepted;
    }
    EXPECT_LT(accepted, 20u) << "the failure reaches the transfer as a short count";
    std::string md5 = "stale";
    EXPECT_FALSE(sink.Finish(md5));
    EXPECT_EQ(md5, "");
    EXPECT_NE(sink.WriteError(), 0) << "a failed write carries an error code";
    std::fclose(readOnly);
    std::remove(path);
}

TEST(DownloadSink, KeepsTheErrorOfTheFirstFailingWriteAndWritesNothingAfterIt) {
    // A disk that fills up after two blocks: the code the system gave is the one reported.
    constexpr int kDiskFull = 112;
    int writes = 0;
    std::string stored;
    DownloadSink sink([&](const char* data, size_t size) {
        if (++writes > 2) {
            return kDiskFull;
        }
        stored.append(data, size);
        return 0;
    });
    const std::string block = Pattern(DownloadSink::kBlockSize);
    for (int i = 0; i < 8 && sink.Write(block.data(), block.size()) == block.size(); ++i) {
    }
    std::string md5;
    EXPECT_FALSE(sink.Finish(md5));
    EXPECT_EQ(sink.WriteError(), kDiskFull);
    EXPECT_EQ(writes, 3) << "no write is tried after the one that failed";
    EXPECT_EQ(stored.size(), 2 * DownloadSink::kBlockSize);
}

}  // namespace
