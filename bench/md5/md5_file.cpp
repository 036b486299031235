// Prints CMd5A's digest of one file, for the throughput comparison with md5sum.
#include <cstdio>
#include <cwchar>
#include <string>

#include "util/Md5A.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: md5_file FILE\n");
        return 2;
    }
    const std::string narrow = argv[1];
    const std::wstring path(narrow.begin(), narrow.end());
    const std::string digest = CMd5A().GetFileMd5(path);
    if (digest.empty()) {
        return 1;
    }
    std::printf("%s  %s\n", digest.c_str(), argv[1]);
    return 0;
}
