// Entry sets, boot regions and time stamps on hand-built bytes.
#include "engine/exfat/ExfatBoot.h"
#include "engine/exfat/ExfatEntrySet.h"
#include "engine/exfat/ExfatTime.h"
#include "engine/exfat/ExfatUpcase.h"
#include "platform/Time.h"
#include "tests/exfat/ExfatTestSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tessaly::test;

namespace {

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A File set for name, with nameEntries File Name entries (enough for the name by default),
// checksummed; a deleted set has its in-use bits cleared afterwards.
std::vector<uint8_t> MakeSet(const std::u16string& name, uint64_t size, uint32_t first,
                             int nameEntries = -1, uint8_t nameLength = 0) {
    const int entries = nameEntries >= 0 ? nameEntries : static_cast<int>((name.size() + 14) / 15);
    std::vector<uint8_t> set(32 * (2 + entries), 0);
    set[0] = 0x85;
    set[1] = static_cast<uint8_t>(1 + entries);
    Put16(&set[4], 0x20);
    Put32(&set[12], (44u << 25) | (6u << 21) | (15u << 16) | (13u << 11) | (30u << 5) | 5u);
    set[21] = 150;  // 1.5 s more
    set[23] = 0x84; // UTC+1
    uint8_t* s = &set[32];
    s[0] = 0xC0;
    s[1] = 0x01;
    s[3] = nameLength ? nameLength : static_cast<uint8_t>(name.size());
    Put64(s + 8, size);
    Put32(s + 20, first);
    Put64(s + 24, size);
    for (int k = 0; k < entries; ++k) {
        uint8_t* n = &set[64 + 32 * k];
        n[0] = 0xC1;
        for (size_t u = 0; u < 15 && 15 * k + u < name.size(); ++u)
            Put16(n + 2 + 2 * u, name[15 * k + u]);
    }
    Put16(&set[2], ExfatSetChecksum(set.data(), set.size() / 32, false));
    return set;
}

void Delete(std::vector<uint8_t>& set) {
    for (size_t i = 0; i < set.size(); i += 32)
        set[i] &= 0x7F;
}

} // namespace

TEST(ExfatEntrySet, LiveAndDeletedSetsParse) {
    auto set = MakeSet(u"a rather long file name.txt", 5000, 77);
    ExfatEntry e;
    ASSERT_EQ(ParseExfatEntrySet(set.data(), set.size() / 32, e), ExfatSetResult::kParsed);
    EXPECT_EQ(e.name, u"a rather long file name.txt");
    EXPECT_EQ(e.dataLength, 5000u);
    EXPECT_EQ(e.firstCluster, 77u);
    EXPECT_FALSE(e.deleted);
    EXPECT_EQ(e.entryCount, 4u);
    // 2024-06-15 13:30:10.5 at UTC+1 is 12:30:11.5 UTC.
    uint32_t ns = 0;
    EXPECT_EQ(platform::FileTimeToUnix(e.modified, &ns), 1718454611);
    EXPECT_EQ(ns, 500000000u);

    Delete(set);
    ASSERT_EQ(ParseExfatEntrySet(set.data(), set.size() / 32, e), ExfatSetResult::kParsed);
    EXPECT_TRUE(e.deleted);
    EXPECT_EQ(e.name, u"a rather long file name.txt");
}

TEST(ExfatEntrySet, DamagedSetsAreRefused) {
    ExfatEntry e;
    auto set = MakeSet(u"name.txt", 10, 5);
    // The checksum covers every byte but its own.
    auto changed = set;
    changed[64 + 2] ^= 1;
    EXPECT_EQ(ParseExfatEntrySet(changed.data(), changed.size() / 32, e), ExfatSetResult::kBad);
    // A set whose secondaries run past the bytes given.
    EXPECT_EQ(ParseExfatEntrySet(set.data(), 2, e), ExfatSetResult::kTruncated);
    // Mixed states: one entry deleted, the others not.
    changed = set;
    changed[64] &= 0x7F;
    EXPECT_EQ(ParseExfatEntrySet(changed.data(), changed.size() / 32, e), ExfatSetResult::kBad);
    // A name length the name entries cannot hold, and a zero one.
    auto shortSet = MakeSet(u"name.txt", 10, 5, 1, 40);
    EXPECT_EQ(ParseExfatEntrySet(shortSet.data(), shortSet.size() / 32, e), ExfatSetResult::kBad);
    // Not a set at all.
    set[0] = 0x83;
    EXPECT_EQ(ParseExfatEntrySet(set.data(), set.size() / 32, e), ExfatSetResult::kNotASet);
}

