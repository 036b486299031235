#pragma once
// The signed form body of an API call. Parameters go out in byte order of their names;
// the signature is the MD5 of the lower-cased encoded text followed by the shared key.
// Pure logic.

#include <map>
#include <string>

struct SignedForm {
    std::string body;      // what is sent: "a=1&b=x+y&sign=<md5>"
    std::string signText;  // what is digested: the encoded pairs lower-cased, then the key
    std::string signature;
};

[[nodiscard]] SignedForm BuildSignedForm(const std::map<std::string, std::string>& params, const std::string& key);
