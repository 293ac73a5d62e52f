// The store's named calls for what other folders need of a drive's table: counting rows
// without making a table, taking back record ranges (also while loading, across the 2^63
// boundary of the stored values, past one statement's worth of ranges), the rows that carving
// and the overwritten-by lookup read back, a row's path in a damaged table, the row sets of
// the row reader, and scan files written and read back.
#include "store/ClusterOwnerRows.h"
#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"
#include "store/RecordRanges.h"
#include "store/RowCounts.h"
#include "store/RowPaths.h"
#include "store/RowReader.h"
#include "store/SavedScanFile.h"
#include "store/UnreadFolders.h"
#include "tests/store/StoreTestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace tessaly::test {
namespace {

std::vector<uint64_t> RecordsOf(char letter) {
    std::vector<uint64_t> records;
    DataBase store(letter);
    RowReader reader(store);
    RowFields row;
    while (reader.Next(row))
        records.push_back(row.record);
    return records;
}

TestRow WithRecord(TestRow row, uint64_t record) {
    row.record = record;
    return row;
}

TEST(RowCounts, NoTableCountsNothingAndIsNotMade) {
    DataBase('Q').DropTable();
    EXPECT_FALSE(TableExists('Q'));
    uint64_t rows = 7, deleted = 7;
    CountRows('Q', &rows, &deleted);
    EXPECT_EQ(rows, 0u);
    EXPECT_EQ(deleted, 0u);
    EXPECT_FALSE(TableExists('Q')); // counting did not make it
    EXPECT_FALSE(TableExists('1'));
    EXPECT_FALSE(TableExists('\0'));
}

TEST(RowCounts, DeletedMeansStateOneNotTheMarkOfALiveFolder) {
    // After the repair, the live folder above a deleted file is marked 2; it is not deleted.
    LoadDrive('Q', 5,
              {Folder(u"Docs", 30, 5), File(u"gone.txt", 31, 30, 10, true), File(u"a", 32, 5),
               File(u"b", 33, 30)});
    DataBase('Q').Db().execute("insert into Q (fn, id, pid) values ('no state', 40, 5)");
    EXPECT_TRUE(TableExists('Q'));
    EXPECT_TRUE(TableExists('q'));
    uint64_t rows = 0, deleted = 0;
    CountRows('q', &rows, &deleted);
    EXPECT_EQ(rows, 5u);
    EXPECT_EQ(deleted, 1u);
    EXPECT_EQ(Scalar("select isDeleted from Q where id=30"), 2);
}

TEST(RecordRanges, InclusiveBoundsReversedAndEmptyRanges) {
    std::vector<TestRow> rows;
    for (uint64_t r = 1; r <= 10; ++r)
        rows.push_back(
            File(u"f" + std::u16string(1, static_cast<char16_t>(u'0' + r % 10)), 100 + r, 5));
    LoadDrive('Q', 5, rows, false);
    DataBase('Q').Db().execute("insert into Q (fn, id, pid) values ('no record', 99, 5)");
    DataBase store('Q');
    EXPECT_EQ(DeleteRecordRanges(store, {}), 0u);
    EXPECT_EQ(DeleteRecordRanges(store, {{3, 4}, {7, 7}, {9, 8}}), 3u);
    EXPECT_EQ(RecordsOf('Q'), (std::vector<uint64_t>{1, 2, 5, 6, 8, 9, 10, 0}));
    EXPECT_EQ(DeleteRecordRanges(store, {{0, std::numeric_limits<uint64_t>::max()}}), 7u);
    EXPECT_EQ(RecordsOf('Q'), std::vector<uint64_t>{0}); // the row without a record stays
}

TEST(RecordRanges, RangesAcrossTheSignedBoundaryAndManyStatements) {
    constexpr uint64_t kTop = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    std::vector<TestRow> rows = {
        WithRecord(File(u"a", 1, 5), kTop - 1), WithRecord(File(u"b", 2, 5), kTop),
        WithRecord(File(u"c", 3, 5), kTop + 1), WithRecord(File(u"d", 4, 5), kTop + 2)};
    for (uint64_t r = 1; r <= 450; ++r)
        rows.push_back(WithRecord(File(u"n", 10 + r, 5), 2 * r));
    LoadDrive('Q', 5, rows, false);
    DataBase store('Q');
    EXPECT_EQ(DeleteRecordRanges(store, {{kTop, kTop + 1}}), 2u);
    // 450 ranges of one record each, and the odd numbers between them, which are not rows.
    std::vector<RecordRange> ranges;
    for (uint64_t r = 1; r <= 450; ++r)
        ranges.push_back({2 * r - 1, 2 * r - 1 + (r % 2)}); // [odd] or [odd, even]
    EXPECT_EQ(DeleteRecordRanges(store, ranges), 225u);
    const std::vector<uint64_t> left = RecordsOf('Q');
    ASSERT_EQ(left.size(), 227u);
    EXPECT_EQ(left[0], kTop - 1);
    EXPECT_EQ(left[1], kTop + 2);
    EXPECT_EQ(left[2], 4u);
    EXPECT_EQ(left.back(), 900u);
}

TEST(RecordRanges, TakesBackRowsStillWaitingInALoad) {
    DataBase store;
    store.SelectDrive('Q');
    store.DropTable();
    store.BeginInsert();
    for (uint64_t r = 1; r <= 5; ++r)
        store.InsertEntry(u"x", 1, 0, 0, 0, 0x20, 100 + r, 5, false, false, r, 0);
    EXPECT_EQ(DeleteRecordRanges(store, {{2, 3}}), 2u);
    store.InsertEntry(u"again", 1, 0, 0, 0, 0x20, 200, 5, false, false, 2, 0);
    store.EndInsert();
    EXPECT_EQ(RecordsOf('Q'), (std::vector<uint64_t>{1, 4, 5, 2}));
}

TEST(ClusterOwnerRows, IdRangeIsHalfOpenAndNullsReadAsZero) {
    LoadDrive('Q', 2,
              {File(u"one", 1, 2, 10), File(u"two", 2, 2, 20), Folder(u"five", 5, 2),
               File(u"nine", 9, 5, 90), File(u"ten", 10, 5, 100)});
    DataBase store('Q');
    store.Db().execute("insert into Q (fn, id) values ('bare', 7)");
    store.Db().execute("update Q set isDir=2 where id=5");
    std::vector<std::tuple<uint64_t, uint64_t, bool>> seen;
    ForEachRowInIdRange(store, 2, 10, [&](uint64_t id, uint64_t size, bool isDir) {
        seen.emplace_back(id, size, isDir);
    });
    std::sort(seen.begin(), seen.end()); // by id, whichever way the table was read
    EXPECT_EQ(seen, (std::vector<std::tuple<uint64_t, uint64_t, bool>>{
                        {2, 20, false}, {5, 0, true}, {7, 0, false}, {9, 90, false}}));
    seen.clear();
    ForEachRowInIdRange(store, 10, 10, [&](uint64_t id, uint64_t size, bool isDir) {
        seen.emplace_back(id, size, isDir);
    });
    EXPECT_TRUE(seen.empty());
}

TEST(ClusterOwnerRows, RecordsSkipRowsWithoutOne) {
    LoadDrive('Q', 5, {Folder(u"Docs", 30, 5), File(u"a", 31, 30)}, false);
    DataBase store('Q');
    store.Db().execute("insert into Q (fn, id, isDir) values ('no record', 40, 1)");
    std::vector<std::pair<uint64_t, bool>> seen;
    ForEachRowRecord(store, [&](uint64_t record, bool isDir) { seen.emplace_back(record, isDir); });
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::pair<uint64_t, bool>>{{1, true}, {2, false}}));
}

