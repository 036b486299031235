#include "core/Endpoints.h"

#ifndef VARLO_API_PRIMARY_URL
#error "core/CMakeLists.txt defines the endpoint macros"
#endif

namespace {

// The configured URLs are plain ASCII, so widening is a copy.
std::wstring WidenAscii(const char* text) {
    std::wstring out;
    for (; *text; ++text) {
        out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    }
    return out;
}

}  // namespace

ServerEndpoints CompiledEndpoints() {
    ServerEndpoints e;
    e.primary = VARLO_API_PRIMARY_URL;
    e.secondary = VARLO_API_SECONDARY_URL;
    e.fallbackA = VARLO_API_FALLBACK_A_URL;
    e.fallbackB = VARLO_API_FALLBACK_B_URL;
    e.probeSite = VARLO_PROBE_SITE_URL;
    return e;
}

std::wstring VendorHomeUrl() {
    return WidenAscii(VARLO_VENDOR_HOME_URL);
}

std::wstring AgreementUrl() {
    return WidenAscii(VARLO_VENDOR_HOME_URL "/content/6/39.html");
}
