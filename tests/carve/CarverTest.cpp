// The carving pass over a raw image: walks bounded by the unclaimed run a hit starts in,
// carved files that never overlap, hits in claimed clusters and inside carved files skipped,
// and structures that claim more than the volume holds.
#include "engine/carve/Carver.h"
#include "engine/volume/VolumeBase.h"
#include "tests/carve/CarveBytes.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace carvetest;
using tessaly::test::TempDir;

namespace {

constexpr uint32_t kCluster = 4096;

class RawVolume : public VolumeBase {
public:
    bool ParseBootSector(uint64_t) override { return true; }
};

class Collect : public CarveSink {
public:
    void Add(const CarveFound& found) override { files.push_back(found); }
    std::vector<CarveFound> files;
};

class CarverTest : public ::testing::Test {
protected:
    void Place(size_t cluster, const Bytes& bytes) {
        if (image.size() < cluster * kCluster + bytes.size())
            image.resize(cluster * kCluster + bytes.size());
        std::copy(bytes.begin(), bytes.end(),
                  image.begin() + static_cast<long>(cluster * kCluster));
    }
    std::vector<CarveFound> Carve(const std::vector<CarveRun>& runs) {
        image.resize(64 * kCluster);
        const std::string path = dir.File("raw.img");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<long>(image.size()));
        RawVolume volume;
        EXPECT_TRUE(volume.OpenPath(path, false));
        Collect sink;
        CarveUnclaimed(volume, runs, kCluster, CarveOptions{}, sink);
        return sink.files;
    }

    TempDir dir;
    Bytes image = Bytes(64 * kCluster, 0);
};

} // namespace

TEST_F(CarverTest, FilesAreCarvedWithinTheirRunAndNeverOverlap) {
    const Bytes jpeg = Jpeg();
    const Bytes png = Png();
    Place(1, jpeg);
    // A PNG behind the JPEG in the same cluster (two headers in one cluster) is not at a
    // cluster start: only the JPEG is found there.
    std::copy(png.begin(), png.end(),
              image.begin() + kCluster + static_cast<long>(jpeg.size()) + 100);
    Place(4, png);
    // A ZIP whose end lies past the run it starts in (the run ends at cluster 12).
    Bytes zip = Zip({{"a.bin", std::string(3 * kCluster, 'z')}});
    Place(10, zip);
    // A WAV that claims 4 GiB on this small volume.
    Bytes riff;
    Put(riff, "RIFF");
    Le32(riff, 0xFFFFFFF0u);
    Put(riff, "WAVEfmt ");
    Le32(riff, 16);
    riff.resize(64, 1);
    Place(20, riff);
    // A JPEG in a claimed cluster (outside every run).
    Place(30, jpeg);
    // An MP4 in a run of its own.
    const Bytes mp4 = Mp4("isom");
    Place(40, mp4);
    const auto files = Carve({{kCluster, 11 * kCluster},
                              {12 * kCluster, 18 * kCluster},
                              {40 * kCluster, 20 * kCluster}});
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].format, CarveFormat::Jpeg);
    EXPECT_EQ(files[0].offset, kCluster);
    EXPECT_EQ(files[0].length, jpeg.size());
    EXPECT_EQ(files[1].format, CarveFormat::Png);
    EXPECT_EQ(files[1].offset, 4u * kCluster);
    EXPECT_EQ(files[2].format, CarveFormat::Mp4);
    EXPECT_EQ(files[2].offset, 40u * kCluster);
    EXPECT_EQ(files[2].length, mp4.size());
}

TEST_F(CarverTest, AFileInsideACarvedFileIsNotCarvedAgain) {
    // A ZIP that stores a PNG whose bytes begin exactly at a cluster start.
    const Bytes png = Png();
    std::string stored(kCluster - 30 - 5, 'p');
    const Bytes zip = Zip({{"x.png", stored + std::string(png.begin(), png.end())}});
    Place(2, zip);
    const auto files = Carve({{kCluster, 30 * kCluster}});
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].format, CarveFormat::Zip);
    EXPECT_EQ(files[0].length, zip.size());
}

TEST_F(CarverTest, TruncatedAtTheVolumesEnd) {
    const Bytes png = Png();
    Place(63, Bytes(png.begin(), png.begin() + 20));
    image.resize(63 * kCluster + 20);
    const std::string path = dir.File("short.img");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<long>(image.size()));
    RawVolume volume;
    ASSERT_TRUE(volume.OpenPath(path, false));
    Collect sink;
    CarveUnclaimed(volume, {{0, 64 * kCluster}}, kCluster, CarveOptions{}, sink);
    EXPECT_TRUE(sink.files.empty());
}