TEST(ExfatEntrySet, NamesPastTwoHundredFiftyFiveCharactersAreRefused) {
    const std::u16string name(270, u'x');
    // 18 name entries: more than the 17 a 255-character name needs.
    auto set = MakeSet(name, 1, 9, 18, 255);
    ExfatEntry e;
    EXPECT_EQ(ParseExfatEntrySet(set.data(), set.size() / 32, e), ExfatSetResult::kBad);
    // 255 characters in 17 entries are fine.
    auto longest = MakeSet(std::u16string(255, u'y'), 1, 9);
    ASSERT_EQ(ParseExfatEntrySet(longest.data(), longest.size() / 32, e), ExfatSetResult::kParsed);
    EXPECT_EQ(e.name.size(), 255u);
}

TEST(ExfatEntrySet, NameHashUsesTheUpcaseTable) {
    // A table that maps a-z to A-Z and everything else to itself, compressed.
    std::vector<uint8_t> table;
    auto unit = [&](uint16_t u) {
        table.push_back(static_cast<uint8_t>(u));
        table.push_back(static_cast<uint8_t>(u >> 8));
    };
    unit(0xFFFF);
    unit('a');
    for (char16_t c = 'a'; c <= 'z'; ++c)
        unit(static_cast<uint16_t>(c - 'a' + 'A'));
    unit(0xFFFF);
    unit(0x10000 - 'z' - 1 - 1);
    ExfatUpcase upcase;
    ASSERT_TRUE(upcase.Load(table.data(), table.size()));
    EXPECT_EQ(upcase.Upcase(u'q'), u'Q');
    EXPECT_EQ(upcase.Upcase(u'Ä'), u'Ä');
    EXPECT_EQ(upcase.NameHash(u"abc"), upcase.NameHash(u"ABC"));

    auto set = MakeSet(u"abc", 1, 3);
    ExfatEntry e;
    EXPECT_EQ(ParseExfatEntrySet(set.data(), set.size() / 32, e, &upcase), ExfatSetResult::kBad);
    Put16(&set[32 + 4], upcase.NameHash(u"abc"));
    Put16(&set[2], ExfatSetChecksum(set.data(), set.size() / 32, false));
    EXPECT_EQ(ParseExfatEntrySet(set.data(), set.size() / 32, e, &upcase), ExfatSetResult::kParsed);
}

TEST(ExfatTime, OffsetsAndLocalTimes) {
    const uint32_t stamp = (46u << 25) | (1u << 21) | (2u << 16) | (3u << 11) | (4u << 5) | 5u;
    // 2026-01-02 03:04:10 at UTC-5 (offset -20 quarters) is 08:04:10 UTC.
    EXPECT_EQ(platform::FileTimeToUnix(ExfatTimeToFileTime(stamp, 0, 0x80 | 0x6C)), 1767341050);
    // No valid offset: local time (the tests run in UTC).
    EXPECT_EQ(platform::FileTimeToUnix(ExfatTimeToFileTime(stamp, 0, 0)), 1767323050);
    EXPECT_EQ(ExfatTimeToFileTime(0, 0, 0x80), 0u); // day 0 is no date
}

TEST(ExfatBoot, MainAndBackupRegionsOfARealVolume) {
    const auto good = ReadAll(LoadVolume("exfat-reused").image);
    ASSERT_GT(good.size(), 24u * 512);
    ExfatBootInfo info;
    ASSERT_TRUE(CheckExfatBootRegion(good.data(), 12 * 512, info));
    EXPECT_EQ(info.bytesPerSector, 512u);
    ASSERT_TRUE(CheckExfatBootRegion(good.data() + 12 * 512, 12 * 512, info));
    // Too short for the checksum sector.
    EXPECT_FALSE(CheckExfatBootRegion(good.data(), 11 * 512, info));

    const auto damaged = ReadAll(LoadVolume("exfat-backup").image);
    EXPECT_TRUE(CheckExfatBootSector(damaged.data(), 512, info));
    EXPECT_FALSE(CheckExfatBootRegion(damaged.data(), 12 * 512, info));
    EXPECT_TRUE(CheckExfatBootRegion(damaged.data() + 12 * 512, 12 * 512, info));

    // Fields out of range.
    std::vector<uint8_t> sector(good.begin(), good.begin() + 512);
    auto bad = sector;
    bad[108] = 13; // 8 KiB sectors
    EXPECT_FALSE(CheckExfatBootSector(bad.data(), 512, info));
    bad = sector;
    Put32(&bad[96], 1); // root cluster below the heap
    EXPECT_FALSE(CheckExfatBootSector(bad.data(), 512, info));
    bad = sector;
    Put32(&bad[92], 0xFFFFFFF0); // more clusters than the volume holds
    EXPECT_FALSE(CheckExfatBootSector(bad.data(), 512, info));
    bad = sector;
    bad[510] = 0;
    EXPECT_FALSE(CheckExfatBootSector(bad.data(), 512, info));
    EXPECT_FALSE(CheckExfatBootSector(sector.data(), 511, info));
}
