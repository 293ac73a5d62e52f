#include "engine/fat/FatEntryAssembler.h"
#include "engine/fat/FatEntryChecks.h"
#include "platform/Time.h"
#include "tests/fat/FatTestSupport.h"

#include <gtest/gtest.h>

using namespace tessaly::test;

namespace {

FatEntry BuildFrom(const FatDirEntry& e, uint32_t directoryCluster = 7) {
    FatEntryAssembler assembler(1);
    if (!e.longName.empty())
        for (const auto& s : LongNameSlots(e.longName, e.shortName))
            assembler.Append(s.data());
    assembler.Append(ShortSlot(e).data());
    return assembler.Build(directoryCluster);
}

FatDirEntry Named(const std::string& shortName) {
    FatDirEntry e;
    e.shortName = shortName;
    return e;
}

} // namespace

TEST(FatShortNames, JoinBaseAndExtensionWithoutPadding) {
    EXPECT_EQ(BuildFrom(Named("README  TXT")).name, u"README.TXT");
    EXPECT_EQ(BuildFrom(Named("MAKEFILE   ")).name, u"MAKEFILE");
    const FatEntry deleted = BuildFrom(Named("\xE5"
                                             "EPORT  DOC"));
    EXPECT_EQ(deleted.name, u"_EPORT.DOC");
    EXPECT_TRUE(deleted.deleted);
    EXPECT_FALSE(BuildFrom(Named("README  TXT")).deleted);
}

TEST(FatShortNames, CaseFlagsLowerTheBaseOrTheExtension) {
    FatDirEntry e = Named("README  TXT");
    e.caseFlags = 0x18;
    EXPECT_EQ(BuildFrom(e).name, u"readme.txt");
    e.caseFlags = 0x08;
    EXPECT_EQ(BuildFrom(e).name, u"readme.TXT");
    e.caseFlags = 0x10;
    EXPECT_EQ(BuildFrom(e).name, u"README.txt");
    FatDirEntry deleted = Named("\xE5"
                                "AP1    BIN");
    deleted.caseFlags = 0x18;
    EXPECT_EQ(BuildFrom(deleted).name, u"_ap1.bin");
}

TEST(FatShortNames, OemBytesAndTheKanjiLeadByteConvert) {
    // 0x82 is e-acute in code page 437; 0x05 stands for a real 0xE5 (sigma) first byte.
    EXPECT_EQ(BuildFrom(Named("CAF\x82    TXT")).name, u"CAF\u00E9.TXT");
    EXPECT_EQ(BuildFrom(Named("\x05"
                              "BC     TXT"))
                  .name,
              u"\u03C3BC.TXT");
}

TEST(FatLongNames, AreAssembledFromTheSlotsBeforeTheShortEntry) {
    FatDirEntry e = Named("ABCDEF~1TXT");
    e.longName = u"abcdefghijklm"; // 13 units: one slot, no NUL
    EXPECT_EQ(BuildFrom(e).name, u"abcdefghijklm");
    e.longName = u"abcdefghijklmn"; // 14 units: the second slot stops at its NUL
    EXPECT_EQ(BuildFrom(e).name, u"abcdefghijklmn");
    e.longName = u"R\u00E9sum\u00E9 \u2013 final.txt";
    EXPECT_EQ(BuildFrom(e).name, e.longName);
}

TEST(FatLongNames, OnlyTheFirstTwentyOneSlotsOfALongRunAreRead) {
    FatEntryAssembler assembler(1);
    std::vector<uint8_t> slot(32, 0);
    slot[0x0B] = 0x0F;
    for (int i = 0; i < 25; ++i) {
        for (int u = 0; u < 13; ++u) {
            static constexpr size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
            slot[kOffsets[u]] = static_cast<uint8_t>('a' + i);
        }
        assembler.Append(slot.data());
    }
    assembler.Append(ShortSlot(Named("LONG~1  TXT")).data());
    const std::u16string name = assembler.Build(3).name;
    ASSERT_EQ(name.size(), 21u * 13);
    EXPECT_EQ(name.front(), u'a' + 20); // slot 20 first, down to slot 0
    EXPECT_EQ(name.back(), u'a');
}

TEST(FatEntries, CarryClusterSizeTimesAndAttributes) {
    FatDirEntry e = Named("DATA    BIN");
    e.firstCluster = 0x00012345;
    e.size = 123456;
    e.attributes = 0x21;
    e.date = DosDate(2024, 2, 29);
    e.time = DosTime(12, 34, 56);
    const FatEntry entry = BuildFrom(e, 99);
    EXPECT_EQ(entry.firstCluster, 0x12345u);
    EXPECT_EQ(entry.directoryCluster, 99u);
    EXPECT_EQ(entry.size, 123456u);
    EXPECT_EQ(entry.attributes, 0x21u);
    // Local time is UTC in these tests.
    EXPECT_EQ(platform::FileTimeToUnix(entry.modified), 1709210096);
    EXPECT_EQ(platform::FileTimeToUnix(entry.created), 1709210096);
    EXPECT_EQ(platform::FileTimeToUnix(entry.accessed), 1709164800); // date only
}

