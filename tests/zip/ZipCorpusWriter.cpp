// Writes the fuzzer's seed corpus: the hostile archives and a few sound ones.
#include <cstdio>
#include <fstream>
#include <string>

#include "HostileCorpus.h"
#include "ZipTestArchive.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    int index = 0;
    auto write = [&](const std::string& bytes) {
        char name[32];
        std::snprintf(name, sizeof(name), "/seed-%03d.zip", ++index);
        std::ofstream(dir + name, std::ios::binary) << bytes;
    };
    for (const HostileArchive& archive : BuildHostileCorpus()) {
        write(archive.bytes);
    }
    ZipTestArchive sound;
    sound.prefix = "MZstub";
    sound.comment = "comment";
    sound.AddDirectory("skin/");
    sound.Add("skin/main.xml", "<Window size=\"400,300\"><Label text=\"hello\"/></Window>", 8,
              ZipTestOptions{"pw", false});
    sound.Add("skin/bg.bin", TestBytes(700, false), 0, ZipTestOptions{"pw", true});
    ZipTestEntry& ut = sound.Add("ut.txt", TestBytes(900, true), 8, ZipTestOptions{"", true});
    ut.local.extra = UtBlock(7, {1, 2, 3});
    write(sound.Build());
    return 0;
}
