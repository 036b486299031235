#include "core/ApiEnvelope.h"

#include "core/JsonRead.h"
#include "core/PayloadCodec.h"

EnvelopeResult ParseEnvelope(const std::string& text, std::string_view key) {
    EnvelopeResult result;
    Json::Value root;
    if (!JsonParseLenient(text, root)) {
        return result;
    }
    result.outcome = EnvelopeOutcome::Malformed;
    Json::Value member;
    int code = 0;
    if (!JsonMember(root, "code", member) || !JsonAsInt(member, code)) {
        return result;
    }
    result.code = code;
    if (code != kApiSuccessCode) {
        if (!JsonMember(root, "message", member) || !JsonAsString(member, result.message)) {
            return result;
        }
        result.outcome = EnvelopeOutcome::Refused;
        return result;
    }
    std::string data;
    if (!JsonMember(root, "data", member) || !JsonAsString(member, data)) {
        return result;
    }
    DecodedPayload payload = DecryptPayload(data, key);
    if (payload.status == PayloadStatus::TooShort) {
        return result;
    }
    result.outcome = EnvelopeOutcome::Success;
    result.data = std::move(payload.text);
    return result;
}
