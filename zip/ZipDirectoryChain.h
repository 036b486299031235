#pragma once
// The directories between the extraction root and the entry being written, each made if
// missing, opened without following links and held open without delete sharing while the
// entry is written. A directory that is a link, junction or other reparse point is refused,
// so nothing planted at or below the root can redirect a write (into the system folder, say),
// and a held directory cannot be swapped for one until it is released.

#include <windows.h>

#include <string>
#include <vector>

#include "util/UniqueHandle.h"

class ZipExtractObserver;

class ZipDirectoryChain {
  public:
    // Tells whether an opened directory may be written into. Tests replace it to stand for
    // a junction, which Wine cannot create; null restores the check of the handle's
    // attributes.
    using Probe = bool (*)(HANDLE directory, const std::wstring& path);
    static void SetProbe(Probe probe);

    // `observer`, when given, hears of each directory before it is made.
    explicit ZipDirectoryChain(ZipExtractObserver* observer = nullptr) : observer_(observer) {}
    ZipDirectoryChain(const ZipDirectoryChain&) = delete;
    ZipDirectoryChain& operator=(const ZipDirectoryChain&) = delete;

    // Makes and holds `root` (one level is created when missing) and every directory of
    // `directory` below it. `root` and `directory` are full paths without a trailing
    // separator; `directory` is `root` or lies below it. Directories already held from an
    // earlier call are kept. False when one cannot be made or is not a plain directory.
    [[nodiscard]] bool Enter(const std::wstring& root, const std::wstring& directory);
    void Release();

  private:
    struct Held {
        std::wstring path;
        UniqueKernelHandle handle;
    };

    [[nodiscard]] bool Hold(const std::wstring& path);

    ZipExtractObserver* observer_;
    std::vector<Held> held_;
};
