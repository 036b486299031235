// Feeds arbitrary bytes to the envelope, payload and package-information readers (none
// may crash or throw) and checks the codec round trips on the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "TestPayloadCipher.h"
#include "core/ApiEnvelope.h"
#include "core/PackageInfo.h"
#include "core/PayloadCodec.h"

namespace {
const std::string kKey = "Hq2xNw7cKd4ZrT9m";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const EnvelopeResult envelope = ParseEnvelope(text, kKey);
    PackageInfo info;
    if (envelope.outcome == EnvelopeOutcome::Success) {
        static_cast<void>(ParsePackageInfo(envelope.data, info));
    }
    static_cast<void>(ParsePackageInfo(text, info));
    static_cast<void>(DecryptPayload(text, kKey));

    if (Base64DecodeLenient(Base64EncodeForTest(text)) != text) {
        std::abort();
    }
    if (size >= 10 && text.find('\0') == std::string::npos) {
        const DecodedPayload back = DecryptPayload(EncryptPayloadForTest(text, kKey), kKey);
        if (back.status != PayloadStatus::Ok || back.text != text.substr(10)) {
            std::abort();
        }
    }
    return 0;
}
