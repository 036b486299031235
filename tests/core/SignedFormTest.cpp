#include "core/SignedForm.h"

#include <gtest/gtest.h>

#include "util/Md5A.h"

namespace {

const std::string kKey = "Hq2xNw7cKd4ZrT9m";

TEST(BuildSignedForm, SortsByNameEncodesAndSignsTheLowerCasedText) {
    // Inserted out of order; names go out in byte order ("B" < "a" < "ts").
    std::map<std::string, std::string> params;
    params["ts"] = "1700000000";
    params["b"] = "Hello World/~*";
    params["a"] = "\xe4\xb8\xad";
    const SignedForm form = BuildSignedForm(params, kKey);
    EXPECT_EQ(form.signText, "a=%e4%b8%ad&b=hello+world%2f%7e%2a&ts=1700000000Hq2xNw7cKd4ZrT9m");
    // Same body and signature as the simulator's own encoder produces for these parameters.
    EXPECT_EQ(form.body, "a=%E4%B8%AD&b=Hello+World%2F%7E%2A&ts=1700000000&sign=f164259139a0c0b2c5469f59b07e5a03");
    EXPECT_EQ(form.signature, "f164259139a0c0b2c5469f59b07e5a03");
}

TEST(BuildSignedForm, SingleTimestampAndEmptyParameterSet) {
    const SignedForm ts = BuildSignedForm({{"ts", "1700000000"}}, kKey);
    EXPECT_EQ(ts.body, "ts=1700000000&sign=" + CMd5A().GetStringMd5("ts=1700000000" + kKey));
    EXPECT_EQ(ts.body.size(), std::string("ts=1700000000&sign=").size() + 32);

    const SignedForm none = BuildSignedForm({}, kKey);
    EXPECT_EQ(none.body, "&sign=e8a371b1a72f3b71062b01f033f9a98b");  // MD5 of the key alone
    EXPECT_EQ(none.body.find(kKey), std::string::npos);
}

TEST(BuildSignedForm, ByteOrderPutsUpperCaseNamesFirstAndNamesKeepTheirCase) {
    const SignedForm form = BuildSignedForm({{"b", "1"}, {"B", "Q"}, {"a", "3"}}, kKey);
    EXPECT_EQ(form.body.substr(0, form.body.find("&sign=")), "B=Q&a=3&b=1");
    // Only values are lower-cased for signing; names are signed as sent.
    EXPECT_EQ(form.signText, "B=q&a=3&b=1" + kKey);
}

}  // namespace
