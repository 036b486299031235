#include "core/ApiEnvelope.h"

#include <gtest/gtest.h>

#include "TestPayloadCipher.h"
#include "core/PackageInfo.h"

namespace {

const std::string kKey = "Hq2xNw7cKd4ZrT9m";

std::string WithData(const std::string& data) {
    return "{\"code\":100100,\"message\":\"ok\",\"data\":\"" + data + "\"}";
}

TEST(ParseEnvelope, FailureTable) {
    const std::string good = EncryptPayloadForTest("1700000000{\"a\":1}", kKey);
    struct Case {
        const char* name;
        std::string text;
        EnvelopeOutcome outcome;
        int code;
        std::string message;
        std::string data;
    };
    const Case cases[] = {
        {"success", WithData(good), EnvelopeOutcome::Success, 100100, "", "{\"a\":1}"},
        {"refusal with a Chinese message", "{\"code\":100500,\"message\":\"\xe7\x89\x88\xe6\x9c\xac\"}",
         EnvelopeOutcome::Refused, 100500, "\xe7\x89\x88\xe6\x9c\xac", ""},
        {"code given as a string", "{\"code\":\"100100\",\"data\":\"" + good + "\"}", EnvelopeOutcome::Malformed, -1,
         "", ""},
        {"code is an object", "{\"code\":{}}", EnvelopeOutcome::Malformed, -1, "", ""},
        {"code missing reads as 0", "{\"message\":\"m\"}", EnvelopeOutcome::Refused, 0, "m", ""},
        {"code true reads as 1", "{\"code\":true}", EnvelopeOutcome::Refused, 1, "", ""},
        {"code as a whole real", "{\"code\":100100.0,\"data\":\"" + good + "\"}", EnvelopeOutcome::Success, 100100, "",
         "{\"a\":1}"},
        {"code out of int range", "{\"code\":99999999999}", EnvelopeOutcome::Malformed, -1, "", ""},
        // Reals: read as the C++ stream reads them, beyond a double's range no number at all.
        {"code with an exponent", "{\"code\":1.001e5,\"data\":\"" + good + "\"}", EnvelopeOutcome::Success, 100100, "",
         "{\"a\":1}"},
        {"code beyond a double's range", "{\"code\":-1e999}", EnvelopeOutcome::NotJson, -1, "", ""},
        {"refusal message is a real", "{\"code\":7,\"message\":-2.5e-1}", EnvelopeOutcome::Refused, 7, "-0.25", ""},
        {"refusal message is an array", "{\"code\":7,\"message\":[1]}", EnvelopeOutcome::Malformed, 7, "", ""},
        {"refusal message is a number", "{\"code\":7,\"message\":12}", EnvelopeOutcome::Refused, 7, "12", ""},
        {"root is an array", "[1,2]", EnvelopeOutcome::Malformed, -1, "", ""},
        {"root is a number", "5", EnvelopeOutcome::Malformed, -1, "", ""},
        {"root is null", "null", EnvelopeOutcome::Refused, 0, "", ""},
        {"data missing", "{\"code\":100100}", EnvelopeOutcome::Success, 100100, "", ""},
        {"data empty", WithData(""), EnvelopeOutcome::Success, 100100, "", ""},
        {"data not Base64", WithData("!!!!****"), EnvelopeOutcome::Success, 100100, "", ""},
        {"data with a bad length word", WithData(EncryptPayloadForTest("1700000000abc", kKey, 100)),
         EnvelopeOutcome::Success, 100100, "", ""},
        {"data is an object", "{\"code\":100100,\"data\":{}}", EnvelopeOutcome::Malformed, 100100, "", ""},
        {"plaintext shorter than its prefix", WithData(EncryptPayloadForTest("12345", kKey)),
         EnvelopeOutcome::Malformed, 100100, "", ""},
        {"plaintext of exactly ten characters", WithData(EncryptPayloadForTest("1700000000", kKey)),
         EnvelopeOutcome::Success, 100100, "", ""},
        {"empty text", "", EnvelopeOutcome::NotJson, -1, "", ""},
        {"HTML error page", "<html><body>502</body></html>", EnvelopeOutcome::NotJson, -1, "", ""},
        {"comments are allowed", "/* note */ {\"code\":3, // why\n\"message\":\"m\"}", EnvelopeOutcome::Refused, 3, "m",
         ""},
        {"text after the first value is ignored", "{\"code\":3,\"message\":\"m\"} <html>", EnvelopeOutcome::Refused, 3,
         "m", ""},
        {"nesting beyond the reader's limit", std::string(5000, '[') + std::string(5000, ']'), EnvelopeOutcome::NotJson,
         -1, "", ""},
    };
    for (const Case& c : cases) {
        const EnvelopeResult got = ParseEnvelope(c.text, kKey);
        EXPECT_EQ(got.outcome, c.outcome) << c.name;
        EXPECT_EQ(got.code, c.code) << c.name;
        EXPECT_EQ(got.message, c.message) << c.name;
        EXPECT_EQ(got.data, c.data) << c.name;
    }
}

TEST(ParsePackageInfo, ReadsMembersAndRefusesWhatCannotBeVerified) {
    const std::string md5 = "0123456789abcdef0123456789ABCDEF";
    struct Case {
        const char* name;
        std::string payload;
        PackageInfoStatus status;
        PackageInfo info;
    };
    const Case cases[] = {
        {"all three members",
         "{\"version_code\":\"2.3.1\",\"file_url\":\"https://h/c.zip\",\"file_md5\":\"" + md5 + "\"}",
         PackageInfoStatus::Ok,
         {"https://h/c.zip", md5, "2.3.1"}},
        {"numbers and booleans read as text",
         "{\"version_code\":231,\"file_url\":true,\"file_md5\":\"" + md5 + "\"}",
         PackageInfoStatus::Ok,
         {"true", md5, "231"}},
        {"missing members read as empty", "{\"file_md5\":\"" + md5 + "\"}", PackageInfoStatus::Ok, {"", md5, ""}},
        {"empty payload", "", PackageInfoStatus::NotJson, {}},
        {"not JSON", "this is not json", PackageInfoStatus::NotJson, {}},
        {"a member that is an object",
         "{\"file_url\":{\"a\":1},\"file_md5\":\"" + md5 + "\"}",
         PackageInfoStatus::BadMember,
         {}},
        {"a member that is an array",
         "{\"version_code\":[1],\"file_md5\":\"" + md5 + "\"}",
         PackageInfoStatus::BadMember,
         {}},
        {"root that is a number", "42", PackageInfoStatus::BadMember, {}},
        {"root that is null", "null", PackageInfoStatus::BadMd5, {}},
        {"empty digest", "{\"file_url\":\"u\",\"file_md5\":\"\"}", PackageInfoStatus::BadMd5, {}},
        {"digest one digit short", "{\"file_md5\":\"" + md5.substr(1) + "\"}", PackageInfoStatus::BadMd5, {}},
        {"digest with a non-hex digit", "{\"file_md5\":\"g" + md5.substr(1) + "\"}", PackageInfoStatus::BadMd5, {}},
        {"digest as a number", "{\"file_md5\":12345678901234567890123456789012}", PackageInfoStatus::BadMd5, {}},
    };
    for (const Case& c : cases) {
        PackageInfo got{"untouched", "untouched", "untouched"};
        EXPECT_EQ(ParsePackageInfo(c.payload, got), c.status) << c.name;
        if (c.status == PackageInfoStatus::Ok) {
            EXPECT_EQ(got.fileUrl, c.info.fileUrl) << c.name;
            EXPECT_EQ(got.fileMd5, c.info.fileMd5) << c.name;
            EXPECT_EQ(got.versionCode, c.info.versionCode) << c.name;
        } else {
            EXPECT_EQ(got.fileUrl, "untouched") << c.name;
        }
    }
}

TEST(Md5Equal, IgnoresCaseAndNeverMatchesEmpty) {
    EXPECT_TRUE(Md5Equal("0123456789abcdef0123456789abcdef", "0123456789ABCDEF0123456789abcdef"));
    EXPECT_FALSE(Md5Equal("0123456789abcdef0123456789abcdef", "0123456789abcdef0123456789abcdee"));
    EXPECT_FALSE(Md5Equal("", ""));
    EXPECT_FALSE(Md5Equal("abc", "abcd"));
}

}  // namespace
