#include "core/ResumeRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kMd5 = "0123456789abcdef0123456789ABCDEF";

ResumeRecord Sample() {
    ResumeRecord r;
    r.url = "https://dl.example.cn/files/client.zip?token=a b";
    r.md5 = kMd5;
    r.heldBytes = 123456789;
    r.validator = "\"abc-1\"";
    return r;
}

TEST(ResumeRecord, WhatIsWrittenIsReadBack) {
    ResumeRecord back;
    ASSERT_TRUE(ParseResumeRecord(FormatResumeRecord(Sample()), back));
    EXPECT_EQ(back.url, Sample().url);
    EXPECT_EQ(back.md5, kMd5);
    EXPECT_EQ(back.heldBytes, 123456789);
    EXPECT_EQ(back.validator, "\"abc-1\"");
}

TEST(ResumeRecord, AnythingElseIsRefused) {
    const std::string good = FormatResumeRecord(Sample());
    struct Case {
        const char* why;
        std::string text;
    };
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    const Case cases[] = {
        {"empty", ""},
        {"no final line end", good.substr(0, good.size() - 1)},
        {"other version", replaced("varlo-resume 1", "varlo-resume 2")},
        {"fields out of order", replaced("md5 ", "bytes ")},
        {"a field twice", good + "bytes 5\n"},
        {"digest of 31 digits", replaced(kMd5, kMd5.substr(1))},
        {"digest not hex", replaced(kMd5, std::string(32, 'g'))},
        {"negative count", replaced("bytes 123456789", "bytes -1")},
        {"count with a leading zero", replaced("bytes 123456789", "bytes 0123")},
        {"count past 2^48", replaced("bytes 123456789", "bytes 281474976710657")},
        {"count that overflows", replaced("bytes 123456789", "bytes 99999999999999999999")},
        {"empty validator", replaced("validator \"abc-1\"", "validator ")},
        {"control character in the URL", replaced("token=a", "token=\ta")},
        {"carriage return", replaced("\nmd5", "\r\nmd5")},
        {"too long", replaced("token=a", "token=" + std::string(kMaxResumeRecordBytes, 'x'))},
    };
    for (const Case& c : cases) {
        ResumeRecord r;
        r.heldBytes = -7;
        EXPECT_FALSE(ParseResumeRecord(c.text, r)) << c.why;
        EXPECT_EQ(r.heldBytes, -7) << c.why << ": nothing is taken from a refused record";
    }
    ResumeRecord r;
    EXPECT_TRUE(ParseResumeRecord(replaced("bytes 123456789", "bytes 0"), r)) << "zero is a count";
}

TEST(AnswerHead, StatusRangeValidatorsAndRetryAfter) {
    const AnswerHead h = ParseAnswerHead(
        "HTTP/1.1 206 Partial Content\r\ncontent-range: bytes 100-999/1000\r\nETag: \"v1\"\r\n"
        "Last-Modified: Wed, 09 Dec 2026 08:00:00 GMT\r\nRetry-After: 7\r\n\r\n");
    EXPECT_EQ(h.status, 206);
    ASSERT_TRUE(h.hasRange);
    EXPECT_EQ(h.rangeFirst, 100);
    EXPECT_EQ(h.rangeLast, 999);
    EXPECT_EQ(h.rangeTotal, 1000);
    EXPECT_EQ(h.retryAfterSeconds, 7);
    EXPECT_EQ(StrongValidator(h), "\"v1\"");

    struct Case {
        const char* why;
        const char* block;
        int status;
        bool hasRange;
        const char* validator;
        int retryAfter;
    };
    const Case cases[] = {
        {"HTTP/2 status line", "HTTP/2 200\r\n\r\n", 200, false, "", -1},
        {"unknown total", "HTTP/1.1 206 OK\r\nContent-Range: bytes 5-9/*\r\n", 206, true, "", -1},
        {"range backwards", "HTTP/1.1 206 OK\r\nContent-Range: bytes 9-5/10\r\n", 206, false, "", -1},
        {"range past the total", "HTTP/1.1 206 OK\r\nContent-Range: bytes 5-10/10\r\n", 206, false, "", -1},
        {"range of another unit", "HTTP/1.1 206 OK\r\nContent-Range: items 5-9/10\r\n", 206, false, "", -1},
        {"weak ETag: Last-Modified instead",
         "HTTP/1.1 200 OK\r\nETag: W/\"v\"\r\nLast-Modified: Tue, 08 Dec 2026 00:00:00 GMT\r\n", 200, false,
         "Tue, 08 Dec 2026 00:00:00 GMT", -1},
        {"weak ETag alone", "HTTP/1.1 200 OK\r\nETag: W/\"v\"\r\n", 200, false, "", -1},
        {"Retry-After as a date", "HTTP/1.1 503 x\r\nRetry-After: Wed, 09 Dec 2026 08:00:00 GMT\r\n", 503, false, "",
         -1},
        {"no status line", "Content-Range: bytes 0-1/2\r\n", 0, false, "", -1},
        {"status of letters", "HTTP/1.1 2x6 OK\r\n", 0, false, "", -1},
    };
    for (const Case& c : cases) {
        const AnswerHead got = ParseAnswerHead(c.block);
        EXPECT_EQ(got.status, c.status) << c.why;
        EXPECT_EQ(got.hasRange, c.hasRange) << c.why;
        EXPECT_EQ(StrongValidator(got), c.validator) << c.why;
        EXPECT_EQ(got.retryAfterSeconds, c.retryAfter) << c.why;
    }
}

TEST(AnswerHead, OnlyAnAnswerThatContinuesTheHeldBytesIsAppended) {
    const auto head = [](const std::string& block) { return ParseAnswerHead(block); };
    const std::string v = "\"v1\"";
    struct Case {
        const char* why;
        std::string block;
        int64_t held;
        RangeVerdict verdict;
    };
    const Case cases[] = {
        {"206 at the bytes held", "HTTP/1.1 206 OK\r\nContent-Range: bytes 400-999/1000\r\nETag: \"v1\"\r\n", 400,
         RangeVerdict::Append},
        {"206 without a validator of its own", "HTTP/1.1 206 OK\r\nContent-Range: bytes 400-999/1000\r\n", 400,
         RangeVerdict::Append},
        {"range ignored", "HTTP/1.1 200 OK\r\nETag: \"v1\"\r\n", 400, RangeVerdict::StartOver},
        {"If-Range ignored, file changed", "HTTP/1.1 206 OK\r\nContent-Range: bytes 400-999/1000\r\nETag: \"v2\"\r\n",
         400, RangeVerdict::Refuse},
        {"206 at the wrong offset", "HTTP/1.1 206 OK\r\nContent-Range: bytes 500-999/1000\r\n", 400,
         RangeVerdict::Refuse},
        {"206 short of the end", "HTTP/1.1 206 OK\r\nContent-Range: bytes 400-899/1000\r\n", 400, RangeVerdict::Refuse},
        {"206 without Content-Range", "HTTP/1.1 206 OK\r\n", 400, RangeVerdict::Refuse},
        {"206 for the whole file unasked", "HTTP/1.1 206 OK\r\nContent-Range: bytes 0-999/1000\r\n", 0,
         RangeVerdict::Append},
        {"a fresh download", "HTTP/1.1 200 OK\r\n", 0, RangeVerdict::StartOver},
        {"416", "HTTP/1.1 416 Range Not Satisfiable\r\n", 400, RangeVerdict::Refuse},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JudgeAnswer(head(c.block), c.held, v), c.verdict) << c.why;
    }
}

}  // namespace
