// Loading scan rows: the table, the extension rule, names as UTF-8, drive tables side by side.
#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"
#include "store/SqlText.h"
#include "tests/store/StoreTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace tessaly::test;

TEST(Schema, TableAndIndexesAreCreatedFromTheExactText) {
    DataBase store('K');
    store.DropTable();
    store.EnsureTable();
    EXPECT_EQ(Text("select sql from sqlite_master where type='table' and name='K'"),
              "CREATE TABLE [K] ([fn] TEXT  NULL,[fn_ext] VARCHAR(20)  NULL,[size] INT(20)  "
              "NULL,[created] INT(20)  NULL,[modified] INT(20)  NULL,[accessed] INT(20)  NULL,"
              "[attributes] INT(10)  NULL,[id] INT(20)  NULL,[pid] INT(20)  NULL,[isDeleted] "
              "INT(1)  NULL,[isDir] INT(1)  NULL,[record] INT(20)  NULL,[firSector] INT(20)  "
              "NULL,[path] TEXT  NULL,[depth] INT DEFAULT 0 NULL,[recoverable] INTEGER NULL)");
    EXPECT_EQ(Text("select sql from sqlite_master where name='IDX_K_PID'"),
              "CREATE INDEX [IDX_K_PID] ON [K]([id] ASC,[pid] ASC)");
    EXPECT_EQ(Text("select sql from sqlite_master where name='IDX_K_Path'"),
              "CREATE INDEX [IDX_K_Path] ON [K]([depth] ASC,[path] ASC)");
    // Loading rebuilds the index by id and adds the one by pid; the indexes by depth and path
    // and by record wait for the first lookup by record, and come back with the same text.
    const std::string indexes =
        "select group_concat(name,' ') from (select name from sqlite_master where type='index' "
        "and tbl_name='K' order by name)";
    EXPECT_EQ(Text(indexes), "IDX_K_PID IDX_K_Path");
    store.BeginInsert();
    store.EndInsert();
    EXPECT_EQ(Text(indexes), "IDX_K_PID IDX_K_ParentOnly");
    DataBase::EnsureLateIndexes('k');
    EXPECT_EQ(Text(indexes), "IDX_K_PID IDX_K_ParentOnly IDX_K_Path IDX_K_Record");
    EXPECT_EQ(Text("select sql from sqlite_master where name='IDX_K_Path'"),
              "CREATE INDEX [IDX_K_Path] ON [K]([depth] ASC,[path] ASC)");
}

TEST(Schema, LowerCaseLetterSelectsTheUpperCaseTable) {
    DataBase store('m');
    EXPECT_EQ(store.Letter(), 'M');
    EXPECT_TRUE(SharedDatabase().tableExists("M"));
}

TEST(Schema, InvalidLetterIsRejected) {
    try {
        DataBase store('1');
        FAIL() << "no exception";
    } catch (const CppSQLite3Exception& e) {
        EXPECT_EQ(e.errorCode(), 1000);
        EXPECT_STREQ(e.errorMessage(), "CPPSQLITE_ERROR[1000]: Invalid drive letter");
    }
    DataBase unbound;
    EXPECT_THROW(unbound.BeginInsert(), CppSQLite3Exception);
}

TEST(Loading, EmptyScanLeavesEmptyTableWithoutExtraFolder) {
    LoadDrive('E', 2, {});
    EXPECT_EQ(Scalar("select count(*) from E"), 0);
}

TEST(Loading, RescanReplacesOnlyThatDrive) {
    LoadDrive('C', 5, {File(u"old.txt", 10, 5)});
    LoadDrive('D', 5, {File(u"keep.txt", 10, 5)});
    LoadDrive('C', 5, {File(u"new.txt", 11, 5)});
    EXPECT_EQ(Rows("select fn from C"), std::vector<std::string>{"new.txt"});
    EXPECT_EQ(Rows("select fn,path,depth from D"), std::vector<std::string>{"keep.txt|D:\\|1"});
}

TEST(Loading, RowsKeepEveryColumnAsGiven) {
    DataBase store;
    store.SelectDrive('F');
    store.DropTable();
    store.BeginInsert();
    store.InsertEntry(u"a.txt", 5000000000ULL, 133000000000000000ULL, 133000000000000001ULL,
                      133000000000000002ULL, 0x80000021u, 0x123456789AULL, 5, true, false,
                      0x1122334455ULL, 7777777777ULL);
    store.EndInsert();
    EXPECT_EQ(Rows("select * from F"),
              std::vector<std::string>{"a.txt|txt|5000000000|133000000000000000|"
                                       "133000000000000001|133000000000000002|-2147483615|"
                                       "78187493530|5|1|0|73588229205|7777777777|<null>|0|"
                                       "<null>"});
}

