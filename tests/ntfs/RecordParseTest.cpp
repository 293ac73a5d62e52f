// MFT records and attributes from hand-built bytes: boot geometry, update sequence fixups,
// header checks and the attribute parser's limits.
#include "engine/ntfs/NTFSAttribute.h"
#include "engine/ntfs/NTFSBootInfo.h"
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/ntfs/UpdateSequence.h"
#include "tests/ntfs/NtfsImageBuilder.h"
#include "tests/support/ByteImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tessaly::test {
namespace {

std::vector<uint8_t> BootSector(uint16_t bytesPerSector, uint8_t spc, uint8_t recordCode) {
    std::vector<uint8_t> s(512, 0);
    std::memcpy(s.data() + 3, "NTFS    ", 8);
    s[0x0B] = bytesPerSector & 0xFF;
    s[0x0C] = bytesPerSector >> 8;
    s[0x0D] = spc;
    s[0x28] = 0x00;
    s[0x29] = 0x10; // 4096 sectors
    s[0x30] = 4;
    s[0x40] = recordCode;
    return s;
}

std::unique_ptr<NTFSFileRecord> ParseRecord(const std::vector<uint8_t>& bytes,
                                            uint64_t diskOffset = 0x4000) {
    static const NTFSBootInfo geometry;
    auto record = std::make_unique<NTFSFileRecord>();
    if (!record->Parse(bytes.data(), static_cast<uint32_t>(bytes.size()), diskOffset, &geometry))
        return nullptr;
    return record;
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

TEST(NtfsBootInfo, GeometryFromTheBootSector) {
    NTFSBootInfo b;
    ASSERT_TRUE(b.Parse(BootSector(512, 8, 0xF6).data()));
    EXPECT_EQ(b.clusterSize, 4096u);
    EXPECT_EQ(b.recordSize, 1024u);
    EXPECT_EQ(b.recordsPerCluster, 4u);
    EXPECT_EQ(b.clusterShift, 12u);
    EXPECT_EQ(b.recordShift, 10u);
    EXPECT_EQ(b.mftStartSlot, MftSlot{16});
    EXPECT_EQ(b.slotShift, 10u);
    EXPECT_EQ(b.totalClusters, 512u);

    NTFSBootInfo big;
    ASSERT_TRUE(big.Parse(BootSector(512, 8, 2).data()));
    EXPECT_EQ(big.recordSize, 8192u);

    NTFSBootInfo small;
    ASSERT_TRUE(small.Parse(BootSector(512, 1, 0xF6).data()));
    EXPECT_EQ(small.recordsPerCluster, 0u);
    // Slots of 512 bytes, so that a record at any cluster has one.
    EXPECT_EQ(small.slotShift, 9u);
    EXPECT_EQ(small.mftStartSlot, MftSlot{4});
}

TEST(NtfsBootInfo, RejectsUnsupportedSizes) {
    NTFSBootInfo b;
    EXPECT_FALSE(b.Parse(BootSector(4096, 8, 0xF6).data()));
    EXPECT_FALSE(b.Parse(BootSector(512, 3, 0xF6).data()));
    auto notNtfs = BootSector(512, 8, 0xF6);
    notNtfs[3] = 'X';
    EXPECT_FALSE(b.Parse(notNtfs.data()));
    // A record size of 3 clusters cannot be addressed by slot.
    EXPECT_FALSE(b.Parse(BootSector(512, 8, 3).data()));
}

TEST(NtfsRecord, UpdateSequenceRestoresSectorEnds) {
    // A resident value that crosses the end of the first sector.
    RecordBuilder r(7);
    r.StdInfo(1, 2, 3, 4).FileName(5, u"cross.bin");
    const auto value = Pattern(600, 3);
    r.ResidentData(value).End();
    auto rec = ParseRecord(r.Bytes());
    ASSERT_TRUE(rec);
    const NTFSAttribute* data = FindAttribute(rec->attributes, 0x80);
    ASSERT_TRUE(data);
    const StreamBase* v = data->ResidentValue();
    ASSERT_TRUE(v);
    ASSERT_EQ(v->Size(), value.size());
    EXPECT_EQ(std::memcmp(v->Data(), value.data(), value.size()), 0);
    EXPECT_EQ(rec->recordNumber, 7u);
    EXPECT_EQ(rec->slot, MftSlot{0x4000u >> 10});
}

TEST(NtfsRecord, TornSectorKeepsItsBytes) {
    RecordBuilder r(7);
    r.StdInfo(1, 2, 3, 4).FileName(5, u"torn.bin").ResidentData(Pattern(700, 9)).End();
    auto bytes = r.Bytes();
    const auto plain = r.Plain();
    // The second sector was overwritten by a later write: its tail no longer holds the number.
    bytes[1022] = 0xAB;
    bytes[1023] = 0xCD;
    std::vector<uint8_t> fixed = bytes;
    EXPECT_EQ(ApplyUpdateSequence(fixed.data(), 1024), 1u);
    EXPECT_EQ(fixed[510], plain[510]);
    EXPECT_EQ(fixed[511], plain[511]);
    EXPECT_EQ(fixed[1022], 0xAB);
    EXPECT_EQ(fixed[1023], 0xCD);
    // The record still parses; its first sector reads right.
    auto rec = ParseRecord(bytes);
    ASSERT_TRUE(rec);
    EXPECT_TRUE(FindAttribute(rec->attributes, 0x30));
}

TEST(NtfsRecord, UpdateSequenceArrayOutsideTheRecordChangesNothing) {
    auto bytes = RecordBuilder(1).StdInfo(1, 2, 3, 4).End().Bytes();
    auto copy = bytes;
    copy[4] = 0xF0;
    copy[5] = 0x03; // array at 1008, 3 entries: runs past 1024
    const auto before = copy;
    EXPECT_EQ(ApplyUpdateSequence(copy.data(), 1024), 0u);
    EXPECT_EQ(copy, before);
}

TEST(NtfsRecord, HeaderLimits) {
    auto ok = RecordBuilder(3).StdInfo(1, 2, 3, 4).FileName(5, u"a").End();
    EXPECT_TRUE(ParseRecord(ok.Bytes()));

    EXPECT_FALSE(ParseRecord(RecordBuilder(3).StdInfo(1, 2, 3, 4).End().BytesInUse(41).Bytes()));
    EXPECT_FALSE(ParseRecord(RecordBuilder(3).End().BytesInUse(2000).Bytes()));
    auto badSig = ok.Bytes();
    badSig[0] = 'B';
    EXPECT_FALSE(ParseRecord(badSig));

    auto rec = ParseRecord(ok.Bytes());
    ASSERT_TRUE(rec);
    EXPECT_TRUE(CheckRecordHeader(*rec));
    rec->firstAttributeOffset = 900;
    EXPECT_FALSE(CheckRecordHeader(*rec));
}

TEST(NtfsAttributes, LengthSixteenStopsTheList) {
    RecordBuilder r(4);
    r.StdInfo(1, 2, 3, 4).Raw({0x30, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    r.FileName(5, u"unseen").End();
    auto rec = ParseRecord(r.Bytes());
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->attributes.count(), 1u);
    EXPECT_FALSE(rec->attributesComplete);
    EXPECT_TRUE(FindAttribute(rec->attributes, 0x10));
}

TEST(NtfsAttributes, AttributeRunningPastTheRecordEndIsDropped) {
    RecordBuilder r(4);
    r.StdInfo(1, 2, 3, 4);
    // A $FILE_NAME whose length claims 0x300 bytes while the record's bytes in use end first.
    std::vector<uint8_t> a(32, 0);
    a[0] = 0x30;
    a[4] = 0x00;
    a[5] = 0x03;
    r.Raw(a).End();
    auto rec = ParseRecord(r.Bytes());
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->attributes.count(), 1u);
    EXPECT_FALSE(FindAttribute(rec->attributes, 0x30));
}

TEST(NtfsAttributes, ResidentValuePastItsAttributeIsEmpty) {
    RecordBuilder r(4);
    r.StdInfo(1, 2, 3, 4);
    std::vector<uint8_t> a(32, 0);
    a[0] = 0x80;
    a[4] = 32;
    a[16] = 0xFF; // value length 255 in an attribute of 32 bytes
    a[20] = 24;
    r.Raw(a).End();
    auto rec = ParseRecord(r.Bytes());
    ASSERT_TRUE(rec);
    const NTFSAttribute* data = FindAttribute(rec->attributes, 0x80);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->ResidentValue()->Size(), 0u);
}

TEST(NtfsAttributes, BadNameOffsetAndResidentFlagStop) {
    RecordBuilder r(4);
    r.StdInfo(1, 2, 3, 4);
    std::vector<uint8_t> a(24, 0);
    a[0] = 0x40;
    a[4] = 24;
    a[10] = 0x20; // name offset 0x20 is not allowed
    r.Raw(a).End();
    auto rec = ParseRecord(r.Bytes());
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->attributes.count(), 1u);

