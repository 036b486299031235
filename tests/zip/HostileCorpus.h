#pragma once

// Archives built to attack an extractor: names that try to leave the root, devices and
// streams, and structures that lie about sizes, offsets and checks. Shared by the host
// and Windows tests and written out as the fuzzer's seed corpus.

#include <string>
#include <vector>

struct HostileArchive {
    enum class Outcome {
        kOpenFails,  // the archive is refused as a whole
        kFails,      // it opens, but extracting it ends with an error
        kContained,  // it extracts, and only to the paths listed below the root
    };
    std::string label;
    std::string bytes;
    Outcome outcome;
    std::vector<std::wstring> contained;  // relative paths (with "/"), for kContained
    // The failure needs a real file system (a file where a directory must go).
    bool fileSystemOnly = false;
};

[[nodiscard]] std::vector<HostileArchive> BuildHostileCorpus();