TEST(Loading, ExtensionRule) {
    EXPECT_EQ(ExtensionOf("archive.TAR.GZ"), "gz");
    EXPECT_EQ(ExtensionOf("README"), "");
    EXPECT_EQ(ExtensionOf("name."), "");
    EXPECT_EQ(ExtensionOf(".profile"), "profile");
    EXPECT_EQ(ExtensionOf("x.abcdefghijklm"), "abcdefghij");
    EXPECT_EQ(ExtensionOf("photo.JPG"), "jpg");
    // A cut inside a multi-byte character backs off to the character's start.
    EXPECT_EQ(ExtensionOf("x.abcdefghi\xC3\xA9z"), "abcdefghi");
    EXPECT_EQ(ExtensionOf("x.\xC3\x89T\xC3\x89"), "\xC3\x89t\xC3\x89"); // only ASCII is lowered

    LoadDrive('G', 2,
              {File(u"archive.TAR.GZ", 10, 2), File(u"README", 11, 2), File(u"name.", 12, 2),
               File(u".profile", 13, 2), File(u"x.abcdefghijklm", 14, 2)},
              false);
    EXPECT_EQ(Rows("select fn_ext from G order by rowid"),
              (std::vector<std::string>{"gz", "", "", "profile", "abcdefghij"}));
}

TEST(Loading, NamesAreStoredAsUtf8AndReadBackWhole) {
    LoadDrive('H', 2,
              {File(u"Zo\u00eb \u65e5\u672c \U0001F600.txt", 10, 2), Folder(u"it's", 11, 2),
               File(u"bad\xD800.bin", 12, 2)});
    EXPECT_EQ(Text("select fn from H where id=10"),
              "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80.txt");
    EXPECT_EQ(Text("select fn from H where id=11"), "it's");
    // An unpaired surrogate cannot be stored as UTF-8; it becomes U+FFFD.
    EXPECT_EQ(Text("select fn from H where id=12"), "bad\xEF\xBF\xBD.bin");
}

