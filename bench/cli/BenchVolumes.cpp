#include "BenchVolumes.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

std::vector<BenchVolume> AllBenchVolumes() {
    return {
        {"ntfs100k", "NTFS, 100,000 records", true, false, false, "ntfs/make-bench-volume", "100",
         "4", ""},
        {"ntfsres100k", "NTFS, 100,000 small resident files with short names, 500 a folder", true,
         false, false, "ntfs/make-resident-volume", "200", "4", ""},
        {"fat50k", "FAT32, 52,000 entries", false, false, false, "fat/make-bench-volume", "100",
         "4", ""},
        {"ntfsdeep", "NTFS, folders nested thousands deep", true, false, false,
         "ntfs/make-deep-volume", "7300", "300", ""},
        {"fatdeep", "FAT32, 20,000 nested folders (complete scan)", false, true, false,
         "fat/make-deep-volume", "20000", "600", ""},
        {"ntfs1m", "NTFS, 1,000,000 records", true, false, true, "ntfs/make-bench-volume", "1000",
         "", ""},
    };
}

std::string BenchCacheDir() {
    if (const char* dir = std::getenv("TESSALY_BENCH_CACHE"); dir && *dir) return dir;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg)
        return std::string(xdg) + "/tessaly-bench";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "/tmp") + "/.cache/tessaly-bench";
}

bool BuildBenchVolume(BenchVolume& volume, bool small) {
    volume.image = BenchCacheDir() + "/" + volume.key + (small ? ".small" : "") + ".img";
    struct stat st {};
    if (::stat(volume.image.c_str(), &st) == 0) return true;
    std::fprintf(stderr, "building %s (%s) in %s; this is done once\n", volume.key.c_str(),
                 volume.what.c_str(), volume.image.c_str());
    const std::string command = std::string("'") + TESSALY_BENCH_SCRIPTS + "/" + volume.script +
                                "' '" + volume.image + "' " +
                                (small ? volume.smallArg : volume.fullArg) + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || ::stat(volume.image.c_str(), &st) != 0) {
        std::fprintf(stderr, "cannot build %s with %s\n", volume.image.c_str(),
                     volume.script.c_str());
        return false;
    }
    return true;
}
