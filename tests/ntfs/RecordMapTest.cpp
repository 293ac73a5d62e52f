// Where MFT records are found: through $MFT's runs, on volumes whose MFT has several extents,
// whose clusters are smaller than a record, whose records are split between extents, and
// whose boot sector claims more than the device holds.
#include "engine/ntfs/MftRecordMap.h"
#include "engine/ntfs/NTFSBootInfo.h"
#include "engine/ntfs/NTFSFileRecovery.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/volume/NTFSRunList.h"
#include "engine/volume/StreamBase.h"
#include "platform/Text.h"
#include "tests/ntfs/NtfsImageBuilder.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <utility>

namespace tessaly::test {
namespace {

struct MftRun {
    int64_t lcn; // -1: sparse
    uint64_t length;
};

// The encoded run list of runs (one-byte lengths, four-byte signed offsets).
std::vector<uint8_t> Encode(const std::vector<MftRun>& runs) {
    std::vector<uint8_t> out;
    int64_t previous = 0;
    for (const MftRun& r : runs) {
        if (r.lcn < 0) {
            out.push_back(0x01);
            out.push_back(static_cast<uint8_t>(r.length));
            continue;
        }
        out.push_back(0x41);
        out.push_back(static_cast<uint8_t>(r.length));
        const auto delta = static_cast<uint32_t>(r.lcn - previous);
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(delta >> (8 * i)));
        previous = r.lcn;
    }
    out.push_back(0);
    return out;
}

NTFSBootInfo Boot(uint16_t sectorsPerCluster, uint64_t totalClusters = 100000) {
    NTFSBootInfo b;
    b.sectorsPerCluster = sectorsPerCluster;
    b.totalSectors = totalClusters * sectorsPerCluster;
    b.recordSize = 1024;
    b.Recompute();
    return b;
}

MftRecordMap MapOf(const std::vector<MftRun>& runs, const NTFSBootInfo& boot) {
    const auto bytes = Encode(runs);
    StreamBase view;
    view.InitView(bytes.data(), static_cast<uint32_t>(bytes.size()), 0, nullptr);
    NTFSRunList list;
    list.Decode(&view);
    return MftRecordMap(list, boot, 0);
}

// A $MFT record whose $DATA has the given runs.
std::vector<uint8_t> MftWithRuns(const std::vector<MftRun>& runs, uint32_t clusterSize) {
    uint64_t clusters = 0;
    for (const MftRun& r : runs)
        clusters += r.length;
    const uint64_t bytes = clusters * clusterSize;
    RecordBuilder mft(0, 1);
    mft.StdInfo(1, 2, 3, 4, 0x06).FileName(5, u"$MFT", 3, 0x06);
    mft.NonResident(0x80, 9, 0, static_cast<int64_t>(clusters) - 1, bytes, bytes, bytes,
                    Encode(runs));
    return mft.End().Bytes();
}

std::vector<uint8_t> FileRecord(uint32_t number, const std::u16string& name,
                                const std::vector<uint8_t>& data) {
    return RecordBuilder(number)
        .StdInfo(1, 2, 3, 4)
        .FileName(5, name)
        .ResidentData(data)
        .End()
        .Bytes();
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Overwrite(const char16_t*, uint32_t, int* answer, void*) {
    *answer = 0;
}

std::vector<uint8_t> Recover(char letter, uint64_t record, const std::string& name) {
    TempDir out;
    g_engineCancel = false;
    NTFSFileRecovery writer;
    EXPECT_TRUE(writer.Recover(letter, record, platform::Utf8ToUtf16(out.path()).c_str(), nullptr,
                               nullptr, nullptr, Overwrite, nullptr));
    return ReadAll(out.File(name));
}

} // namespace

TEST(MftRecordMap, RecordsAreNumberedThroughTheRunsInTheirOrder) {
    const NTFSBootInfo boot = Boot(8); // 4 KiB clusters: four records each
    const auto map = MapOf({{100, 2}, {50, 1}, {-1, 1}, {300, 1}}, boot);
    EXPECT_EQ(map.Capacity(), 20u);
    auto at = [&](uint64_t n) {
        const auto l = map.Locate(MftRecordNumber{n});
        return l ? l->first.value : UINT64_MAX;
    };
    EXPECT_EQ(at(0), 100u * 4096);
    EXPECT_EQ(at(7), 100u * 4096 + 7 * 1024);
    EXPECT_EQ(at(8), 50u * 4096);
    EXPECT_EQ(at(11), 50u * 4096 + 3 * 1024);
    EXPECT_EQ(at(12), UINT64_MAX); // in the hole
    EXPECT_EQ(at(16), 300u * 4096);
    EXPECT_EQ(at(20), UINT64_MAX); // past the runs
    // By position: record starts only.
    ASSERT_TRUE(map.LocateAt(VolumeOffset{50u * 4096 + 1024}));
    EXPECT_FALSE(map.LocateAt(VolumeOffset{50u * 4096 + 512}));
    EXPECT_FALSE(map.LocateAt(VolumeOffset{60u * 4096}));
}

TEST(MftRecordMap, ARecordMaySpanTwoExtentsWhenClustersAreSmaller) {
    const NTFSBootInfo boot = Boot(1); // 512-byte clusters: a record takes two
    const auto map = MapOf({{33, 3}, {81, 5}}, boot);
    EXPECT_EQ(map.Capacity(), 4u);
    const auto zero = map.Locate(MftRecordNumber{0});
    ASSERT_TRUE(zero);
    EXPECT_FALSE(zero->split);
    EXPECT_EQ(zero->first.value, 33u * 512);
    const auto one = map.Locate(MftRecordNumber{1});
    ASSERT_TRUE(one);
    EXPECT_TRUE(one->split);
    EXPECT_EQ(one->first.value, 35u * 512);
    EXPECT_EQ(one->firstLength, 512u);
    EXPECT_EQ(one->second.value, 81u * 512);
    EXPECT_EQ(map.Locate(MftRecordNumber{2})->first.value, 82u * 512);
    // The record that starts at the first extent's last cluster is found by its position too;
    // the cluster in the middle of record 0 starts none.
    const auto found = map.LocateAt(VolumeOffset{35u * 512});
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->split);
    EXPECT_FALSE(map.LocateAt(VolumeOffset{34u * 512}));
    uint64_t first = 0, end = 0;
    map.RecordsStartingIn(map.Extents()[1], &first, &end);
    EXPECT_EQ(first, 2u);
    EXPECT_EQ(end, 4u);
}