    RecordBuilder r2(4);
    r2.StdInfo(1, 2, 3, 4);
    a[10] = 0;
    a[8] = 2; // neither resident nor non-resident
    r2.Raw(a).End();
    rec = ParseRecord(r2.Bytes());
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->attributes.count(), 1u);
}

TEST(NtfsAttributes, StandardInformationLengths) {
    for (uint32_t length : {48u, 72u, 73u}) {
        auto rec =
            ParseRecord(RecordBuilder(1).StdInfo(11, 22, 33, 44, 0x21, length).End().Bytes());
        ASSERT_TRUE(rec);
        const auto* si = dynamic_cast<const NTFSAttributeDataStdInfo*>(
            FindAttribute(rec->attributes, 0x10)->data.get());
        ASSERT_TRUE(si);
        EXPECT_EQ(si->created, 11u);
        EXPECT_EQ(si->modified, 22u);
        EXPECT_EQ(si->mftChanged, 33u);
        EXPECT_EQ(si->accessed, 44u);
        EXPECT_EQ(si->fileAttributes, 0x21u);
        if (length == 73) {
            EXPECT_EQ(si->ownerId, 0x11111111u);
            EXPECT_EQ(si->securityId, 0x22222222u);
            EXPECT_NE(si->updateSequenceNumber, 0u);
        } else {
            EXPECT_EQ(si->ownerId, 0u);
            EXPECT_EQ(si->securityId, 0u);
            EXPECT_EQ(si->quotaCharged, 0u);
            EXPECT_EQ(si->updateSequenceNumber, 0u);
        }
    }
}

