// Sources: every container reads the disk it holds byte for byte, windows keep to their
// bounds, containers are told apart by content, and damaged containers are named, not crashed on.
#include "platform/RawDevice.h"
#include "platform/WindowSource.h"
#include "platform/images/OpenImage.h"
#include "platform/images/SplitRaw.h"
#include "tests/disks/DiskFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

using namespace tessaly::test;

namespace {

std::vector<uint8_t> ReadAll(const platform::Source& source, uint64_t size) {
    std::vector<uint8_t> bytes(size);
    constexpr uint64_t kChunk = 1 << 20;
    for (uint64_t at = 0; at < size; at += kChunk)
        source.ReadAt(at, bytes.data() + at, std::min(kChunk, size - at));
    return bytes;
}

std::shared_ptr<const platform::Source> OpenRaw(const std::string& path) {
    auto raw = std::make_shared<platform::RawDevice>();
    EXPECT_TRUE(raw->Open(path)) << raw->Error();
    return raw;
}

} // namespace

class ContainerReads : public ::testing::TestWithParam<Container> {};

TEST_P(ContainerReads, TheDiskByteForByteWhateverHoldsIt) {
    const auto raw = OpenRaw(DiskPath("gpt.img"));
    const uint64_t size = raw->Size();
    const platform::OpenedSource opened = platform::OpenSourcePath(DiskPath(GetParam().file));
    ASSERT_TRUE(opened.source) << opened.error;
    EXPECT_EQ(platform::ContainerName(opened.kind), GetParam().kind);
    EXPECT_TRUE(opened.problem.empty()) << opened.problem;
    // VHD rounds the disk up to its cylinder geometry; every other container keeps the size.
    if (GetParam().kind == "VHD")
        EXPECT_GE(opened.source->Size(), size);
    else
        EXPECT_EQ(opened.source->Size(), size);
    EXPECT_EQ(ReadAll(*opened.source, size), ReadAll(*raw, size));

    // Reads across the pieces' and chunks' borders, at odd offsets.
    for (uint64_t at : {uint64_t{16} << 20, (uint64_t{4} << 20) - 100, uint64_t{32768} * 7 + 1}) {
        std::vector<uint8_t> a(333), b(333);
        ASSERT_EQ(opened.source->ReadAt(at - 111, a.data(), a.size()), 333) << at;
        raw->ReadAt(at - 111, b.data(), b.size());
        EXPECT_EQ(a, b) << at;
    }
    // Past the end: zeros, and nothing counted as read.
    std::vector<uint8_t> tail(4096, 0xAA);
    EXPECT_EQ(opened.source->ReadAt(opened.source->Size() + 10, tail.data(), tail.size()), 0);
    EXPECT_EQ(tail, std::vector<uint8_t>(4096, 0));
    // The write guard's list: every file the data comes from.
    EXPECT_EQ(opened.files.front(), DiskPath(GetParam().file));
    if (GetParam().file == "gpt-split.E01") {
        EXPECT_EQ(opened.files.size(), 18u);
    }
    if (GetParam().file == "gpt-split.img.001") {
        EXPECT_EQ(opened.files.size(), 5u);
    }
}

INSTANTIATE_TEST_SUITE_P(Disks, ContainerReads, ::testing::ValuesIn(GptContainers()),
                         ContainerTestName);

TEST(WindowSource, SeesThePartitionAsTheVolumeAndNothingBeyond) {
    const auto disk = OpenRaw(DiskPath("gpt.img"));
    const auto volumes = DiskVolumes("gpt.img");
    ASSERT_EQ(volumes.size(), 2u);
    for (const DiskVolume& v : volumes) {
        SCOPED_TRACE(v.volume);
        const platform::WindowSource window(disk, v.offset, v.length);
        EXPECT_EQ(window.Size(), v.length);
        const auto bare = OpenRaw(LoadVolume(v.volume).image);
        EXPECT_EQ(ReadAll(window, v.length), ReadAll(*bare, v.length));
        // A read that runs over the end of the window stops there: the next partition's bytes
        // never show.
        std::vector<uint8_t> buffer(8192, 0xAA);
        EXPECT_EQ(window.ReadAt(v.length - 4096, buffer.data(), buffer.size()), 4096);
        EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 4096, buffer.end()),
                  std::vector<uint8_t>(4096, 0));
    }
    // A window past the end of its disk is empty; one running over the end is cut to it.
    EXPECT_EQ(platform::WindowSource(disk, disk->Size() + 1, 100).Size(), 0u);
    EXPECT_EQ(platform::WindowSource(disk, disk->Size() - 10, 100).Size(), 10u);
    EXPECT_EQ(platform::WindowSource(disk, 512, 0).Size(), disk->Size() - 512);
}