TEST(MftRecordMap, SlotsOfVolumesWithWholeRecordsPerClusterAreRecordSized) {
    // The record column of saved scans: byte offset / record size.
    EXPECT_EQ(Boot(8).SlotAt(VolumeOffset{5 * 4096 + 3 * 1024}), MftSlot{23});
    EXPECT_EQ(Boot(2).SlotAt(VolumeOffset{7 * 1024}), MftSlot{7});
    // Smaller clusters: slots of a cluster.
    EXPECT_EQ(Boot(1).SlotAt(VolumeOffset{33 * 512}), MftSlot{33});
    // The MFT's first slot no longer stops at 32 bits: a 16 TiB volume's MFT in its middle.
    NTFSBootInfo big = Boot(8, 1ull << 32);
    big.mftCluster = 1ll << 31;
    big.Recompute();
    EXPECT_EQ(big.mftStartSlot, MftSlot{(1ull << 31) * 4});
}

// 512-byte clusters, 1024-byte records; the MFT starts at the odd cluster 33 and goes on at
// cluster 81 after three clusters, so record 1 lies half at cluster 35, half at cluster 81.
class NtfsSmallClusterVolume : public ::testing::Test {
protected:
    NtfsSmallClusterVolume() : image(2001, 1, 33) {
        const std::vector<MftRun> runs{{33, 3}, {81, 11}};
        auto put = [&](uint64_t n, const std::vector<uint8_t>& record) {
            // Record n at byte n * 1024 of the MFT's data.
            uint64_t vcnByte = n * 1024, left = 1024, done = 0, vcn = 0;
            for (const MftRun& r : runs) {
                const uint64_t start = vcn * 512, end = (vcn + r.length) * 512;
                vcn += r.length;
                if (vcnByte >= end || left == 0) continue;
                const uint64_t take = std::min(left, end - vcnByte);
                image.Image().PutBytes(r.lcn * 512 + (vcnByte - start), record.data() + done, take);
                done += take;
                vcnByte += take;
                left -= take;
            }
        };
        put(0, MftWithRuns(runs, 512));
        put(1, FileRecord(1, u"split.txt", {'s', 'p', 'l', 'i', 't'}));
        put(2, FileRecord(2, u"after.txt", {'a', 'f', 't'}));
        put(5, FileRecord(5, u".", {}));
        put(6, FileRecord(6, u"last.txt", {'l', 'a', 's', 't'}));
        path = image.WriteTo(dir.File("small.img"));
    }

    TempDir dir;
    NtfsImageBuilder image;
    std::string path;
};

TEST_F(NtfsSmallClusterVolume, RecordsAreReadByNumberAndBySlot) {
    NTFSVolume volume;
    ASSERT_TRUE(volume.OpenPath(path, true));
    EXPECT_EQ(volume.Boot().mftStartSlot, MftSlot{33});
    auto split = volume.ReadRecordByNumber(MftRecordNumber{1});
    ASSERT_TRUE(split);
    EXPECT_EQ(split->recordNumber, 1u);
    EXPECT_EQ(split->slot, MftSlot{35});
    // The slot alone leads to both halves too.
    auto again = volume.ReadRecord(MftSlot{35});
    ASSERT_TRUE(again);
    EXPECT_TRUE(FindAttribute(again->attributes, 0x80));
    EXPECT_EQ(volume.RecordNumberToSlot(MftRecordNumber{6}), MftSlot{81 + 9});
}