TEST(NtfsAttributes, LongFileNameAndUnknownTypes) {
    std::u16string name(255, u'n');
    name[254] = u'z';
    RecordBuilder r(1);
    r.StdInfo(1, 2, 3, 4).FileName(0x0005000000000005ull, name);
    std::vector<uint8_t> other(32, 0);
    other[1] = 0x01; // type 0x100
    other[4] = 32;
    other[16] = 8;
    other[20] = 24;
    r.Raw(other).End();
    auto rec = ParseRecord(r.Bytes());
    ASSERT_TRUE(rec);
    const auto* fn = dynamic_cast<const NTFSAttributeDataFilename*>(
        FindAttribute(rec->attributes, 0x30)->data.get());
    ASSERT_TRUE(fn);
    EXPECT_EQ(fn->name, name);
    EXPECT_EQ(fn->parentReference, 0x0005000000000005ull);
    const NTFSAttribute* unknown = FindAttribute(rec->attributes, 0x100);
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->data, nullptr);
    EXPECT_TRUE(rec->attributesComplete);
}

TEST(NtfsAttributes, BadRunListKeepsTheRunsBeforeIt) {
    RecordBuilder r(1);
    r.StdInfo(1, 2, 3, 4);
    // One run of 16 clusters at 256, then a header with a 9-byte offset field.
    r.NonResident(0x80, 3, 0, 15, 65536, 65536, 65536, {0x21, 0x10, 0x00, 0x01, 0x91, 1, 1});
    r.End();
    auto rec = ParseRecord(r.Bytes());
    ASSERT_TRUE(rec);
    NTFSAttribute* data = FindAttribute(rec->attributes, 0x80);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->runList.Count(), 1u);
    EXPECT_EQ(data->runList.Runs().first()->lcn, 256);
    EXPECT_EQ(data->runList.Runs().first()->length, 16u);
    EXPECT_EQ(data->DataSize(), 65536u);
}