TEST(OpenSourcePath, TellsContainersByContentNotByName) {
    TempDir dir;
    // A QCOW2 image named like a raw image, and a raw volume named like an E01.
    std::filesystem::copy_file(DiskPath("gpt.qcow2"), dir.File("disk.img"));
    std::filesystem::copy_file(LoadVolume("fat32").image, dir.File("card.E01"));
    const auto qcow = platform::OpenSourcePath(dir.File("disk.img"));
    ASSERT_TRUE(qcow.source) << qcow.error;
    EXPECT_EQ(qcow.kind, platform::ContainerKind::kQcow);
    const auto raw = platform::OpenSourcePath(dir.File("card.E01"));
    ASSERT_TRUE(raw.source) << raw.error;
    EXPECT_EQ(raw.kind, platform::ContainerKind::kRaw);
    // A lone ".001" is a raw image; ".002" does not start a set.
    std::filesystem::copy_file(LoadVolume("fat32").image, dir.File("one.001"));
    EXPECT_EQ(platform::OpenSourcePath(dir.File("one.001")).kind, platform::ContainerKind::kRaw);
    EXPECT_TRUE(platform::SplitRaw::Pieces(DiskPath("gpt-split.img.002")).empty());
    EXPECT_EQ(platform::SplitRaw::Pieces(DiskPath("gpt-split.img.001")).size(), 5u);
    // Nothing there at all: the system's reason.
    const auto none = platform::OpenSourcePath(dir.File("absent.E01"));
    EXPECT_FALSE(none.source);
    EXPECT_NE(none.error.find("No such file"), std::string::npos) << none.error;
}

// A split set with a piece missing in the middle: the gap is named, the pieces after it are
// read at their places (every piece but the last has one size), and only the gap's bytes are
// lost. With pieces of different sizes the later ones have no known place and are left out.
TEST(OpenSourcePath, SplitSetWithAMissingPieceNamesItAndReadsTheRest) {
    TempDir dir;
    const auto pieces = platform::SplitRaw::Pieces(DiskPath("gpt-split.img.001"));
    ASSERT_EQ(pieces.size(), 5u);
    for (size_t i = 0; i < pieces.size(); ++i)
        if (i != 2)
            std::filesystem::copy_file(pieces[i], dir.File("disk.00" + std::to_string(i + 1)));
    const auto gapped = platform::OpenSourcePath(dir.File("disk.001"));
    ASSERT_TRUE(gapped.source) << gapped.error;
    EXPECT_EQ(gapped.kind, platform::ContainerKind::kSplitRaw);
    EXPECT_EQ(gapped.problem,
              "piece " + dir.File("disk.003") + " is missing; the data it held reads as zeros");
    EXPECT_EQ(gapped.files.size(), 4u);
    const auto raw = OpenRaw(DiskPath("gpt.img"));
    ASSERT_EQ(gapped.source->Size(), raw->Size());
    const uint64_t piece = std::filesystem::file_size(pieces[0]);
    const auto got = ReadAll(*gapped.source, raw->Size());
    const auto want = ReadAll(*raw, raw->Size());
    for (uint64_t at = 0; at < raw->Size(); at += piece) {
        SCOPED_TRACE(at);
        const uint64_t n = std::min<uint64_t>(piece, raw->Size() - at);
        const std::vector<uint8_t> part(got.begin() + at, got.begin() + at + n);
        if (at == 2 * piece)
            EXPECT_EQ(part, std::vector<uint8_t>(n, 0));
        else
            EXPECT_EQ(part, std::vector<uint8_t>(want.begin() + at, want.begin() + at + n));
    }
    // Nothing of the gap counts as read.
    std::vector<uint8_t> gap(4096);
    EXPECT_EQ(gapped.source->ReadAt(2 * piece + 4096, gap.data(), gap.size()), 0);

    // The second piece cut short as well: the disk ends at the gap.
    std::filesystem::resize_file(dir.File("disk.002"), piece / 2);
    std::filesystem::copy_file(dir.File("disk.001"), dir.File("other.001"));
    std::filesystem::copy_file(dir.File("disk.002"), dir.File("other.002"));
    std::filesystem::copy_file(dir.File("disk.004"), dir.File("other.004"));
    const auto uneven = platform::OpenSourcePath(dir.File("other.001"));
    ASSERT_TRUE(uneven.source) << uneven.error;
    EXPECT_EQ(uneven.problem, "piece " + dir.File("other.003") +
                                  " is missing; the disk is read up to it, and the pieces after "
                                  "it are left out");
    EXPECT_EQ(uneven.source->Size(), piece + piece / 2);
    EXPECT_EQ(uneven.files.size(), 2u);
}

