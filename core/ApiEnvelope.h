#pragma once
// The API's JSON envelope: {"code": int, "message": text, "data": encrypted payload}.
// Pure logic; the caller logs and converts texts.

#include <string>
#include <string_view>

constexpr int kApiSuccessCode = 100100;

enum class EnvelopeOutcome {
    Success,    // code 100100; `data` holds the decrypted payload (possibly empty)
    Refused,    // another integer code; `message` holds the server's reason (UTF-8)
    Malformed,  // a member of the wrong type, a root that is no object, a too short payload
    NotJson,    // the text does not parse as JSON at all
};

struct EnvelopeResult {
    EnvelopeOutcome outcome = EnvelopeOutcome::NotJson;
    int code = -1;  // what was read of "code" before any failure; -1 when nothing was
    std::string message;
    std::string data;
};

[[nodiscard]] EnvelopeResult ParseEnvelope(const std::string& text, std::string_view key);
