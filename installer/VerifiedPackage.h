#pragma once
// The downloaded package, opened for its extraction so that nobody can change it from
// then on, and its digest checked through that same handle. The cache folder lies in the
// user's temporary directory while the installer runs elevated: a file checked by name
// and then reopened by name could have been swapped in between.

#include <atomic>
#include <string>

#include "util/UniqueHandle.h"

enum class PackageCheck { Verified, Unopenable, DigestDiffers, Cancelled };

struct VerifiedPackage {
    PackageCheck check = PackageCheck::Unopenable;
    // Open with read sharing only while valid; positioned reads do not depend on where
    // the digest left the file pointer.
    UniqueKernelHandle file;
};

// `cancel` (may be null) is checked between reads.
[[nodiscard]] VerifiedPackage OpenVerifiedPackage(const std::wstring& path,
                                                  const std::string& expectedMd5,
                                                  const std::atomic<bool>* cancel);
