// The scans and recovery against NTFS volumes shaped the way Windows and years of use leave
// them (scripts/make-foreign-volumes): 512-byte clusters with 1024-byte records and the MFT at
// an odd cluster, and an MFT of many extents holding a file whose attribute list names
// extension records in later extents. Checked against their manifests and against each other.
#include "engine/ntfs/AttributeListExpansion.h"
#include "engine/ntfs/NTFSFileRecovery.h"
#include "engine/ntfs/NTFSVolume.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

namespace tessaly::test {
namespace {

constexpr char kLetter = 'G';

std::multimap<std::string, StoredRow> Scan(const std::string& name, bool advanced) {
    ScanLog log;
    EXPECT_TRUE(ScanImage(kLetter, LoadVolume(name).image, advanced, log));
    std::multimap<std::string, StoredRow> rows;
    for (const auto& r : ReadTable(kLetter))
        rows.emplace(RelativePath(r), r);
    return rows;
}

void Overwrite(const char16_t*, uint32_t, int* answer, void*) {
    *answer = 0;
}

// Recovers the row's record below a fresh folder and returns the MD5 of the file written.
std::string RecoverMd5(uint64_t record, const std::string& name) {
    TempDir out;
    g_engineCancel = false;
    NTFSFileRecovery writer;
    EXPECT_TRUE(writer.Recover(kLetter, record, platform::Utf8ToUtf16(out.path()).c_str(), nullptr,
                               nullptr, nullptr, Overwrite, nullptr))
        << name;
    return Md5OfFile(out.File(name));
}

std::string Basename(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class NtfsForeignVolume : public ::testing::TestWithParam<std::tuple<std::string, bool>> {};

} // namespace

// Both scans list every manifest entry in its folder, and each file recovers byte for byte.
TEST_P(NtfsForeignVolume, EveryEntryIsListedAndRecovers) {
    const auto& [name, advanced] = GetParam();
    const TestVolume& volume = LoadVolume(name);
    const auto rows = Scan(name, advanced);
    for (const ManifestEntry& e : volume.entries) {
        SCOPED_TRACE(e.path);
        const auto it = rows.find(e.path);
        ASSERT_NE(it, rows.end());
        const StoredRow& row = it->second;
        EXPECT_EQ(row.isDir != 0, e.isDir);
        EXPECT_EQ(row.isDeleted == 1, e.deleted);
        EXPECT_EQ(platform::FileTimeToUnix(row.modified), e.mtime);
        if (e.isDir) continue;
        EXPECT_EQ(row.size, e.size);
        EXPECT_EQ(RecoverMd5(row.record, Basename(e.path)), e.md5);
    }
}

std::string ScanName(const ::testing::TestParamInfo<std::tuple<std::string, bool>>& param) {
    return std::get<0>(param.param) + (std::get<1>(param.param) ? "_complete" : "_quick");
}

INSTANTIATE_TEST_SUITE_P(Volumes, NtfsForeignVolume,
                         ::testing::Combine(::testing::Values("ntfs512", "ntfsfrag"),
                                            ::testing::Bool()),
                         ScanName);

TEST(NtfsForeignVolumes, QuickAndCompleteScansAgree) {
    for (const char* name : {"ntfs512", "ntfsfrag"}) {
        SCOPED_TRACE(name);
        std::set<std::tuple<std::string, uint64_t, int, uint64_t>> complete;
        for (const auto& [path, r] : Scan(name, true))
            complete.emplace(path, r.id, r.isDeleted, r.size);
        size_t compared = 0;
        for (const auto& [path, r] : Scan(name, false)) {
            EXPECT_TRUE(complete.count({path, r.id, r.isDeleted, r.size})) << path;
            ++compared;
        }
        EXPECT_GT(compared, 300u);
    }
}

TEST(NtfsForeignVolumes, SmallClusterRecordsAreWhereTheirSlotsSay) {
    // 512-byte clusters and an MFT that starts at an odd one: a slot counts 512 bytes, and the
    // record column of every row leads back to that row's record.
    const auto rows = Scan("ntfs512", false);
    NTFSVolume volume;
    ASSERT_TRUE(volume.OpenPath(LoadVolume("ntfs512").image, true));
    ASSERT_EQ(volume.Boot().clusterSize, 512u);
    ASSERT_EQ(volume.Boot().recordSize, 1024u);
    EXPECT_EQ(volume.Boot().mftStartSlot.value % 2, 1u);
    size_t checked = 0;
    for (const auto& [path, r] : rows) {
        auto record = volume.ReadRecord(MftSlot{r.record});
        ASSERT_TRUE(record) << path;
        EXPECT_EQ(record->recordNumber, r.id) << path;
        ++checked;
    }
    EXPECT_GT(checked, 300u);
}

TEST(NtfsForeignVolumes, ExtensionRecordsInLaterMftExtentsAreFoundByNumber) {
    const auto rows = Scan("ntfsfrag", false);
    const auto big = rows.find("big.bin");
    ASSERT_NE(big, rows.end());
    NTFSVolume volume;
    ASSERT_TRUE(volume.OpenPath(LoadVolume("ntfsfrag").image, true));
    auto base = volume.ReadRecord(MftSlot{big->second.record});
    ASSERT_TRUE(base);
    NTFSAttribute* list = FindAttribute(base->attributes, 0x20);
    ASSERT_NE(list, nullptr);
    const MftRecordMap* map = volume.RecordMap();
    ASSERT_NE(map, nullptr);
    ASSERT_GT(map->Extents().size(), 2u);
    const uint64_t firstExtentRecords = map->Extents()[0].bytes / map->RecordSize();
    size_t later = 0;
    for (const NTFSAttributeListEntry& entry : ReadAttributeListEntries(*list, &volume)) {
        const MftRecordNumber n = RecordOfReference(entry.baseRecordReference);
        if (n.value == big->second.id) continue;
        auto extension = volume.ReadRecordByNumber(n);
        ASSERT_TRUE(extension) << n.value;
        EXPECT_EQ(extension->recordNumber, n.value);
        EXPECT_EQ(RecordOfReference(extension->baseRecordReference).value, big->second.id);
        if (n.value < firstExtentRecords) continue;
        ++later;
        // Counted from the MFT's first cluster, the same number lands on another record.
        const uint64_t naive = volume.Boot().SlotOffset(volume.Boot().mftStartSlot)->value +
                               n.value * volume.Boot().recordSize;
        auto elsewhere = volume.ReadRecordAt(RecordLocation::Whole(VolumeOffset{naive}, 1024));
        EXPECT_TRUE(!elsewhere || elsewhere->recordNumber != n.value);
    }
    EXPECT_GT(later, 0u);
}

} // namespace tessaly::test