TEST(FatEntryChecks, DotsAndLabelsAreRecognised) {
    EXPECT_TRUE(IsDotOrLabel(ShortSlot(Named(".          ")).data()));
    EXPECT_TRUE(IsDotOrLabel(ShortSlot(Named("..         ")).data()));
    FatDirEntry label = Named("VOLUME     ");
    label.attributes = 0x08;
    EXPECT_TRUE(IsDotOrLabel(ShortSlot(label).data()));
    EXPECT_FALSE(IsDotOrLabel(ShortSlot(Named(".HIDDEN    ")).data()));
}

TEST(FatEntryChecks, FolderSizesMustBeWholeKilobytes) {
    FatDirEntry dir = Named("FOLDER     ");
    dir.attributes = 0x10;
    dir.size = 4096;
    EXPECT_TRUE(IsValidEntry(ShortSlot(dir).data(), 1000));
    dir.size = 100;
    EXPECT_FALSE(IsValidEntry(ShortSlot(dir).data(), 1000));
    dir.size = 0x101000;
    EXPECT_FALSE(IsValidEntry(ShortSlot(dir).data(), 1000));
}

TEST(FatEntryChecks, DatesOutsideTheVolumesLifetimeAreRejected) {
    const int year = 1900 + CurrentYearSince1900();
    FatDirEntry e = Named("FILE    TXT");
    e.date = DosDate(1984, 12, 31);
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.date = DosDate(1985, 1, 1);
    EXPECT_TRUE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.date = DosDate(year, 1, 1);
    EXPECT_TRUE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.date = DosDate(year + 1, 1, 1);
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.date = DosDate(2020, 13, 1);
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.date = DosDate(2020, 1, 0);
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.date = DosDate(2020, 1, 1);
    e.time = DosTime(24, 0, 0);
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.time = static_cast<uint16_t>(60 << 5);
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.time = 30; // 60 seconds
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
}

TEST(FatEntryChecks, ClusterBoundAttributesAndLeadingSpace) {
    FatDirEntry e = Named("FILE    TXT");
    e.firstCluster = 1000;
    EXPECT_TRUE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.firstCluster = 1001;
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.firstCluster = 5;
    e.attributes = 0x40;
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.attributes = 0x20;
    e.shortName = " ILE    TXT";
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
}

TEST(FatEntryChecks, CleanNames) {
    EXPECT_TRUE(IsCleanName(u""));
    EXPECT_TRUE(IsCleanName(u"report 2024 (final).txt"));
    EXPECT_TRUE(IsCleanName(u"a\x1F"
                            u"b"));
    EXPECT_FALSE(IsCleanName(u"a\x1E"
                             u"b"));
    for (char16_t c : std::u16string(u"?*/\\|<>:\""))
        EXPECT_FALSE(IsCleanName(std::u16string(u"x") + c)) << static_cast<int>(c);
}

TEST(FatEntryChecks, CreationAndAccessDatesMayBeMissingButNotTheWriteDate) {
    FatDirEntry e = Named("DSC00001JPG");
    e.createdDate = 0;
    e.accessedDate = 0;
    EXPECT_TRUE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.createdDate = DosDate(1984, 1, 1); // recorded, and impossible
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.createdDate = 0;
    e.accessedDate = DosDate(2020, 0, 1);
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
    e.accessedDate = 0;
    e.date = 0; // the write date, which every writer records
    EXPECT_FALSE(IsValidEntry(ShortSlot(e).data(), 1000));
}

TEST(FatEntryChecks, FolderStartsNameThemselves) {
    FatDirEntry dot = Named(".          ");
    dot.attributes = 0x10;
    dot.firstCluster = 77;
    FatDirEntry dotdot = Named("..         ");
    dotdot.attributes = 0x10;
    std::vector<uint8_t> cluster = ShortSlot(dot);
    const auto second = ShortSlot(dotdot);
    cluster.insert(cluster.end(), second.begin(), second.end());
    EXPECT_TRUE(StartsFolder(cluster.data(), 64, 77));
    EXPECT_FALSE(StartsFolder(cluster.data(), 64, 78)); // "." names another cluster
    EXPECT_FALSE(StartsFolder(cluster.data(), 63, 77));
    cluster[0x0B] = 0x20; // "." that is not a folder
    EXPECT_FALSE(StartsFolder(cluster.data(), 64, 77));
    cluster[0x0B] = 0x10;
    cluster[33] = 'X'; // no ".." behind it
    EXPECT_FALSE(StartsFolder(cluster.data(), 64, 77));
}

