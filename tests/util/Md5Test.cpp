#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "util/Md5A.h"

namespace {

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        s[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    }
    return s;
}

struct Vector {
    std::string input;
    const char* digest;
};

// RFC 1321's own suite, then inputs around the padding boundaries and the 512-byte read
// chunk (digests from an independent implementation).
const std::vector<Vector>& Vectors() {
    static const std::vector<Vector> v = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        {Pattern(55), "52c0e574e1198de5fe3f8f11440dcb1b"},
        {Pattern(56), "46c9907fc908ee68b1e7b8e71286a518"},
        {Pattern(63), "a62f6d59e837867693f042f5b8f5a236"},
        {Pattern(64), "7160b8fb5e9e4023d549c3971fbaeead"},
        {Pattern(65), "70bd662e7aefbda85a0f7244167b7897"},
        {Pattern(511), "8cf5e98108c3e9fae8d42ad637f9403e"},
        {Pattern(512), "6a5382abbcdbcf1bd54b3af589f56281"},
        {Pattern(513), "25c342511e72156b2041b8f6ec71228a"},
        {Pattern(1024), "a66351d9c8f941b70a02eaf9c41e69c3"},
    };
    return v;
}

std::wstring TempPath(const char* name) {
    const std::string dir = VARLO_TEST_BINARY_DIR;
    const std::string narrow = dir + "/md5-" + name;
    return std::wstring(narrow.begin(), narrow.end());
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
    const std::string narrow(path.begin(), path.end());
    FILE* f = std::fopen(narrow.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

TEST(Md5, StringDigestsMatchReference) {
    for (const auto& v : Vectors()) {
        EXPECT_EQ(CMd5A().GetStringMd5(v.input), v.digest) << "length " << v.input.size();
    }
}

TEST(Md5, FileDigestsMatchReference) {
    const std::wstring path = TempPath("file.bin");
    for (const auto& v : Vectors()) {
        WriteFile(path, v.input);
        EXPECT_EQ(CMd5A().GetFileMd5(path), v.digest) << "length " << v.input.size();
    }
}

TEST(Md5, UnopenableFileGivesEmptyText) {
    EXPECT_EQ(CMd5A().GetFileMd5(TempPath("does-not-exist/x.bin")), "");
}

// The download feeds bytes as they arrive, in arbitrary pieces: every split of the input
// must give the one-shot digest.
TEST(Md5, StreamingInAnyPiecesMatchesOneShot) {
    const std::string data = Pattern(300);
    const std::string expected = CMd5A().GetStringMd5(data);
    for (size_t first = 0; first <= data.size(); first += 7) {
        for (size_t piece : {1u, 13u, 64u, 200u}) {
            Md5Stream md5;
            md5.Update(data.data(), first);
            for (size_t at = first; at < data.size(); at += piece) {
                md5.Update(data.data() + at, std::min(piece, data.size() - at));
            }
            ASSERT_EQ(md5.FinishHex(), expected) << first << "/" << piece;
        }
    }
}

TEST(Md5, ResetStartsANewDigest) {
    Md5Stream md5;
    md5.Update("abc", 3);
    (void)md5.Finish();
    md5.Reset();
    md5.Update("abc", 3);
    EXPECT_EQ(md5.FinishHex(), "900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
