// Lookups for recovery: counting, rows by record, children, the extra folder and the
// cancellable child walk.
#include "store/DataBase.h"
#include "store/RecoveryLookups.h"
#include "tests/store/StoreTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace tessaly::test;

TestRow WithRecord(TestRow row, uint64_t record) {
    row.record = record;
    return row;
}

// Folder Top (record 100) holds 3 files and Sub (record 200), which holds 2 files.
std::vector<TestRow> Tree() {
    return {
        WithRecord(Folder(u"Top", 10, 2), 100),  WithRecord(File(u"1.txt", 11, 10), 101),
        WithRecord(File(u"2.txt", 12, 10), 102), WithRecord(File(u"3.txt", 13, 10, 100, true), 103),
        WithRecord(Folder(u"Sub", 20, 10), 200), WithRecord(File(u"4.txt", 21, 20), 201),
        WithRecord(File(u"5.txt", 22, 20), 202)};
}

TEST(CountForRecovery, CountsFilesBelowAFolder) {
    LoadDrive('R', 2, Tree());
    EXPECT_EQ(CountForRecovery('R', 100), 5u);
    EXPECT_EQ(CountForRecovery('R', 200), 2u);
    EXPECT_EQ(CountForRecovery('R', 101), 1u);
    EXPECT_EQ(CountForRecovery('R', 999), 0u);
}

TEST(CountFolderFiles, CyclesAndRepeatedFoldersCountOnce) {
    // A and B are each other's parent; B is also listed twice below A, and C is its own parent.
    LoadDrive('R', 2,
              {Folder(u"Top", 10, 2), Folder(u"A", 11, 10), Folder(u"B", 12, 11),
               Folder(u"A", 11, 12), Folder(u"B-again", 12, 11), File(u"in-a", 13, 11),
               File(u"in-b", 14, 12), Folder(u"C", 15, 15), File(u"in-c", 16, 15)});
    DataBase store('R');
    EXPECT_EQ(CountFolderFiles(store, 10), 2u);
    EXPECT_EQ(CountFolderFiles(store, 11), 2u);
    EXPECT_EQ(CountFolderFiles(store, 15), 1u);
}

TEST(CountFolderFiles, DeepChainDoesNotExhaustTheStack) {
    std::vector<TestRow> rows;
    for (uint64_t i = 0; i < 20000; ++i) {
        rows.push_back(Folder(u"d", 10 + i, i == 0 ? 2 : 9 + i));
    }
    rows.push_back(File(u"bottom.txt", 1000000, 10 + 19999));
    LoadDrive('R', 2, rows);
    DataBase store('R');
    EXPECT_EQ(CountFolderFiles(store, 10), 1u);
}

TEST(ChildRecords, ListsRecordsOfTheChildrenInTableOrder) {
    LoadDrive('R', 2, Tree());
    std::vector<uint64_t> records{7, 7};
    EXPECT_TRUE(ChildRecords('R', 100, records));
    EXPECT_EQ(records, (std::vector<uint64_t>{101, 102, 103, 200}));
    EXPECT_FALSE(ChildRecords('R', 101, records)); // a file has no children
    EXPECT_TRUE(records.empty());
    records = {1};
    EXPECT_FALSE(ChildRecords('R', 999, records));
    EXPECT_TRUE(records.empty());
}

TEST(FindExtraFolder, RecognisesOnlyTheExtraFolder) {
    LoadDrive('R', 2, {WithRecord(File(u"lost.bin", 30, 900, 5), 50)});
    std::u16string name = u"unchanged";
    EXPECT_FALSE(FindExtraFolder('R', 50, name));
    EXPECT_EQ(name, u"unchanged");
    EXPECT_TRUE(FindExtraFolder('R', 51, name));
    EXPECT_EQ(name, u"!!!ADVANCED - EXTRA!!!");
    EXPECT_EQ(name.size(), 22u);
    EXPECT_FALSE(FindExtraFolder('R', 52, name));
}

TEST(ReadByRecord, FillsTheRowOfThatRecord) {
    TestRow file =
        WithRecord(File(u"r\u00e9sum\u00e9.doc", 0xABCDEF12, 10, 5000000000ULL, true), 101);
    file.created = 1;
    file.modified = 2;
    file.accessed = 3;
    file.attributes = 0x21;
    LoadDrive('R', 2, {WithRecord(Folder(u"Top", 10, 2), 100), file});
    ScanRow row;
    ASSERT_TRUE(ReadByRecord('R', 101, row));
    EXPECT_EQ(row.name, u"r\u00e9sum\u00e9.doc");
    EXPECT_EQ(row.id, 0xABCDEF12u);
    EXPECT_EQ(row.pid, 10u);
    EXPECT_EQ(row.size, 5000000000ULL);
    EXPECT_EQ(row.created, 1u);
    EXPECT_EQ(row.modified, 2u);
    EXPECT_EQ(row.accessed, 3u);
    EXPECT_EQ(row.attributes, 0x21u);
    EXPECT_EQ(row.isDeleted, 1);
    EXPECT_EQ(row.isDir, 0);
    EXPECT_EQ(row.record, 101u);
    EXPECT_EQ(row.firSector, 1002u);
    EXPECT_FALSE(ReadByRecord('R', 999, row));
}

struct Visits {
    std::vector<std::u16string> names;
    std::u16string destination;
    size_t stopAfter = SIZE_MAX;
};

void Visit(const ScanRow& entry, const std::u16string& destination, void* context) {
    auto* visits = static_cast<Visits*>(context);
    visits->names.push_back(entry.name);
    visits->destination = destination;
}

bool StopWhenEnough(void* context) {
    auto* visits = static_cast<Visits*>(context);
    return visits->names.size() >= visits->stopAfter;
}

TEST(ForEachChildEntry, VisitsChildrenInTableOrder) {
    LoadDrive('R', 2, Tree());
    Visits visits;
    EXPECT_TRUE(ForEachChildEntry('R', 10, u"/out/Top", Visit, &visits));
    EXPECT_EQ(visits.names, (std::vector<std::u16string>{u"1.txt", u"2.txt", u"3.txt", u"Sub"}));
    EXPECT_EQ(visits.destination, u"/out/Top");
    Visits none;
    EXPECT_FALSE(ForEachChildEntry('R', 11, u"/out", Visit, &none));
    EXPECT_TRUE(none.names.empty());
}

TEST(ForEachChildEntry, StopsBeforeTheNextRowOnceThePredicateSaysSo) {
    LoadDrive('R', 2, Tree());
    Visits visits;
    visits.stopAfter = 2;
    EXPECT_TRUE(ForEachChildEntry('R', 10, u"/out", Visit, &visits, StopWhenEnough));
    EXPECT_EQ(visits.names.size(), 2u);
    Visits at0;
    at0.stopAfter = 0;
    EXPECT_TRUE(ForEachChildEntry('R', 10, u"/out", Visit, &at0, StopWhenEnough));
    EXPECT_TRUE(at0.names.empty());
}

} // namespace
