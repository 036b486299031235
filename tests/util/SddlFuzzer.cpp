// Feeds arbitrary text to the descriptor reader and the decisions made from what it reads:
// none may crash, and a descriptor that parses is judged like any other.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "util/AccessRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Both one byte per character (how SDDL is written) and two (as a wide string).
    std::wstring narrow(data, data + size);
    std::wstring wide;
    for (size_t i = 0; i + 1 < size; i += 2) {
        wide.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    for (const std::wstring* text : {&narrow, &wide}) {
        const std::optional<acl::Descriptor> parsed = acl::ParseSddl(*text);
        if (!parsed) {
            continue;
        }
        static_cast<void>(acl::RightsOfOthers(*parsed));
        static_cast<void>(acl::IsHeldByAdministrators(*parsed, acl::kFileRead));
        acl::Ancestor root{L"C:\\", parsed, true, false};
        acl::Ancestor folder{L"C:\\x", parsed, false, false};
        static_cast<void>(acl::FirstReplaceableAncestor(std::vector<acl::Ancestor>{root, folder}));
    }
    return 0;
}
