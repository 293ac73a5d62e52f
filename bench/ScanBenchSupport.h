#pragma once
// Pieces shared by the scan benchmarks: the cached benchmark volume, other tools run as
// commands in the same process's timing loop, and the peak memory.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace benchsupport {

// The volume at $envVar, else defaultPath, built once by script. TESSALY_BENCH_SIZE=small
// (CI) builds and uses a volume of a few folders only.
inline std::string BuildVolume(const char* envVar, const char* defaultPath, const char* script) {
    const char* env = std::getenv(envVar);
    std::string path = env ? env : defaultPath;
    const char* size = std::getenv("TESSALY_BENCH_SIZE");
    const bool small = size && std::string(size) == "small";
    if (small) path += ".small";
    const std::string build = std::string(script) + " '" + path + "'" + (small ? " 4" : "");
    if (std::system(build.c_str()) != 0)
        std::fprintf(stderr, "cannot build the benchmark volume %s\n", path.c_str());
    return path;
}

inline double PeakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

inline void RunCommand(benchmark::State& state, const std::string& command) {
    const std::string line = command + " >/dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(line.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
    }
}

} // namespace benchsupport