TEST_F(NtfsSmallClusterVolume, BothScansFindEveryRecordAndRecoveryReadsIt) {
    for (const bool advanced : {false, true}) {
        ScanLog log;
        ASSERT_TRUE(ScanImage('K', path, advanced, log));
        std::map<std::string, StoredRow> rows;
        for (const auto& r : ReadTable('K'))
            rows.emplace(r.name, r);
        for (const auto& [name, id, slot] :
             {std::tuple<std::string, uint64_t, uint64_t>{"split.txt", 1, 35},
              {"after.txt", 2, 82},
              {"last.txt", 6, 90}}) {
            ASSERT_EQ(rows.count(name), 1u) << name << (advanced ? " advanced" : " quick");
            EXPECT_EQ(rows[name].id, id) << name;
            EXPECT_EQ(rows[name].record, slot) << name;
        }
        EXPECT_EQ(Recover('K', rows["split.txt"].record, "split.txt"),
                  (std::vector<uint8_t>{'s', 'p', 'l', 'i', 't'}));
        EXPECT_EQ(Recover('K', rows["last.txt"].record, "last.txt"),
                  (std::vector<uint8_t>{'l', 'a', 's', 't'}));
    }
}

// An MFT in two extents, clusters 4-7 (records 0-15) and 40-43 (records 16-31). A file in
// record 16 keeps part of its data in extension record 20; 20 records on from the MFT's first
// cluster lies something else, as it would on a volume whose MFT grew into free space.
TEST(NtfsFragmentedMft, ExtensionRecordsAreFoundThroughTheMftRuns) {
    TempDir dir;
    NtfsImageBuilder image(64, 8, 4);
    const std::vector<MftRun> runs{{4, 4}, {40, 4}};
    image.PutRecord(0, MftWithRuns(runs, 4096));
    auto putAt = [&](uint64_t n, const std::vector<uint8_t>& record) {
        const uint64_t offset = n < 16 ? 4 * 4096 + n * 1024 : 40 * 4096 + (n - 16) * 1024;
        image.Image().PutBytes(offset, record.data(), record.size());
    };
    const uint64_t size = 4 * 4096;
    for (uint64_t c = 50; c < 60; ++c)
        image.PutCluster(c, std::vector<uint8_t>(4096, static_cast<uint8_t>(c)));
    putAt(16, RecordBuilder(16)
                  .StdInfo(1, 2, 3, 4)
                  .FileName(5, u"far.bin")
                  .AttributeList({{0x80, 0, 16, 5}, {0x80, 2, 20, 0}})
                  .NonResident(0x80, 5, 0, 1, size, size, size, OneRun(50, 2))
                  .End()
                  .Bytes());
    RecordBuilder extension(20, 1);
    extension.NonResident(0x80, 0, 2, 3, size, size, size, OneRun(52, 2));
    putAt(20, extension.End().Bytes());
    // What lies where the old arithmetic looked: a fragment that is not this file's.
    RecordBuilder decoy(20, 1);
    decoy.NonResident(0x80, 0, 2, 3, size, size, size, OneRun(58, 2));
    image.Image().PutBytes(4 * 4096 + 20 * 1024, decoy.End().Bytes().data(), 1024);
    const std::string path = image.WriteTo(dir.File("fragmented.img"));

    NTFSVolume volume;
    ASSERT_TRUE(volume.OpenPath(path, true));
    EXPECT_EQ(volume.RecordNumberToSlot(MftRecordNumber{20}), MftSlot{40 * 4 + 4});

    ScanLog log;
    ASSERT_TRUE(ScanImage('J', path, false, log));
    uint64_t record = 0;
    for (const auto& r : ReadTable('J'))
        if (r.name == "far.bin") record = r.record;
    ASSERT_EQ(record, 40u * 4);
    std::vector<uint8_t> expected;
    for (uint8_t c : {50, 51, 52, 53})
        expected.insert(expected.end(), 4096, c);
    EXPECT_EQ(Recover('J', record, "far.bin"), expected);
}

