// Reading 1 KiB records across a volume through the block cache, against one pread per
// record (the raw baseline), and streaming a whole extent against plain 512 KiB preads.
// TESSALY_BENCH_SIZE=small uses a 16 MiB image; the full run uses 512 MiB.
#include "engine/volume/StreamBase.h"
#include "engine/volume/VolumeBase.h"
#include "engine/volume/VolumeGeometry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class BenchVolume : public VolumeBase {
public:
    bool ParseBootSector(uint64_t) override { return true; }
    const VolumeGeometry* GeometryRecord() const override { return &geometry; }
    VolumeGeometry geometry;
};

uint64_t ImageSize() {
    const char* size = std::getenv("TESSALY_BENCH_SIZE");
    return (size && std::strcmp(size, "small") == 0) ? (16ULL << 20) : (512ULL << 20);
}

const std::string& Image() {
    static const std::string path = [] {
        std::string p = "/tmp/tessaly-bench-volume.img";
        const uint64_t size = ImageSize();
        FILE* f = std::fopen(p.c_str(), "wb");
        std::vector<uint8_t> chunk(1 << 20);
        for (uint64_t off = 0; off < size; off += chunk.size()) {
            for (size_t i = 0; i < chunk.size(); ++i)
                chunk[i] = static_cast<uint8_t>((off + i) * 2654435761u >> 24);
            std::fwrite(chunk.data(), 1, chunk.size(), f);
        }
        std::fclose(f);
        std::atexit([] { std::remove("/tmp/tessaly-bench-volume.img"); });
        return p;
    }();
    return path;
}

void BM_RecordsThroughCache(benchmark::State& state) {
    BenchVolume volume;
    volume.OpenPath(Image(), true);
    const uint64_t size = ImageSize();
    uint64_t sum = 0;
    for (auto _ : state) {
        volume.Trim(0);
        StreamBase s;
        for (uint64_t off = 0; off < size; off += 1024) {
            volume.Map(&s, off, 1024);
            sum += s.U32At(0);
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void BM_RecordsByPread(benchmark::State& state) {
    const int fd = ::open(Image().c_str(), O_RDONLY);
    const uint64_t size = ImageSize();
    uint8_t record[1024];
    uint64_t sum = 0;
    for (auto _ : state) {
        for (uint64_t off = 0; off < size; off += 1024) {
            if (::pread(fd, record, sizeof record, static_cast<off_t>(off)) != sizeof record)
                state.SkipWithError("pread");
            sum += record[0];
        }
    }
    ::close(fd);
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// Views of blocks the cache already holds: the cost of making and dropping a view, which the
// FAT scans pay once per cluster.
void BM_ViewsOfCachedBlocks(benchmark::State& state) {
    BenchVolume volume;
    volume.OpenPath(Image(), true);
    constexpr uint64_t kRegion = 16ull * VolumeBase::kBlockSize;
    uint64_t sum = 0;
    for (uint64_t off = 0; off < kRegion; off += VolumeBase::kBlockSize) {
        StreamBase warm;
        volume.Map(&warm, off, 512);
    }
    uint64_t off = 0;
    for (auto _ : state) {
        StreamBase s; // a fresh view each time, as a scan makes one per cluster
        volume.Map(&s, off, 4096);
        sum += s.U32At(0);
        off = (off + 4096) % kRegion;
    }
    benchmark::DoNotOptimize(sum);
}

// Views that outlive their block: 64 of them stay alive while the cache turns over, so each
// block is evicted under live views.
void BM_ViewsOutlivingTheirBlock(benchmark::State& state) {
    BenchVolume volume;
    volume.OpenPath(Image(), true);
    const uint64_t size = ImageSize();
    std::vector<StreamBase> views(64);
    size_t next = 0;
    uint64_t off = 0;
    uint64_t sum = 0;
    for (auto _ : state) {
        volume.Map(&views[next], off, 1024);
        sum += views[next].U32At(0) + views[(next + 1) % views.size()].U32At(0);
        next = (next + 1) % views.size();
        off = (off + VolumeBase::kBlockSize / 2) % size;
    }
    benchmark::DoNotOptimize(sum);
}

bool Consume(const uint8_t* chunk, uint32_t length, void* user) {
    *static_cast<uint64_t*>(user) += chunk[length - 1];
    return true;
}

void BM_StreamingRead(benchmark::State& state) {
    BenchVolume volume;
    volume.OpenPath(Image(), true);
    uint64_t sum = 0;
    for (auto _ : state)
        volume.StreamingRead(0, ImageSize(), Consume, &sum);
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ImageSize()));
}

void BM_PlainChunkedPread(benchmark::State& state) {
    const int fd = ::open(Image().c_str(), O_RDONLY);
    std::vector<uint8_t> buffer(1 << 19);
    uint64_t sum = 0;
    for (auto _ : state) {
        for (uint64_t off = 0; off < ImageSize(); off += buffer.size()) {
            if (::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(off)) <= 0)
                state.SkipWithError("pread");
            sum += buffer.back();
        }
    }
    ::close(fd);
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ImageSize()));
}

BENCHMARK(BM_RecordsThroughCache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordsByPread)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewsOfCachedBlocks);
BENCHMARK(BM_ViewsOutlivingTheirBlock);
BENCHMARK(BM_StreamingRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainChunkedPread)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