TEST(OpenSourcePath, KeepsAContainerOpenOnlyWhileItsFilesAreUnchanged) {
    TempDir dir;
    const std::string path = dir.File("disk.E01");
    std::filesystem::copy_file(DiskPath("gpt.E01"), path);
    const auto first = platform::OpenSourcePath(path);
    ASSERT_TRUE(first.source) << first.error;
    // Opened again: the same open container, its tables not read twice.
    const auto again = platform::OpenSourcePath(path);
    EXPECT_EQ(again.source, first.source);
    EXPECT_EQ(again.files, first.files);
    // Replaced by another container under the same name: opened anew, as what it is now.
    std::filesystem::remove(path);
    std::filesystem::copy_file(DiskPath("gpt.qcow2"), path);
    const auto replaced = platform::OpenSourcePath(path);
    ASSERT_TRUE(replaced.source) << replaced.error;
    EXPECT_NE(replaced.source, first.source);
    EXPECT_EQ(replaced.kind, platform::ContainerKind::kQcow);
    // Gone: the system's reason, not the container kept from before.
    std::filesystem::remove(path);
    const auto gone = platform::OpenSourcePath(path);
    EXPECT_FALSE(gone.source);
    EXPECT_NE(gone.error.find("No such file"), std::string::npos) << gone.error;
    // A raw image is never kept: each open has a device of its own.
    const std::string raw = LoadVolume("fat32").image;
    EXPECT_NE(platform::OpenSourcePath(raw).source, platform::OpenSourcePath(raw).source);
}

TEST(DamagedContainers, AreNamedAndWhatRemainsIsRead) {
    const auto raw = OpenRaw(DiskPath("gpt.img"));
    // The third segment is gone: the gap is named, and the bytes before it still read true.
    const auto missing = platform::OpenSourcePath(DiskPath("bad-disks/missing.E01"));
    ASSERT_TRUE(missing.source) << missing.error;
    EXPECT_NE(missing.problem.find("missing.E03 is missing"), std::string::npos) << missing.problem;
    std::vector<uint8_t> a(1 << 20), b(1 << 20);
    missing.source->ReadAt(0, a.data(), a.size());
    raw->ReadAt(0, b.data(), b.size());
    EXPECT_EQ(a, b);
    // What the missing segment held reads as zeros, without a crash or a hang.
    std::vector<uint8_t> gap(1 << 20, 0xAA);
    missing.source->ReadAt(uint64_t{10} << 20, gap.data(), gap.size());
    EXPECT_EQ(gap, std::vector<uint8_t>(gap.size(), 0));

    // Bytes overwritten in the middle of a segment: the damaged chunk reads as zeros, the
    // rest of the disk as it was.
    const auto corrupt = platform::OpenSourcePath(DiskPath("bad-disks/corrupt.E01"));
    ASSERT_TRUE(corrupt.source) << corrupt.error;
    const uint64_t size = raw->Size();
    const auto got = ReadAll(*corrupt.source, size);
    const auto want = ReadAll(*raw, size);
    uint64_t differing = 0;
    for (uint64_t i = 0; i < size; ++i)
        differing += got[i] != want[i] ? 1 : 0;
    EXPECT_LT(differing, uint64_t{256} << 10);
    EXPECT_EQ(std::vector<uint8_t>(got.begin(), got.begin() + (4 << 20)),
              std::vector<uint8_t>(want.begin(), want.begin() + (4 << 20)));

    // A VHDX cut short: refused with the format's name.
    const auto cut = platform::OpenSourcePath(DiskPath("bad-disks/truncated.vhdx"));
    EXPECT_FALSE(cut.source);
    EXPECT_NE(cut.error.find("VHDX"), std::string::npos) << cut.error;
    EXPECT_EQ(cut.error.find(DiskPath("bad-disks/truncated.vhdx")), std::string::npos)
        << "the caller names the file: " << cut.error;
}
