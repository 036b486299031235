#pragma once
// What an extraction tells the one who must be able to undo it: each directory it is about
// to make and each file it is about to put in place, before it touches the disk. An
// observer that cannot record a step, or cannot make room for it, stops the extraction.

#include <cstdint>
#include <string>

class ZipExtractObserver {
  public:
    // `path` (a full path at or below the extraction root) does not exist yet and is about
    // to be made.
    [[nodiscard]] virtual bool BeforeDirectory(const std::wstring& path) = 0;
    // The data for `path` is written and checked and is about to be moved there; an
    // earlier file of that name may be moved aside now.
    [[nodiscard]] virtual bool BeforeFile(const std::wstring& path) = 0;

  protected:
    ~ZipExtractObserver() = default;
};

// Why an observed extraction stopped, for the caller's log and its choice of message.
struct ZipExtractError {
    uint32_t result = 0;       // a UZ_* code
    uint32_t systemError = 0;  // the failed write's error, when result is UZ_WRITE
    std::wstring path;         // the file or directory it stopped at, when known
};
