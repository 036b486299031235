#include "core/ClientIdentity.h"

#include <gtest/gtest.h>

#include "util/Md5A.h"

namespace {

// The expected texts are written out by hand, and each digest was taken on the build host
// with `printf '%s' '<identity>' | md5sum`, not with the code under test.
TEST(ClientIdentity, PartsInOrderAndTheirDigest) {
    struct Case {
        const char* why;
        MachineFacts facts;
        const char* identity;
        const char* digest;
    };
    const Case cases[] = {
        {"Windows 8 or later leaves the MAC address out",
         {"VARLO-PC", "00-1A-2B-3C-4D-5E", 4, 8589934592ull, "BFEBFBFF000306A9", true},
         "VARLO-PC.4.8589934592.BFEBFBFF000306A9",
         "cae8e5efcf322aad0cc8191975810931"},
        {"Windows 7 carries it",
         {"VARLO-PC", "00-1A-2B-3C-4D-5E", 4, 8589934592ull, "BFEBFBFF000306A9", false},
         "VARLO-PC.00-1A-2B-3C-4D-5E.4.8589934592.BFEBFBFF000306A9",
         "b536dead09fdea4006a1a485e9d7963b"},
        {"Windows 7 without an adapter: an empty part",
         {"VARLO-PC", "", 4, 8589934592ull, "BFEBFBFF000306A9", false},
         "VARLO-PC..4.8589934592.BFEBFBFF000306A9",
         "ffd71d18b95ec3fad881fa7255040fcb"},
        {"unreadable computer name",
         {"", "", 1, 536870912ull, "178BFBFF00800F82", true},
         ".1.536870912.178BFBFF00800F82",
         "ce9ec509ef9715f8d616bca51d98ae93"},
        // "测试机" in UTF-8; memory past 32 bits is written whole.
        {"name outside ASCII, 4 GiB",
         {"\xE6\xB5\x8B\xE8\xAF\x95\xE6\x9C\xBA", "", 2, 4294967296ull, "BFEBFBFF000906EA", true},
         "\xE6\xB5\x8B\xE8\xAF\x95\xE6\x9C\xBA.2.4294967296.BFEBFBFF000906EA",
         "21b48256d6cb53633818b225b57fb6d6"},
    };
    for (const Case& c : cases) {
        const std::string identity = ComposeIdentityString(c.facts);
        EXPECT_EQ(identity, c.identity) << c.why;
        EXPECT_EQ(CMd5A().GetStringMd5(identity), c.digest) << c.why;
    }
}

}  // namespace