TEST(NtfsFragmentedMft, RunsOfTheMftKeptInItsExtensionRecordAreWalkedToo) {
    // An MFT in so many pieces that its base record holds only the first: $MFT's attribute
    // list places the rest of its $DATA (VCN 4-7, at cluster 40) in extension record 11.
    TempDir dir;
    NtfsImageBuilder image(64, 8, 4);
    const uint64_t bytes = 8 * 4096;
    RecordBuilder mft(0, 1);
    mft.StdInfo(1, 2, 3, 4, 0x06)
        .FileName(5, u"$MFT", 3, 0x06)
        .AttributeList({{0x80, 0, 0, 9}, {0x80, 4, 11, 0}})
        .NonResident(0x80, 9, 0, 3, bytes, bytes, bytes, OneRun(4, 4));
    image.PutRecord(0, mft.End().Bytes());
    RecordBuilder extension(11, 1);
    extension.NonResident(0x80, 0, 4, 7, bytes, bytes, bytes, OneRun(40, 4));
    auto ext = extension.End().Bytes();
    ext[32] = 0; // base record: $MFT (record 0), sequence 1
    ext[38] = 1;
    image.PutRecord(11, ext);
    image.PutCluster(40, FileRecord(16, u"beyond the base runs.txt", {'b'}));
    const std::string path = image.WriteTo(dir.File("mftlist.img"));

    NTFSVolume volume;
    ASSERT_TRUE(volume.OpenPath(path, true));
    EXPECT_EQ(volume.RecordNumberToSlot(MftRecordNumber{16}), MftSlot{40 * 4});
    ScanLog log;
    ASSERT_TRUE(ScanImage('L', path, false, log));
    bool found = false;
    for (const auto& r : ReadTable('L'))
        if (r.name == "beyond the base runs.txt") {
            found = true;
            EXPECT_EQ(r.id, 16u);
            EXPECT_EQ(r.record, 40u * 4);
        }
    EXPECT_TRUE(found);
}

TEST(NtfsFragmentedMft, NamesKeptInAnExtensionRecordNameTheFile) {
    // Record 16 keeps only its standard information, data and attribute list; its name was
    // moved to record 17. Record 18 claims to hold a name for it too, but belongs to record 19.
    TempDir dir;
    NtfsImageBuilder image;
    image.PutRecord(0, MftRecord(image.MftCluster(), 8, image.ClusterSize()));
    image.PutRecord(16, RecordBuilder(16)
                            .StdInfo(1, 2, 3, 4)
                            .AttributeList({{0x10, 0, 16, 0}, {0x30, 0, 18, 0}, {0x30, 0, 17, 0}})
                            .ResidentData({'m', 'o', 'v', 'e', 'd'})
                            .End()
                            .Bytes());
    auto extension = [](uint32_t number, uint64_t base, const std::u16string& name) {
        RecordBuilder r(number, 1);
        r.FileName(5, name);
        auto bytes = r.End().Bytes();
        for (int i = 0; i < 8; ++i)
            bytes[32 + i] = static_cast<uint8_t>(base >> (8 * i));
        return bytes;
    };
    image.PutRecord(17, extension(17, 16, u"moved name.txt"));
    image.PutRecord(18, extension(18, 19, u"somebody else's much longer name.txt"));
    ScanLog log;
    ASSERT_TRUE(ScanImage('I', image.WriteTo(dir.File("names.img")), false, log));
    std::map<std::string, StoredRow> rows;
    for (const auto& r : ReadTable('I'))
        rows.emplace(r.name, r);
    ASSERT_EQ(rows.count("moved name.txt"), 1u);
    EXPECT_EQ(rows["moved name.txt"].id, 16u);
    EXPECT_EQ(rows["moved name.txt"].size, 5u);
    EXPECT_EQ(rows.count("somebody else's much longer name.txt"), 0u);
    EXPECT_EQ(Recover('I', rows["moved name.txt"].record, "moved name.txt"),
              (std::vector<uint8_t>{'m', 'o', 'v', 'e', 'd'}));
}

TEST(NtfsDeviceBounds, ScansEndWhereTheDeviceEnds) {
    // The boot sector claims a terabyte of clusters on a 256 KiB image.
    TempDir dir;
    NtfsImageBuilder image;
    image.Image().Put64(0x28, (1ull << 40) / 512);
    image.PutRecord(0, MftRecord(image.MftCluster(), 8, image.ClusterSize()));
    image.PutRecord(16, FileRecord(16, u"here.txt", {'h'}));
    const std::string path = image.WriteTo(dir.File("claims.img"));
    ScanLog advanced;
    ASSERT_TRUE(ScanImage('H', path, true, advanced));
    EXPECT_EQ(advanced.total, 64u); // what the image holds
    EXPECT_EQ(advanced.progress.size(), 64u);
    bool found = false;
    for (const auto& r : ReadTable('H'))
        found |= r.name == "here.txt";
    EXPECT_TRUE(found);
    ScanLog quick;
    ASSERT_TRUE(ScanImage('H', path, false, quick));
    EXPECT_EQ(ReadTable('H').size(), 2u); // $MFT and here.txt
}

} // namespace tessaly::test