TEST(NtfsAttributes, FilterAndFindById) {
    RecordBuilder r(1);
    r.StdInfo(1, 2, 3, 4).FileName(5, u"A~1.TXT", 2).FileName(5, u"a long name.txt", 1).End();
    auto rec = ParseRecord(r.Bytes());
    ASSERT_TRUE(rec);
    NTFSAttributeList names(false);
    FilterAttributes(rec->attributes, 0x30, names);
    EXPECT_EQ(names.count(), 2u);
    EXPECT_EQ(FindAttribute(rec->attributes, 0x30, 2), names.last());
    EXPECT_EQ(FindAttribute(rec->attributes, 0x30, 7), nullptr);
}

TEST(NtfsVolume, ReadsRecordsBySlotAndMapsReferences) {
    TempDir dir;
    NtfsImageBuilder image;
    image.PutRecord(0, MftRecord(image.MftCluster(), 4, image.ClusterSize()));
    image.PutRecord(3, RecordBuilder(3).StdInfo(1, 2, 3, 4).FileName(5, u"x").End().Bytes());
    image.PutRecord(4, RecordBuilder(4).StdInfo(1, 2, 3, 4).End().BytesInUse(41).Bytes());
    NTFSVolume volume;
    ASSERT_TRUE(volume.OpenPath(image.WriteTo(dir.File("v.img")), true));
    // The reference's sequence number (top 16 bits) is no part of the record number.
    EXPECT_EQ(volume.RecordNumberToSlot(RecordOfReference((5ull << 48) | 3)),
              image.SlotOfRecord(3));
    auto rec = volume.ReadRecord(image.SlotOfRecord(3));
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->slot, image.SlotOfRecord(3));
    EXPECT_EQ(volume.SlotToSector(image.SlotOfRecord(3)), image.SlotOfRecord(3).value * 2);
    auto byNumber = volume.ReadRecordByNumber(MftRecordNumber{3});
    ASSERT_TRUE(byNumber);
    EXPECT_EQ(byNumber->slot, image.SlotOfRecord(3));
    EXPECT_FALSE(volume.ReadRecord(image.SlotOfRecord(4))); // bytes in use 41
    EXPECT_FALSE(volume.ReadRecord(image.SlotOfRecord(5))); // no signature
    // Past the 4 clusters (16 records) that $MFT's run list describes there is no record.
    EXPECT_FALSE(volume.RecordNumberToSlot(MftRecordNumber{100}));
}

} // namespace
} // namespace tessaly::test

namespace tessaly::test {
namespace {

TEST(NtfsAttributeParse, NameOfACompressedAttributeFollowsItsLongerHeader) {
    ByteImage a(0x60);
    a.Put32(0x00, 0x80); // $DATA
    a.Put32(0x04, 0x60); // length
    a.Put8(0x08, 1);     // non-resident
    a.Put8(0x09, 2);     // name of two units
    a.Put16(0x0A, 0x48); // behind the total-allocated field of a compressed header
    a.Put16(0x0C, 0x0001);
    a.Put16(0x20, 0x50); // run list
    a.Put16(0x22, 4);    // compression unit
    a.Put64(0x28, 0x10000);
    a.Put64(0x30, 0x9000);
    a.Put64(0x38, 0x9000);
    a.Put64(0x40, 0x4000); // total allocated
    a.PutBytes(0x48, {'A', 0, 'B', 0});
    a.PutBytes(0x50, {0x11, 0x01, 0x05, 0x00});
    StreamBase view;
    ASSERT_TRUE(view.InitCopy(a.bytes().data(), static_cast<uint32_t>(a.size()), 0));
    NTFSAttribute attribute;
    ASSERT_TRUE(attribute.Parse(&view));
    EXPECT_EQ(attribute.name, u"AB");
    EXPECT_EQ(attribute.runList.FirstLcn(), 5);
}

} // namespace
} // namespace tessaly::test
