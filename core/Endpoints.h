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

// The API hosts the server selection chose, handed to every request of the install.
struct ApiHosts {
    std::string primary;   // asked first
    std::string fallback;  // asked once when the primary gives no usable answer
    int index = 0;         // which probe chose them (1-4), sent in the "Apihost" header
    // False when no endpoint answered its probe: the hosts are only a last try, and a
    // failed query then means no server.
    bool answered = true;
};

// The endpoints this build was configured with.
[[nodiscard]] ServerEndpoints CompiledEndpoints();

// The vendor's home page and the service agreement page, for the window's links.
[[nodiscard]] std::wstring VendorHomeUrl();
[[nodiscard]] std::wstring AgreementUrl();
