#pragma once
// What an install needs before it can talk to the vendor, whichever host runs it: the
// identity sent with API requests, the signed-request module, the package cache folder
// and the local address.

#include <string>

// `logDir` ends in a separator; its "cache" folder takes the package.
void PrepareInstallServices(const std::wstring& logDir);
