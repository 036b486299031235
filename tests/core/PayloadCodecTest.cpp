#include "core/PayloadCodec.h"

#include <gtest/gtest.h>

#include "TestPayloadCipher.h"

namespace {

const std::string kKey = "Hq2xNw7cKd4ZrT9m";

TEST(Base64DecodeLenient, DecodesAndStopsWhereTheAlphabetEnds) {
    struct Case {
        const char* input;
        std::string expected;
    };
    const Case cases[] = {
        {"", ""},
        {"TWFu", "Man"},
        {"TWE=", "Ma"},
        {"TQ==", "M"},
        {"TWE", "Ma"},  // partial group of 3: two bytes, no padding needed
        {"TQ", "M"},    // partial group of 2: one byte
        {"T", ""},      // a lone character carries no whole byte
        {"TWFuTWFu", "ManMan"},
        {"TWFu=TWFu", "Man"},      // "=" ends the input even mid-text
        {"TWFu!TWFu", "Man"},      // so does any character outside the alphabet
        {"TW Fu", "M"},            // a blank is outside the alphabet too
        {"+/+/", "\xfb\xff\xbf"},  // the two non-alphanumeric digits
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Base64DecodeLenient(c.input), c.expected) << c.input;
    }
}

TEST(Xxtea, DecryptsThePublishedZeroKeyVector) {
    // Corrected Block TEA, all-zero key, two zero words encrypt to 0x053704ab 0x575d8c80.
    std::vector<uint32_t> words = {0x053704abu, 0x575d8c80u};
    const uint32_t zero[4] = {0, 0, 0, 0};
    XxteaDecrypt(words, zero);
    EXPECT_EQ(words, (std::vector<uint32_t>{0, 0}));
}

TEST(Xxtea, KeyIsTheFirstSixteenBytesLittleEndianZeroPadded) {
    uint32_t k[4];
    XxteaKeyWords("Hq2xNw7cKd4ZrT9m-ignored", k);
    EXPECT_EQ(k[0], 0x78327148u);  // "Hq2x"
    EXPECT_EQ(k[3], 0x6d395472u);  // "rT9m"; the rest of the text is not key
    XxteaKeyWords("ab", k);
    EXPECT_EQ(k[0], 0x00006261u);
    EXPECT_EQ(k[1], 0u);
}

TEST(DecryptPayload, ReadsWhatTheSimulatorEncrypts) {
    // Produced by the vendor simulator's independent encoder (tools/simulator/sim_codec.py).
    const DecodedPayload full = DecryptPayload(
        "TLG7cJbRHnHIjnh4JHRABYPQUFXfdQbajPzu9lXpC3gCOTrxWs8RPLe4W9wIdiwBnXsj2jVhArJdpihYZLBtHRBDppQVaeY8QqgoqoANzBtknJ"
        "bVWav/tSpo02CQwIx76WY2D1MmtC9op4SXy2wQDTHMLJuFrgr+k+4XCw==",
        kKey);
    EXPECT_EQ(full.status, PayloadStatus::Ok);
    EXPECT_EQ(full.text,
              "{\"version_code\":\"2.3.1\",\"file_url\":\"https://h/f/\xe5\xae\xa2\xe6\x88\xb7\xe7\xab\xaf.zip\","
              "\"file_md5\":\"0123456789abcdef0123456789ABCDEF\"}");

    const DecodedPayload exactlyPrefix = DecryptPayload("vRO2uLfC111u1XyydLrM4w==", kKey);
    EXPECT_EQ(exactlyPrefix.status, PayloadStatus::Ok);
    EXPECT_EQ(exactlyPrefix.text, "");

    EXPECT_EQ(DecryptPayload("4JtZEkMvyXTd5dkEPjszkg==", kKey).status, PayloadStatus::TooShort);
    EXPECT_EQ(DecryptPayload("4BP8NLx7dHuPgNdqjeh7xmBia5Q=", kKey).status, PayloadStatus::Empty);
}

TEST(DecryptPayload, LengthWordBounds) {
    // 13 plaintext bytes take 4 words plus the length word: n = 5, valid lengths 13 to 16.
    const std::string plain = "1700000000abc";
    struct Case {
        int64_t lengthWord;
        PayloadStatus status;
        std::string text;
    };
    const Case cases[] = {
        {-1, PayloadStatus::Ok, "abc"}, {13, PayloadStatus::Ok, "abc"},
        {16, PayloadStatus::Ok, "abc"},  // padding zeros are cut at the first zero byte
        {12, PayloadStatus::Empty, ""},  // below 4(n-1)-3
        {17, PayloadStatus::Empty, ""},  // above 4(n-1)
        {11, PayloadStatus::Empty, ""}, {0xFFFFFFFF, PayloadStatus::Empty, ""},
    };
    for (const Case& c : cases) {
        const DecodedPayload got = DecryptPayload(EncryptPayloadForTest(plain, kKey, c.lengthWord), kKey);
        EXPECT_EQ(got.status, c.status) << c.lengthWord;
        EXPECT_EQ(got.text, c.text) << c.lengthWord;
    }
}

TEST(DecryptPayload, InputsThatYieldNothing) {
    EXPECT_EQ(DecryptPayload("", kKey).status, PayloadStatus::Empty);
    EXPECT_EQ(DecryptPayload("!!!!****", kKey).status, PayloadStatus::Empty);
    EXPECT_EQ(DecryptPayload("AAAAAA==", kKey).status, PayloadStatus::Empty);  // one word: nothing decrypted
    EXPECT_EQ(DecryptPayload(EncryptPayloadForTest("", kKey), kKey).status, PayloadStatus::Empty);
}

TEST(DecryptPayload, PlaintextIsCutAtItsFirstZeroByte) {
    const std::string plain = std::string("1700000000ab") + '\0' + "cd";
    const DecodedPayload got = DecryptPayload(EncryptPayloadForTest(plain, kKey), kKey);
    EXPECT_EQ(got.status, PayloadStatus::Ok);
    EXPECT_EQ(got.text, "ab");
    const std::string early = std::string("17000") + '\0' + "0000000abc";
    EXPECT_EQ(DecryptPayload(EncryptPayloadForTest(early, kKey), kKey).status, PayloadStatus::TooShort);
}

TEST(DecryptPayload, RoundTripsEveryLengthAndTheWrongKeyFails) {
    for (size_t length = 11; length < 80; ++length) {
        std::string plain;
        for (size_t i = 0; i < length; ++i) {
            plain += static_cast<char>('a' + (i * 7) % 26);
        }
        const std::string data = EncryptPayloadForTest(plain, kKey);
        const DecodedPayload got = DecryptPayload(data, kKey);
        ASSERT_EQ(got.status, PayloadStatus::Ok) << length;
        EXPECT_EQ(got.text, plain.substr(10)) << length;
        EXPECT_NE(DecryptPayload(data, "another-key-0000").text, plain.substr(10)) << length;
    }
}

}  // namespace
