#pragma once
// The vendor's publisher as the build names it, and the check of the extracted client
// against it before anything registers or starts it.

#include <string>

#include "system/ClientSignature.h"

// Empty subject and key when the build names no publisher.
[[nodiscard]] ClientPublisher ConfiguredClientPublisher();

// True when no publisher is configured, or the client at `clientPath` carries a valid
// signature by it. Otherwise logs what was wrong (unsigned, another publisher, changed
// after signing, an untrusted signer) and returns false.
[[nodiscard]] bool ClientPublisherAccepted(const std::wstring& clientPath);