TEST(ClusterOwnerRows, LiveFilesInTableOrderUntilTheVisitorStops) {
    LoadDrive('Q', 5,
              {File(u"live1", 31, 5), File(u"gone", 32, 5, 10, true), Folder(u"Docs", 33, 5),
               File(u"live2", 34, 33), File(u"live3", 35, 33)});
    DataBase store('Q');
    std::vector<std::pair<uint64_t, uint64_t>> seen;
    ForEachLiveFile(store, [&](uint64_t id, uint64_t record) {
        seen.emplace_back(id, record);
        return true;
    });
    EXPECT_EQ(seen, (std::vector<std::pair<uint64_t, uint64_t>>{{31, 1}, {34, 4}, {35, 5}}));
    seen.clear();
    ForEachLiveFile(store, [&](uint64_t id, uint64_t record) {
        seen.emplace_back(id, record);
        return id != 34;
    });
    EXPECT_EQ(seen.size(), 2u);
}

TEST(RowPaths, PathsOfFilesDeletedRowsAndADamagedTree) {
    LoadDrive('Q', 5,
              {Folder(u"Docs", 30, 5), Folder(u"Sub", 31, 30), File(u"a.txt", 40, 31),
               File(u"old.txt", 41, 31, 10, true),
               // A file and a folder that share an id: the file is meant.
               Folder(u"Shared", 42, 30), File(u"shared.bin", 42, 31),
               // Two folders that name each other as parent.
               Folder(u"Loop1", 50, 51), Folder(u"Loop2", 51, 50), File(u"in-loop", 52, 50)},
              false);
    EXPECT_EQ(PathOfRowId('Q', 40, true), u"Q:\\Docs\\Sub\\a.txt");
    EXPECT_EQ(PathOfRowId('Q', 41, true), u"");
    EXPECT_EQ(PathOfRowId('Q', 41, false), u"Q:\\Docs\\Sub\\old.txt");
    EXPECT_EQ(PathOfRowId('Q', 42, true), u"Q:\\Docs\\Sub\\shared.bin");
    EXPECT_EQ(PathOfRowId('Q', 999, false), u"");
    const std::u16string looped = PathOfRowId('Q', 52, true); // ends, whatever it says
    EXPECT_EQ(looped.rfind(u"Q:\\", 0), 0u);
    EXPECT_NE(looped.find(u"in-loop"), std::u16string::npos);
}

