#pragma once
// The volumes the command benchmarks run on, built once by the scripts under bench/ and kept
// in a cache folder outside the build tree ($TESSALY_BENCH_CACHE, else
// $XDG_CACHE_HOME/tessaly-bench, else ~/.cache/tessaly-bench), since the largest takes
// minutes to make.
#include <string>
#include <vector>

struct BenchVolume {
    std::string key;  // names the benchmarks: "ntfs100k/scan_json"
    std::string what; // for the summary
    bool ntfs = false;
    bool complete = false; // scanned with --full (the quick scan stops short of the tree)
    bool fullOnly = false; // left out of the small run
    std::string script;    // below bench/
    std::string fullArg;   // the script's size argument for the full run
    std::string smallArg;  // and for the small run
    std::string image;     // filled by Build
};

std::vector<BenchVolume> AllBenchVolumes();
std::string BenchCacheDir();
// Builds the volume's image unless it is cached; false when it cannot be made.
bool BuildBenchVolume(BenchVolume& volume, bool small);
