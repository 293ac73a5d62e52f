// The scans' row reader, which builds rows straight from record bytes, against the full parse
// (NTFSFileRecord + BuildRow): on every record and every slot of the real test volumes, on
// hand-built corner cases and on many damaged copies of real records, both give the same
// answer and, for a row, the same values.
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NTFSFileRow.h"
#include "engine/ntfs/NTFSRowReader.h"
#include "engine/ntfs/NTFSVolume.h"
#include "tests/ntfs/NtfsImageBuilder.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <random>

namespace tessaly::test {
namespace {

using Result = NTFSRowReader::Result;

struct Reference {
    Result result = Result::NoRecord;
    std::unique_ptr<NTFSFileRow> row;
};

Reference FromParsed(const NTFSFileRecord* record, NTFSVolume& volume) {
    Reference r;
    if (!record) return r;
    r.row = BuildRow(*record, volume);
    r.result = r.row ? Result::Row : Result::NoRow;
    return r;
}

// What the full parse makes of the record at a location of the volume.
Reference FullAt(NTFSVolume& volume, const RecordLocation& location) {
    const auto record = volume.ReadRecordAt(location);
    return FromParsed(record.get(), volume);
}

// What the full parse makes of record bytes found at offset at.
Reference FullOf(NTFSVolume& volume, const std::vector<uint8_t>& bytes, uint64_t at) {
    NTFSFileRecord record;
    if (!record.Parse(bytes.data(), static_cast<uint32_t>(bytes.size()), at, &volume.Boot()))
        return {};
    return FromParsed(&record, volume);
}

void ExpectSame(Result got, const NTFSFileRow& row, const Reference& want,
                const std::string& where) {
    ASSERT_EQ(static_cast<int>(got), static_cast<int>(want.result)) << where;
    if (got != Result::Row) return;
    const NTFSFileRow& w = *want.row;
    EXPECT_EQ(row.name, w.name) << where;
    EXPECT_EQ(row.size, w.size) << where;
    EXPECT_EQ(row.created, w.created) << where;
    EXPECT_EQ(row.modified, w.modified) << where;
    EXPECT_EQ(row.accessed, w.accessed) << where;
    EXPECT_EQ(row.attributes, w.attributes) << where;
    EXPECT_EQ(row.parent, w.parent) << where;
    EXPECT_EQ(row.recordNumber, w.recordNumber) << where;
    EXPECT_EQ(row.firstSector, w.firstSector) << where;
    EXPECT_EQ(row.inUse, w.inUse) << where;
    EXPECT_EQ(row.isDirectory, w.isDirectory) << where;
}

// Compares the two on bytes at offset at; returns the reader's answer.
Result CompareBytes(NTFSVolume& volume, NTFSRowReader& reader, const std::vector<uint8_t>& bytes,
                    uint64_t at, const std::string& where) {
    const Result got =
        reader.FromBytes(bytes.data(), static_cast<uint32_t>(bytes.size()), VolumeOffset{at});
    ExpectSame(got, reader.Row(), FullOf(volume, bytes, at), where);
    return got;
}

TEST(NtfsRowReader, EveryRecordAndSlotOfTheTestVolumesGivesTheParsedRow) {
    for (const char* name : {"ntfs", "ntfs512", "ntfsfrag"}) {
        SCOPED_TRACE(name);
        NTFSVolume volume;
        ASSERT_TRUE(volume.OpenPath(LoadVolume(name).image, true));
        const MftRecordMap* map = volume.RecordMap();
        ASSERT_NE(map, nullptr);
        NTFSRowReader reader(volume);
        uint64_t rows = 0;
        // By number, as the quick scan reads them.
        for (uint64_t n = 0; n < map->Capacity(); ++n) {
            const auto location = map->Locate(MftRecordNumber{n});
            if (!location) continue;
            const Result got = reader.Read(*location);
            ExpectSame(got, reader.Row(), FullAt(volume, *location), "record " + std::to_string(n));
            if (got == Result::Row) ++rows;
        }
        EXPECT_GT(rows, 40u);
        // By slot, as the complete scan probes them (split records included).
        uint64_t slotRows = 0;
        for (uint64_t s = 0; s < volume.TotalSlots(); ++s) {
            const auto location = volume.LocateSlot(MftSlot{s});
            ASSERT_TRUE(location);
            const Result got = reader.Read(*location);
            ExpectSame(got, reader.Row(), FullAt(volume, *location), "slot " + std::to_string(s));
            if (got == Result::Row) ++slotRows;
        }
        EXPECT_GE(slotRows, rows);
    }
}

TEST(NtfsRowReader, CornerCasesOfTheAttributes) {
    NTFSVolume volume; // not open: no other record can be read
    NTFSRowReader reader(volume);
    const uint64_t at = 0x4000;

    // Two names: the longer one, whatever its order.
    auto two = RecordBuilder(7)
                   .StdInfo(1, 2, 3, 4)
                   .FileName(5, u"SHORT~1")
                   .FileName(5, u"a longer name.txt");
    const auto twoBytes = two.End().Bytes();
    ASSERT_EQ(CompareBytes(volume, reader, twoBytes, at, "two names"), Result::Row);
    EXPECT_EQ(reader.Row().name, u"a longer name.txt");
    EXPECT_EQ(reader.Row().accessed, 3u); // the MFT-change time

    // A $STANDARD_INFORMATION shorter than its fixed part gives zero times, still a row.
    auto shortInfo = RecordBuilder(8).StdInfo(1, 2, 3, 4, 0x20, 40).FileName(5, u"s.txt");
    ASSERT_EQ(CompareBytes(volume, reader, shortInfo.End().Bytes(), at, "short info"), Result::Row);
    EXPECT_EQ(reader.Row().created, 0u);

    // A non-resident $STANDARD_INFORMATION first: no row, even with a resident one behind it.
    auto nonResidentInfo = RecordBuilder(9)
                               .NonResident(0x10, 0, 0, 0, 4096, 72, 72, OneRun(30, 1))
                               .StdInfo(1, 2, 3, 4)
                               .FileName(5, u"n.txt");
    EXPECT_EQ(CompareBytes(volume, reader, nonResidentInfo.End().Bytes(), at, "nonresident si"),
              Result::NoRow);

    // No name at all: no row. A name cut short by its value: as much of it as is there.
    EXPECT_EQ(CompareBytes(volume, reader, RecordBuilder(10).StdInfo(1, 2, 3, 4).End().Bytes(), at,
                           "no name"),
              Result::NoRow);
    auto cut = RecordBuilder(11).StdInfo(1, 2, 3, 4).FileName(5, u"cut-short.txt").End().Bytes();
    const uint32_t fn = 0x38 + 0x60; // the $FILE_NAME after a 72-byte $STANDARD_INFORMATION
    ASSERT_EQ(cut[fn], 0x30);
    cut[fn + 16] = 66 + 2 * 3; // value length: three units of the name
    ASSERT_EQ(CompareBytes(volume, reader, cut, at, "cut name"), Result::Row);
    EXPECT_EQ(reader.Row().name, u"cut");
    cut[fn + 16] = 20; // not even the name's length: the fields read so far
    EXPECT_EQ(CompareBytes(volume, reader, cut, at, "cut value"), Result::Row);

    // The first $DATA gives size and place: a named stream before the unnamed one counts, a
    // sparse first run places the file at sector 0.
    auto named = RecordBuilder(12)
                     .StdInfo(1, 2, 3, 4)
                     .FileName(5, u"streams.bin")
                     .ResidentData({1, 2, 3}, 0, u"ads")
                     .NonResident(0x80, 9, 0, 1, 8192, 5000, 5000, OneRun(40, 2));
    ASSERT_EQ(CompareBytes(volume, reader, named.End().Bytes(), at, "named first"), Result::Row);
    EXPECT_EQ(reader.Row().size, 3u);
    auto sparse = RecordBuilder(13)
                      .StdInfo(1, 2, 3, 4)
                      .FileName(5, u"sparse.bin")
                      .NonResident(0x80, 9, 0, 1, 8192, 5000, 5000, {0x01, 0x02, 0x00});
    ASSERT_EQ(CompareBytes(volume, reader, sparse.End().Bytes(), at, "sparse"), Result::Row);
    EXPECT_EQ(reader.Row().firstSector, 0);
    auto far = RecordBuilder(14)
                   .StdInfo(1, 2, 3, 4)
                   .FileName(5, u"far.bin")
                   .NonResident(0x80, 9, 0, 1, 8192, 5000, 5000, OneRun(40, 2));
    ASSERT_EQ(CompareBytes(volume, reader, far.End().Bytes(), at, "far"), Result::Row);
    EXPECT_EQ(reader.Row().firstSector, 40 * 8);

    // A malformed attribute ends the walk: a name behind it is not seen.
    auto broken = RecordBuilder(15)
                      .StdInfo(1, 2, 3, 4)
                      .Raw({0x40, 0, 0, 0, 16, 0, 0, 0}) // length 16
                      .FileName(5, u"hidden.txt");
    EXPECT_EQ(CompareBytes(volume, reader, broken.End().Bytes(), at, "broken"), Result::NoRow);

    // A torn sector (its update sequence number does not match) keeps its bytes.
    auto torn = twoBytes;
    torn[510] ^= 0xFF;
    CompareBytes(volume, reader, torn, at, "torn");

    // Header limits: bytes in use past the allocation, first attribute past the bytes in use.
    auto header = twoBytes;
    header[24] = 0x10;
    header[25] = 0x10;
    EXPECT_EQ(CompareBytes(volume, reader, header, at, "in use"), Result::NoRecord);
    header = twoBytes;
    header[20] = 0xF0;
    header[21] = 0x03;
    EXPECT_EQ(CompareBytes(volume, reader, header, at, "first attribute"), Result::NoRow);
}

TEST(NtfsRowReader, NameAndDataInExtensionRecordsAreReadThroughTheList) {
    TempDir dir;
    NtfsImageBuilder image;
    image.PutRecord(0, MftRecord(image.MftCluster(), 8, image.ClusterSize()));
    // The base record holds no $FILE_NAME and no $DATA: its list places both in record 17.
    image.PutRecord(16, RecordBuilder(16)
                            .StdInfo(1, 2, 3, 4)
                            .AttributeList({{0x30, 0, 17, 0}, {0x80, 0, 17, 1}})
                            .End()
                            .Bytes());
    auto ext = RecordBuilder(17, 1)
                   .FileName(5, u"many links.txt")
                   .NonResident(0x80, 1, 0, 1, 8192, 6000, 6000, OneRun(44, 2))
                   .End()
                   .Bytes();
    ext[32] = 16; // base record reference: record 16
    image.PutRecord(17, ext);
    NTFSVolume volume;
    ASSERT_TRUE(volume.OpenPath(image.WriteTo(dir.File("list.img")), true));
    NTFSRowReader reader(volume);
    const auto location = volume.LocateRecord(MftRecordNumber{16});
    ASSERT_TRUE(location);
    const Result got = reader.Read(*location);
    ExpectSame(got, reader.Row(), FullAt(volume, *location), "base");
    ASSERT_EQ(got, Result::Row);
    EXPECT_EQ(reader.Row().name, u"many links.txt");
    EXPECT_EQ(reader.Row().size, 6000u);
    EXPECT_EQ(reader.Row().firstSector, 44 * 8);
    // The extension record itself has no $STANDARD_INFORMATION: no row, in both.
    const auto extLocation = volume.LocateRecord(MftRecordNumber{17});
    ASSERT_TRUE(extLocation);
    ExpectSame(reader.Read(*extLocation), reader.Row(), FullAt(volume, *extLocation), "ext");
}

// Damaged copies of real records: single bytes and short runs overwritten all over the
// header and the attributes, with the values damage most often leaves.
TEST(NtfsRowReader, DamagedRecordsGiveWhatTheFullParseGives) {
    NTFSVolume volume;
    ASSERT_TRUE(volume.OpenPath(LoadVolume("ntfs").image, true));
    const MftRecordMap* map = volume.RecordMap();
    ASSERT_NE(map, nullptr);
    const uint32_t size = volume.Boot().recordSize;
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> records;
    for (uint64_t n = 0; n < map->Capacity() && records.size() < 48; ++n) {
        const auto location = map->Locate(MftRecordNumber{n});
        if (!location || location->split) continue;
        std::vector<uint8_t> bytes(size);
        if (volume.CopyRecordBytes(*location, bytes.data()))
            records.emplace_back(location->first.value, std::move(bytes));
    }
    ASSERT_GT(records.size(), 30u);

    NTFSRowReader reader(volume);
    std::mt19937 random(12345);
    const uint8_t values[] = {0x00, 0x01, 0x18, 0x30, 0x40, 0x48, 0x7F, 0x80, 0xFF};
    for (int round = 0; round < 6000; ++round) {
        const auto& [at, original] = records[random() % records.size()];
        std::vector<uint8_t> bytes = original;
        const int changes = 1 + static_cast<int>(random() % 3);
        for (int c = 0; c < changes; ++c) {
            // Mostly where the header and the first attributes lie.
            const uint32_t where = random() % 4 ? random() % 0x180 : random() % size;
            const uint32_t run = 1 + random() % 4;
            for (uint32_t i = 0; i < run && where + i < size; ++i)
                bytes[where + i] = random() % 2 ? values[random() % sizeof values]
                                                : static_cast<uint8_t>(random());
        }
        CompareBytes(volume, reader, bytes, at, "round " + std::to_string(round));
        if (HasFatalFailure()) return;
    }
}

} // namespace
} // namespace tessaly::test