TEST(RowReader, RowSetsTellMarksFromStates) {
    LoadDrive('Q', 5,
              {Folder(u"Docs", 30, 5), Folder(u"Sub", 31, 30), File(u"gone", 32, 31, 10, true),
               File(u"a", 33, 5)});
    // After the repair Docs has a sub-folder (isDir 2) and both folders are marked (isDeleted
    // 2) for the deleted file below them.
    DataBase store('Q');
    auto names = [&](RowSet set, std::optional<uint64_t> value = std::nullopt) {
        RowReader reader(store, set);
        if (value) reader.Restart(*value);
        std::vector<std::string> out;
        RowFields row;
        while (reader.Next(row))
            out.emplace_back(row.name);
        return out;
    };
    EXPECT_EQ(names(RowSet::kFolders), (std::vector<std::string>{"Docs", "Sub"}));
    EXPECT_EQ(names(RowSet::kFiles), (std::vector<std::string>{"gone", "a"}));
    EXPECT_EQ(names(RowSet::kDeleted), std::vector<std::string>{"gone"});
    EXPECT_EQ(names(RowSet::kChildrenOf), std::vector<std::string>{}); // no value given
    EXPECT_EQ(names(RowSet::kChildrenOf, 31), std::vector<std::string>{"gone"});
    EXPECT_EQ(names(RowSet::kWithRecord, 4), std::vector<std::string>{"a"});
}

std::string EmptyFile(const TempDir& dir, const std::string& name) {
    const std::string file = dir.File(name);
    std::ofstream(file).close();
    return file;
}

SavedSource SampleSource() {
    SavedSource source;
    source.letter = 'Q';
    source.isNtfs = true;
    source.rootKey = 5;
    source.path = "/images/it's a disk.img";
    source.size = 5000000000ull;
    source.bootChecksum = "0123456789abcdef";
    source.volumeOffset = 1048576;
    source.volumeLength = 41943040;
    source.partition = 2;
    source.container = "qcow2";
    return source;
}

TEST(SavedScanFile, WrittenAndReadBackThenLoadedUnchanged) {
    TempDir dir;
    LoadDrive('Q', 5, {Folder(u"Docs", 30, 5), File(u"a.txt", 31, 30, 10), File(u"b", 32, 5)});
    const std::string file = EmptyFile(dir, "scan.tessaly");
    {
        DataBase store('Q');
        WriteSavedScan(store, file, SampleSource());
    }
    CppSQLite3DB db;
    ASSERT_EQ(OpenSavedScan(db, file), "");
    const std::optional<SavedSource> read = ReadSavedSource(db);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->letter, 'Q');
    EXPECT_TRUE(read->isNtfs);
    EXPECT_EQ(read->rootKey, 5u);
    EXPECT_EQ(read->path, "/images/it's a disk.img");
    EXPECT_EQ(read->size, 5000000000ull);
    EXPECT_EQ(read->bootChecksum, "0123456789abcdef");
    EXPECT_EQ(read->volumeOffset, 1048576u);
    EXPECT_EQ(read->volumeLength, 41943040u);
    EXPECT_EQ(read->partition, 2u);
    db.close();

    const std::string before = Md5OfFile(file);
    DataBase('R').DropTable();
    for (int time = 0; time < 2; ++time) { // the first load left nothing attached
        DataBase store('R');
        AttachedSavedScan saved(store, file);
        EXPECT_EQ(saved.Problem(), "");
        ASSERT_TRUE(saved.Source());
        EXPECT_EQ(saved.Source()->path, "/images/it's a disk.img");
        EXPECT_EQ(saved.LoadRows(), 3);
    }
    EXPECT_EQ(Rows("select fn, id, pid from R order by rowid"),
              (std::vector<std::string>{"Docs|30|5", "a.txt|31|30", "b|32|5"}));
    EXPECT_EQ(Md5OfFile(file), before);
}

