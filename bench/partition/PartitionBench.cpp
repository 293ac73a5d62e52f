// The probe of a disk with no partition table, which searches for lost volumes at the aligned
// positions (1 MiB and 63-sector marks), against the raw baseline of reading the same 4 KiB
// around each position with one pread and looking at nothing. One FAT32 volume lies lost in
// the middle of the disk. TESSALY_BENCH_SIZE=small uses a 256 MiB disk; the full run 4 GiB.
// The image is sparse. Both read it through a descriptor advised for random access: with the
// kernel's readahead, 4 KiB reads 32 KiB apart would fill the page cache with the whole disk
// and measure that instead of the search.
#include "engine/partition/LostVolumeSearch.h"
#include "engine/partition/VolumeProbe.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

uint64_t DiskSize() {
    const char* size = std::getenv("TESSALY_BENCH_SIZE");
    return (size && std::strcmp(size, "small") == 0) ? (256ULL << 20) : (4096ULL << 20);
}

void Put(std::vector<uint8_t>& b, size_t at, uint64_t value, size_t length) {
    for (size_t i = 0; i < length; ++i)
        b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A FAT32 boot sector and its FAT's first entries, as mkfs.fat leaves them.
void WriteLostFat32(int fd, uint64_t offset) {
    std::vector<uint8_t> boot(512);
    boot[0] = 0xEB;
    boot[1] = 0x58;
    boot[2] = 0x90;
    Put(boot, 0x0B, 512, 2);
    boot[0x0D] = 8;
    Put(boot, 0x0E, 32, 2);
    boot[0x10] = 2;
    boot[0x15] = 0xF8;
    Put(boot, 0x20, 131072, 4);
    Put(boot, 0x24, 128, 4);
    Put(boot, 0x2C, 2, 4);
    Put(boot, 0x32, 6, 2);
    std::memcpy(boot.data() + 0x52, "FAT32   ", 8);
    boot[510] = 0x55;
    boot[511] = 0xAA;
    const uint8_t fat[8] = {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F};
    if (pwrite(fd, boot.data(), boot.size(), static_cast<off_t>(offset)) != 512 ||
        pwrite(fd, fat, sizeof fat, static_cast<off_t>(offset + 32 * 512)) != sizeof fat)
        std::perror("bench image");
}

// The image read with pread through a descriptor of its own, advised for random access.
class RandomAccessImage : public platform::Source {
public:
    explicit RandomAccessImage(const std::string& path)
        : fd_(open(path.c_str(), O_RDONLY)), path_(path) {
        if (fd_ >= 0) posix_fadvise(fd_, 0, 0, POSIX_FADV_RANDOM);
    }
    ~RandomAccessImage() override {
        if (fd_ >= 0) close(fd_);
    }
    int64_t ReadAt(uint64_t offset, void* buffer, uint64_t length) const override {
        const ssize_t got = pread(fd_, buffer, length, static_cast<off_t>(offset));
        const uint64_t n = got > 0 ? static_cast<uint64_t>(got) : 0;
        if (n < length) std::memset(static_cast<uint8_t*>(buffer) + n, 0, length - n);
        return static_cast<int64_t>(n);
    }
    uint64_t Size() const override {
        struct stat st {};
        return fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    }
    const std::string& Path() const override { return path_; }
    int Fd() const { return fd_; }

private:
    int fd_;
    std::string path_;
};

const std::string& Image() {
    static const std::string path = [] {
        std::string p = "/tmp/tessaly-bench-partition-" + std::to_string(getpid()) + ".img";
        const int fd = open(p.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(DiskSize())) != 0) std::perror(p.c_str());
        WriteLostFat32(fd, DiskSize() / 2);
        close(fd);
        static const std::string remove = p;
        std::atexit([] { std::remove(remove.c_str()); });
        return p;
    }();
    return path;
}

void BM_ProbeDiskWithoutTable(benchmark::State& state) {
    RandomAccessImage disk(Image());
    size_t found = 0;
    for (auto _ : state) {
        const ProbeResult r = ProbeSource(disk);
        found = r.volumes.size();
        benchmark::DoNotOptimize(found);
    }
    if (found != 1) state.SkipWithError("the lost volume was not found");
    state.counters["disk_MiB"] = static_cast<double>(DiskSize() >> 20);
}
BENCHMARK(BM_ProbeDiskWithoutTable)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PreadAlignedBaseline(benchmark::State& state) {
    RandomAccessImage disk(Image());
    const int fd = disk.Fd();
    const auto positions = partition::AlignedPositions(DiskSize());
    uint8_t buffer[4096];
    uint64_t sum = 0;
    for (auto _ : state) {
        for (uint64_t p : positions) {
            const uint64_t from = p >= 512 ? p - 512 : 0;
            if (pread(fd, buffer, sizeof buffer, static_cast<off_t>(from)) > 0) sum += buffer[512];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["positions"] = static_cast<double>(positions.size());
}
BENCHMARK(BM_PreadAlignedBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
