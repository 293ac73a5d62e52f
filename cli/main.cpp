// tessaly-cli: the command-line front end. For now it lists the drives of the drive map.
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Usage(FILE* out) {
    std::fputs("usage: tessaly-cli [--drive L=PATH]... COMMAND\n"
               "  drives    letter, file system, label and source of each drive\n"
               "\n"
               "  --drive L=PATH  bind drive letter L (C-Z) to an image file or block device;\n"
               "                  without it, the readable local partitions are used\n",
               out);
}

int ListDrivesCommand() {
    DriveBootInfo drives[24];
    uint32_t count = 0;
    if (!ListDrives(drives, &count))
        return 1;
    for (uint32_t i = 0; i < count; ++i) {
        const auto& d = drives[i];
        const auto path = platform::DriveMap::Instance().PathFor(d.driveLetter);
        std::printf("%c:  %-5s  %-32s  %s\n", d.driveLetter, d.isNtfs ? "NTFS" : "FAT32",
                    d.volumeLabel, path ? path->c_str() : "");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    auto& map = platform::DriveMap::Instance();
    bool explicitDrives = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        }
        if (a == "--drive" || a.rfind("--drive=", 0) == 0) {
            std::string spec = a == "--drive" ? (i + 1 < argc ? argv[++i] : "") : a.substr(8);
            const std::string error = map.BindSpec(spec);
            if (!error.empty()) {
                std::fprintf(stderr, "tessaly-cli: %s\n", error.c_str());
                return 2;
            }
            explicitDrives = true;
            continue;
        }
        args.push_back(a);
    }
    if (!explicitDrives)
        map.DetectLocalPartitions();
    if (args.empty()) {
        Usage(stderr);
        return 2;
    }
    if (args[0] == "drives")
        return ListDrivesCommand();
    std::fprintf(stderr, "tessaly-cli: unknown command \"%s\"\n", args[0].c_str());
    Usage(stderr);
    return 2;
}
