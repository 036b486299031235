#pragma once
// The vendor's addresses. They are deployment configuration compiled into the program
// (CMake cache variables in core/CMakeLists.txt); nothing is read at run time.

#include <string>

struct ServerEndpoints {
    std::string primary;    // primary vendor API host, "https://" + host name
    std::string secondary;  // secondary vendor API host
    std::string fallbackA;  // "https://" + IPv4 address + ":8099"
    std::string fallbackB;
    std::string probeSite;  // a large public site, only probed to learn whether the internet is there
};

// The endpoints this build was configured with.
[[nodiscard]] ServerEndpoints CompiledEndpoints();

// The vendor's home page and the service agreement page, for the window's links.
[[nodiscard]] std::wstring VendorHomeUrl();
[[nodiscard]] std::wstring AgreementUrl();