TEST(SavedScanFile, FilesSavedBeforeVolumesWereNamedReadAsTheWholeSource) {
    TempDir dir;
    LoadDrive('Q', 5, {File(u"a.txt", 31, 5)});
    const std::string file = EmptyFile(dir, "older.tessaly");
    {
        DataBase store('Q');
        WriteSavedScan(store, file, SampleSource());
        CppSQLite3DB db;
        db.open(file.c_str());
        for (const char* column : {"depthBound", "foldersTooDeep", "container", "partition",
                                   "volumeLength", "volumeOffset"})
            db.execute(std::string("alter table source drop column ") + column);
    }
    CppSQLite3DB db;
    ASSERT_EQ(OpenSavedScan(db, file), "");
    const std::optional<SavedSource> read = ReadSavedSource(db);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->path, "/images/it's a disk.img");
    EXPECT_EQ(read->volumeOffset, 0u);
    EXPECT_EQ(read->volumeLength, 0u);
    EXPECT_EQ(read->partition, 0u);
}

TEST(SavedScanFile, WhatTheScanLeftUnreadIsKeptWithIt) {
    TempDir dir;
    LoadDrive('Q', 5, {Folder(u"Deep", 30, 5), File(u"a.txt", 31, 5)});
    const std::string file = EmptyFile(dir, "unread.tessaly");
    SavedSource source = SampleSource();
    source.unread = {2, 16384};
    {
        DataBase store('Q');
        WriteSavedScan(store, file, source);
    }
    CppSQLite3DB db;
    ASSERT_EQ(OpenSavedScan(db, file), "");
    const std::optional<SavedSource> read = ReadSavedSource(db);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->unread.count, 2u);
    EXPECT_EQ(read->unread.depthBound, 16384u);
    db.close();

    // Saved before scans kept it: nothing is known to be unread.
    {
        CppSQLite3DB older;
        older.open(file.c_str());
        older.execute("alter table source drop column depthBound");
        older.execute("alter table source drop column foldersTooDeep");
    }
    ASSERT_EQ(OpenSavedScan(db, file), "");
    const std::optional<SavedSource> old = ReadSavedSource(db);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->unread.count, 0u);
    EXPECT_EQ(old->unread.depthBound, 0u);
    EXPECT_EQ(old->partition, 2u);
}

TEST(SavedScanFile, ADroppedTableForgetsWhatItsScanLeftUnread) {
    SetUnreadFolders('q', {3, 16384});
    EXPECT_EQ(UnreadFoldersOf('Q').count, 3u);
    EXPECT_EQ(UnreadFoldersOf('Q').depthBound, 16384u);
    SetUnreadFolders('!', {1, 1}); // no drive: ignored
    EXPECT_EQ(UnreadFoldersOf('!').count, 0u);
    DataBase('Q').DropTable();
    EXPECT_EQ(UnreadFoldersOf('Q').count, 0u);
    EXPECT_EQ(UnreadFoldersOf('Q').depthBound, 0u);
}

TEST(SavedScanFile, ASourceTableWithoutARowReadsAsNone) {
    TempDir dir;
    LoadDrive('Q', 5, {File(u"a.txt", 31, 5)});
    const std::string file = EmptyFile(dir, "empty.tessaly");
    {
        DataBase store('Q');
        WriteSavedScan(store, file, SampleSource());
        CppSQLite3DB db;
        db.open(file.c_str());
        db.execute("delete from source");
    }
    CppSQLite3DB db;
    EXPECT_NE(OpenSavedScan(db, file), ""); // refused as a saved scan
    EXPECT_FALSE(ReadSavedSource(db));
}

} // namespace
} // namespace tessaly::test