TEST(Loading, InsertOutsideLoadingRaises) {
    DataBase store('J');
    try {
        store.InsertEntry(u"a", 1, 0, 0, 0, 0x20, 3, 2, false, false, 1, 0);
        FAIL() << "no exception";
    } catch (const CppSQLite3Exception& e) {
        EXPECT_STREQ(e.errorMessage(), "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
    }
}

TEST(Loading, LoadingLeftByAnExceptionLeavesTheConnectionUsable) {
    {
        DataBase store('J');
        store.DropTable();
        store.BeginInsert();
        store.InsertEntry(u"a", 1, 0, 0, 0, 0x20, 3, 2, false, false, 1, 0);
        // The scan ends without EndInsert, as when an error leaves it.
    }
    LoadDrive('J', 2, {File(u"b", 4, 2)});
    EXPECT_EQ(Rows("select fn from J"), std::vector<std::string>{"b"});
}

TEST(Loading, NameEndsAtItsFirstNul) {
    // Names are bound as C text: a NUL inside a damaged name ends the stored name, while the
    // extension is taken from the whole converted name.
    LoadDrive('H', 2, {File(std::u16string(u"cut\0.txt", 8), 10, 2)}, false);
    EXPECT_EQ(Rows("select fn,fn_ext from H"), std::vector<std::string>{"cut|txt"});
}

TEST(Loading, ReusedBuffersDoNotLeakIntoTheNextRow) {
    LoadDrive(
        'H', 2,
        {File(u"a-rather-long-name.extension", 10, 2), File(u"b", 11, 2), File(u"c.tx", 12, 2)},
        false);
    EXPECT_EQ(
        Rows("select fn,fn_ext from H order by rowid"),
        (std::vector<std::string>{"a-rather-long-name.extension|extension", "b|", "c.tx|tx"}));
}

TEST(Loading, EachRowKeepsItsOwnNumbersWhetherTheyRepeatOrNot) {
    // Numbers equal to the previous row's are not bound again; every row still gets its own.
    DataBase store;
    store.SelectDrive('H');
    store.DropTable();
    store.BeginInsert();
    store.InsertEntry(u"a", 1, 10, 10, 10, 0x20, 100, 5, false, false, 1, 7);
    store.InsertEntry(u"b", 1, 10, 11, 10, 0x20, 101, 5, true, false, 2, 7);
    store.InsertEntry(u"c", 2, 10, 11, 12, 0x10, 102, 6, true, true, 3, 8);
    store.InsertEntry(u"d", 2, 10, 11, 12, 0x10, 102, 6, false, false, 4, 8);
    store.EndInsert();
    store.BeginInsert(); // a new statement binds every number afresh
    store.InsertEntry(u"e", 2, 10, 11, 12, 0x10, 102, 6, false, false, 5, 8);
    store.EndInsert();
    EXPECT_EQ(
        Rows("select fn,size,created,modified,accessed,attributes,id,pid,isDeleted,isDir,"
             "record,firSector from H order by rowid"),
        (std::vector<std::string>{"a|1|10|10|10|32|100|5|0|0|1|7", "b|1|10|11|10|32|101|5|1|0|2|7",
                                  "c|2|10|11|12|16|102|6|1|1|3|8", "d|2|10|11|12|16|102|6|0|0|4|8",
                                  "e|2|10|11|12|16|102|6|0|0|5|8"}));
}

// Rows go in a chunk of 1024 at a time; whatever the count, every row keeps its place (rowid)
// and its own values, also where numbers repeat from one row or chunk to the next.
class LoadingInBatches : public ::testing::TestWithParam<int> {};

TEST_P(LoadingInBatches, EveryRowKeepsItsPlaceAndValues) {
    const int count = GetParam();
    DataBase store('H');
    store.DropTable();
    store.BeginInsert();
    std::vector<std::string> expected;
    for (int i = 0; i < count; ++i) {
        // Sizes repeat every 32 rows (same slot, same number); the rest change every row.
        const uint64_t size = static_cast<uint64_t>(i % 32);
        const uint32_t attributes = i % 3 == 0 ? 0x80000010u : 0x20u;
        const std::u16string name =
            u"n" + std::u16string(static_cast<size_t>(i % 7), u'x') + (i % 2 ? u".Dat" : u"");
        store.InsertEntry(name, size, 1000 + i, 2000 + i, 3000 + i, attributes, 10 + i, 5 + i / 40,
                          i % 5 == 0, i % 4 == 0, static_cast<uint64_t>(i) + 1, 7 * i);
        expected.push_back(
            std::to_string(i + 1) + "|n" + std::string(static_cast<size_t>(i % 7), 'x') +
            (i % 2 ? ".Dat|dat|" : "||") + std::to_string(size) + "|" + std::to_string(1000 + i) +
            "|" + std::to_string(2000 + i) + "|" + std::to_string(3000 + i) + "|" +
            std::to_string(static_cast<int>(attributes)) + "|" + std::to_string(10 + i) + "|" +
            std::to_string(5 + i / 40) + "|" + (i % 5 == 0 ? "1" : "0") + "|" +
            (i % 4 == 0 ? "1" : "0") + "|" + std::to_string(i + 1) + "|" + std::to_string(7 * i));
    }
    store.EndInsert();
    EXPECT_EQ(Rows("select rowid,fn,fn_ext,size,created,modified,accessed,attributes,id,pid,"
                   "isDeleted,isDir,record,firSector from H order by rowid"),
              expected);
}

INSTANTIATE_TEST_SUITE_P(Counts, LoadingInBatches,
                         ::testing::Values(0, 1, 31, 32, 33, 64, 65, 100, 1024, 1025, 3100));

TEST(Loading, RowsWaitingInABatchReachTheTableBeforeAnyStatementOfTheScan) {
    // A scan that deletes rows while loading works through the connection: the rows added so
    // far are in the table when it asks for it, and later rows follow them in order.
    for (const uint64_t before : {40, 2500}) {
        DataBase store('H');
        store.DropTable();
        store.BeginInsert();
        for (uint64_t i = 1; i <= before; ++i)
            store.InsertEntry(u"f", 1, 0, 0, 0, 0x20, 100 + i, 2, false, false, i, 0);
        store.Db().execute(SqlFormat("DELETE FROM H WHERE record BETWEEN 3 AND %llu;",
                                     static_cast<unsigned long long>(before - 1)));
        for (uint64_t i = before + 1; i <= before + 3; ++i)
            store.InsertEntry(u"g", 1, 0, 0, 0, 0x20, 100 + i, 2, false, false, i, 0);
        store.EndInsert();
        std::vector<std::string> expected{"1", "2"};
        for (uint64_t i = before; i <= before + 3; ++i)
            expected.push_back(std::to_string(i));
        EXPECT_EQ(Rows("select record from H order by rowid"), expected) << before;
    }
}

TEST(Loading, AFailedInsertSurfacesToTheScanAndLeavesNothingBehind) {
    // Rows are inserted on a thread of their own; a row the engine refuses must still stop the
    // load with the engine's message, and the rows already in must go with the rolled-back
    // transaction.
    bool raised = false;
    {
        DataBase store('U');
        store.DropTable();
        store.EnsureTable();
        SharedDatabase().execute("CREATE TEMP TRIGGER refuse BEFORE INSERT ON U WHEN "
                                 "new.fn='bad' BEGIN SELECT RAISE(ABORT,'row refused'); END;");
        try {
            store.BeginInsert();
            for (uint64_t i = 1; i <= 5000; ++i)
                store.InsertEntry(i == 1500 ? u"bad" : u"ok", 1, 0, 0, 0, 0x20, 100 + i, 2, false,
                                  false, i, 0);
            store.EndInsert();
        } catch (const CppSQLite3Exception& e) {
            raised = true;
            EXPECT_NE(std::string(e.errorMessage()).find("row refused"), std::string::npos)
                << e.errorMessage();
        }
    }
    EXPECT_TRUE(raised);
    EXPECT_EQ(Scalar("select count(*) from U"), 0);
    SharedDatabase().execute("DROP TRIGGER temp.refuse;");
    LoadDrive('U', 2, {File(u"after.txt", 10, 2)});
    EXPECT_EQ(Rows("select fn from U"), std::vector<std::string>{"after.txt"});
}

TEST(Loading, SortsStayInMemory) {
    // Index builds and sorted listings never write temporary files on the host.
    DataBase store('H');
    EXPECT_EQ(Scalar("PRAGMA temp_store"), 2);
}

} // namespace