TEST(FatEntryChecks, ChecksumAndCreationTimesOfSlots) {
    const std::string shortName = "LONGNA~1TXT";
    const auto slots = LongNameSlots(u"Long name.txt", shortName);
    EXPECT_EQ(ShortNameChecksum(ShortSlot(Named(shortName)).data()), slots[0][0x0D]);

    FatDirEntry a = Named("A       TXT");
    a.time = DosTime(23, 59, 50);
    FatDirEntry b = a;
    b.time = DosTime(23, 59, 56);
    auto sa = ShortSlot(a), sb = ShortSlot(b);
    EXPECT_EQ(CreationCentisecondsApart(sa.data(), sb.data()), 600);
    sb[0x0D] = 150; // 1.5 s more
    EXPECT_EQ(CreationCentisecondsApart(sa.data(), sb.data()), 750);
    EXPECT_EQ(CreationCentisecondsApart(sb.data(), sa.data()), 750);
    b.createdDate = DosDate(2020, 6, 16);
    EXPECT_EQ(CreationCentisecondsApart(sa.data(), ShortSlot(b).data()), -1);
}

TEST(FatLongNames, SlotsCarriedFromTheClusterBeforeMustMatchTheirEntry) {
    const std::u16string name = u"A name over two clusters.txt";
    const auto slots = LongNameSlots(name, "ANAMEO~1TXT");
    FatDirEntry entry = Named("ANAMEO~1TXT");
    FatEntryAssembler assembler(1);
    assembler.Append(slots[0].data());
    assembler.Append(slots[1].data());
    assembler.CarryOver();
    EXPECT_EQ(assembler.Carried(), 2u);
    assembler.Append(slots[2].data());
    assembler.Append(ShortSlot(entry).data());
    EXPECT_EQ(assembler.Build(3).name, name);

    // The same slots before another entry: only the slots of the second cluster count.
    assembler.Clear();
    assembler.Append(slots[0].data());
    assembler.Append(slots[1].data());
    assembler.CarryOver();
    entry.shortName = "OTHER   TXT";
    assembler.Append(ShortSlot(entry).data());
    EXPECT_EQ(assembler.Build(3).name, u"OTHER.TXT");
    EXPECT_EQ(assembler.Carried(), 0u);
}

TEST(FatEntries, EachBuildStartsFromAnEmptyEntry) {
    // One assembler builds entry after entry; nothing of the one before may stay in the next.
    FatEntryAssembler assembler(1);
    FatDirEntry folder = Named("\xE5"
                               "ONGFO~1   ");
    folder.longName = u"A long folder name that takes three slots";
    folder.deletedLongName = true;
    folder.attributes = 0x10;
    folder.firstCluster = 0x00054321;
    folder.size = 4096;
    folder.createdDate = DosDate(2019, 3, 4);
    folder.accessedDate = DosDate(2021, 5, 6);
    for (const auto& s : LongNameSlots(folder.longName, folder.shortName))
        assembler.Append(s.data());
    assembler.Append(ShortSlot(folder).data());
    const FatEntry& first = assembler.Build(40);
    EXPECT_EQ(first.name, folder.longName);
    EXPECT_TRUE(first.deleted);
    assembler.Clear();

    FatDirEntry file = Named("B       TXT");
    file.date = DosDate(2022, 7, 8);
    file.createdDate = 0; // not recorded
    file.accessedDate = 0;
    assembler.Append(ShortSlot(file).data());
    const FatEntry& second = assembler.Build(41);
    EXPECT_EQ(second.name, u"B.TXT");
    EXPECT_FALSE(second.deleted);
    EXPECT_EQ(second.attributes, 0x20u);
    EXPECT_EQ(second.firstCluster, 0u);
    EXPECT_EQ(second.directoryCluster, 41u);
    EXPECT_EQ(second.size, 0u);
    EXPECT_EQ(second.created, 0u);
    EXPECT_EQ(second.accessed, 0u);
    EXPECT_EQ(platform::FileTimeToUnix(second.modified), 1657283400); // 2022-07-08 12:30 UTC
    EXPECT_FALSE(second.IsDirectory());
    assembler.Clear();

    // No slots at all: the empty entry.
    const FatEntry& empty = assembler.Build(42);
    EXPECT_TRUE(empty.name.empty());
    EXPECT_EQ(empty.directoryCluster, 0u);
    EXPECT_EQ(empty.modified, 0u);
    EXPECT_EQ(empty.attributes, 0u);
}
