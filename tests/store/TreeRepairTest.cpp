// The passes after loading: orphans under the extra folder, folder marks, lazy paths.
#include "store/DataBase.h"
#include "tests/store/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace tessaly::test;

TEST(AdoptOrphans, KeepsOnlyPlausibleOrphansUnderTheExtraFolder) {
    TestRow big = File(u"big.bin", 30, 900, 1048576001);
    big.record = 40;
    LoadDrive('C', 2,
              {Folder(u"Docs", 10, 2), File(u"a.txt", 11, 10), File(u"empty.bin", 20, 900, 0),
               File(u"five.bin", 21, 900, 5), big});
    EXPECT_EQ(Rows("select fn,pid,isDeleted from C where pid not in (2,10) order by fn"),
              std::vector<std::string>{"five.bin|901|1"});
    // id = max(max id, max pid) + 1, record = max record + 1.
    EXPECT_EQ(Rows("select fn,fn_ext,size,attributes,id,pid,isDeleted,isDir,record,path,depth "
                   "from C where fn='!!!ADVANCED - EXTRA!!!'"),
              std::vector<std::string>{
                  "!!!ADVANCED - EXTRA!!!|<null>|<null>|268435472|901|2|1|1|41|C:\\|1"});
}

TEST(AdoptOrphans, DiscardsNamelessAttributeFreeAndIdZeroOrphans) {
    TestRow noAttributes = File(u"noattr.bin", 21, 900, 5);
    noAttributes.attributes = 0;
    TestRow folderWithoutAttributes = Folder(u"lost", 22, 900);
    folderWithoutAttributes.attributes = 0;
    LoadDrive('C', 2, {File(u"id0.bin", 0, 900, 5), noAttributes, folderWithoutAttributes});
    EXPECT_EQ(Scalar("select count(*) from C"), 0); // nothing left, so no extra folder
}

TEST(AdoptOrphans, DiscardRulesApplyOnlyToOrphans) {
    LoadDrive('C', 2, {Folder(u"Docs", 10, 2), File(u"zero.bin", 0, 10, 0)});
    EXPECT_EQ(Scalar("select count(*) from C"), 2);
}

TEST(AdoptOrphans, DeletedFolderIsAValidParentAndOrphanedFoldersKeepTheirChildren) {
    LoadDrive('C', 2,
              {Folder(u"Gone", 10, 2, true), File(u"in-gone.txt", 11, 10, 100, true),
               Folder(u"Lost", 20, 900), File(u"in-lost.txt", 21, 20)});
    EXPECT_EQ(Text("select pid from C where fn='in-gone.txt'"), "10");
    EXPECT_EQ(Text("select pid from C where fn='Lost'"), "901");
    EXPECT_EQ(Text("select pid from C where fn='in-lost.txt'"), "20");
    EXPECT_EQ(Text("select isDeleted from C where fn='Lost'"), "1");
}

TEST(AdoptOrphans, AFileIsNoParent) {
    LoadDrive('C', 2, {File(u"f.txt", 10, 2), File(u"child.txt", 11, 10)});
    EXPECT_EQ(Text("select pid from C where fn='child.txt'"), "12");
}

TEST(FinishTree, DeletedMarkClimbsEveryLiveAncestor) {
    LoadDrive('C', 2,
              {Folder(u"A", 10, 2), Folder(u"B", 11, 10), Folder(u"Dead", 12, 11, true),
               Folder(u"D", 13, 12), File(u"x.txt", 14, 13, 100, true), Folder(u"Clean", 20, 2),
               File(u"ok.txt", 21, 20)});
    EXPECT_EQ(Rows("select fn,isDeleted from C where isDir>0 order by id"),
              (std::vector<std::string>{"A|2", "B|2", "Dead|1", "D|2", "Clean|0"}));
}

TEST(FinishTree, FolderFlagMarksFoldersHoldingFolders) {
    LoadDrive('C', 2,
              {Folder(u"Top", 10, 2), Folder(u"Mid", 11, 10), Folder(u"Leaf", 12, 11),
               Folder(u"Files", 20, 2), File(u"f.txt", 21, 20)});
    EXPECT_EQ(Rows("select fn,isDir from C where isDir>0 order by id"),
              (std::vector<std::string>{"Top|2", "Mid|2", "Leaf|1", "Files|1"}));
}

TEST(FinishTree, RemovesTheRootsOwnRowAndGivesRootRowsTheirPath) {
    LoadDrive('N', 5,
              {Folder(u".", 5, 5), Folder(u"Windows", 30, 5), File(u"boot.ini", 31, 5),
               File(u"deep.txt", 32, 30)});
    EXPECT_EQ(Rows("select fn,path,depth from N order by id"),
              (std::vector<std::string>{"Windows|N:\\|1", "boot.ini|N:\\|1", "deep.txt|<null>|0"}));
}

TEST(FinishTree, RemovesDotFolderRowsHoweverTheyCameIn) {
    // Through InsertEntry, also a name that a NUL cuts to "."; through the connection while
    // loading; and in a table loaded by another object. A "." file stays.
    LoadDrive('N', 5,
              {Folder(std::u16string(u".\0x", 3), 6, 5), File(u".", 7, 5), File(u"a", 8, 5)});
    EXPECT_EQ(Rows("select fn,isDir from N order by id"), (std::vector<std::string>{".|0", "a|0"}));
    {
        DataBase store('N');
        store.DropTable();
        store.BeginInsert();
        store.InsertEntry(u"a", 1, 0, 0, 0, 0x20, 8, 5, false, false, 1, 0);
        store.Db().execute("INSERT INTO N(fn,id,pid,isDir,record) VALUES('.',5,5,1,2);");
        store.EndInsert();
        store.FinishTree(5);
    }
    EXPECT_EQ(Rows("select fn from N order by id"), std::vector<std::string>{"a"});
    LoadDrive('N', 5, {Folder(u".", 5, 5), File(u"a", 8, 5)}, false);
    DataBase other('N');
    other.FinishTree(5);
    EXPECT_EQ(Rows("select fn from N order by id"), std::vector<std::string>{"a"});
}

TEST(FillChildPaths, FillsOneFolderAtATime) {
    LoadDrive('E', 2, {Folder(u"Name", 10, 2), Folder(u"Sub", 11, 10), File(u"s.txt", 12, 11)});
    DataBase store('E');
    EXPECT_EQ(Text("select path from E where id=11"), "<null>");
    store.FillChildPaths(10);
    EXPECT_EQ(Rows("select path,depth from E where pid=10"),
              std::vector<std::string>{"E:\\Name\\|2"});
    EXPECT_EQ(Text("select path from E where id=12"), "<null>");
    store.FillChildPaths(11);
    EXPECT_EQ(Rows("select path,depth from E where id=12"),
              std::vector<std::string>{"E:\\Name\\Sub\\|3"});
}

TEST(FillChildPaths, FolderOpenedBeforeItsOwnPathGivesEmptyPaths) {
    LoadDrive('E', 2, {Folder(u"Name", 10, 2), Folder(u"Sub", 11, 10), File(u"s.txt", 12, 11)});
    DataBase store('E');
    store.FillChildPaths(11);
    EXPECT_EQ(Rows("select path,depth from E where id=12"), std::vector<std::string>{"|1"});
}

TEST(FillChildPaths, QuoteInAFolderNameIsKeptOnce) {
    LoadDrive('E', 2, {Folder(u"it's", 10, 2), File(u"a.txt", 11, 10)});
    DataBase store('E');
    EXPECT_EQ(Text("select fn from E where id=10"), "it's");
    store.FillChildPaths(10);
    EXPECT_EQ(Text("select path from E where id=11"), "E:\\it's\\");
}

TEST(FillChildPaths, LongPathsDoNotOverflow) {
    const std::u16string longName(3000, u'n');
    LoadDrive('E', 2, {Folder(longName, 10, 2), File(u"a.txt", 11, 10)});
    DataBase store('E');
    store.FillChildPaths(10);
    EXPECT_EQ(Text("select path from E where id=11"), "E:\\" + std::string(3000, 'n') + "\\");
}

TEST(FillChildPaths, ChildrenOfTheExtraFolderGetItsPath) {
    LoadDrive('E', 2, {File(u"lost.txt", 20, 900, 5)});
    DataBase store('E');
    store.FillChildPaths(901);
    EXPECT_EQ(Rows("select path,depth from E where id=20"),
              std::vector<std::string>{"E:\\!!!ADVANCED - EXTRA!!!\\|2"});
}

TEST(FinishTree, CycleOfFoldersEndsTheRepair) {
    // Two folders that are each other's parent, below a live folder, hold a deleted file.
    LoadDrive('C', 2,
              {Folder(u"Top", 10, 2), Folder(u"P", 11, 12), Folder(u"Q", 12, 11),
               File(u"x", 13, 11, 100, true), Folder(u"Self", 14, 14)});
    EXPECT_EQ(Rows("select fn,isDeleted,isDir from C where fn in ('P','Q','Self','Top') "
                   "order by id"),
              (std::vector<std::string>{"Top|0|1", "P|2|2", "Q|2|2", "Self|0|2"}));
}

TEST(FinishTree, DeletedMarkClimbsAChainThousandsOfFoldersDeep) {
    // A hostile volume can nest folders thousands deep; the mark still reaches the top, and a
    // folder beside the chain keeps its state.
    constexpr uint64_t kDepth = 5000;
    std::vector<TestRow> rows{Folder(u"Beside", 9, 2)};
    for (uint64_t i = 0; i < kDepth; ++i)
        rows.push_back(Folder(u"A", 10 + i, i == 0 ? 2 : 9 + i));
    rows.push_back(File(u"gone.txt", 10 + kDepth, 9 + kDepth, 100, true));
    LoadDrive('C', 2, rows);
    EXPECT_EQ(Scalar("select count(*) from C where isDir>0 and isDeleted=2"),
              static_cast<int>(kDepth));
    EXPECT_EQ(Text("select isDeleted from C where fn='Beside'"), "0");
    EXPECT_EQ(Text("select isDir from C where id=10"), "2");
    EXPECT_EQ(Text("select isDir from C where id=" + std::to_string(9 + kDepth)), "1");
}

TEST(FinishTree, FoldersSharingAnIdAreMarkedTogether) {
    // Two folder rows with one id (a folder listed twice): a deleted child of the id marks
    // both, and the mark climbs from each to its own parent.
    LoadDrive('C', 2,
              {Folder(u"Left", 10, 2), Folder(u"Right", 11, 2), Folder(u"Twin", 20, 10),
               Folder(u"Twin", 20, 11), File(u"x", 21, 20, 100, true)});
    EXPECT_EQ(Rows("select fn,isDeleted from C where isDir>0 order by rowid"),
              (std::vector<std::string>{"Left|2", "Right|2", "Twin|2", "Twin|2"}));
}

// The repair passes answer some questions from what they noted of the rows while loading,
// and read the table for them when anything else may have touched it since. Both ways must
// leave the very same table, whatever the tree: orphans, deleted rows deep down, "." folders,
// folders that share an id or hold themselves, ids at the ends of the 64-bit range.
std::vector<TestRow> RandomTree(std::mt19937& random, int count) {
    const std::vector<uint64_t> odd = {
        0, 1, 2, 0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull, 0xFFFFFFFFFFFFFFFFull, 1ull << 48};
    std::vector<TestRow> rows;
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<uint64_t> folders{2};
    for (int i = 0; i < count; ++i) {
        uint64_t id = 10 + static_cast<uint64_t>(i);
        if (pick(40) == 0) id = odd[static_cast<size_t>(pick(static_cast<int>(odd.size())))];
        if (pick(30) == 0 && !folders.empty())
            id = folders[static_cast<size_t>(pick(4)) % folders.size()];
        uint64_t pid = folders[static_cast<size_t>(pick(static_cast<int>(folders.size())))];
        if (pick(25) == 0) pid = 5000 + static_cast<uint64_t>(pick(50)); // no such folder
        if (pick(60) == 0) pid = odd[static_cast<size_t>(pick(static_cast<int>(odd.size())))];
        if (pick(80) == 0) pid = id; // its own parent
        const bool deleted = pick(5) == 0;
        if (pick(3) == 0) {
            const bool dot = pick(20) == 0;
            rows.push_back(
                Folder(dot ? u"." : u"d" + std::u16string(1, u'a' + pick(26)), id, pid, deleted));
            folders.push_back(id);
        } else {
            TestRow file = File(u"f.txt", id, pid, static_cast<uint64_t>(pick(3)), deleted);
            if (pick(15) == 0) file.attributes = 0;
            rows.push_back(file);
        }
    }
    return rows;
}

// How a load is interrupted halfway: not at all, by a read of the rows so far (which keeps
// the notes), or by a look at the connection (after which the repair reads the table).
enum class Midway { kNothing, kRead, kConnection };

// Loads as LoadDrive does, with the look midway.
std::vector<std::string> LoadAndRepair(const std::vector<TestRow>& rows, uint64_t root,
                                       Midway midway) {
    DataBase store;
    store.SelectDrive('R');
    store.DropTable();
    store.BeginInsert();
    uint64_t number = 0;
    for (const TestRow& row : rows) {
        ++number;
        store.InsertEntry(row.name, row.size, 0, 0, 0, row.attributes, row.id, row.pid,
                          row.isDeleted, row.isDir, number, 0);
        if (number != rows.size() / 2) continue;
        if (midway == Midway::kConnection) store.Db();
        if (midway == Midway::kRead) {
            EXPECT_EQ(store.ReadRows("select count(*) from R").getInt64Field(0),
                      static_cast<int64_t>(number));
        }
    }
    store.EndInsert();
    store.AdoptOrphans(root);
    store.FinishTree(root);
    return Rows("select rowid,fn,id,pid,isDeleted,isDir,path,depth,record,attributes from R "
                "order by rowid");
}

TEST(TreeRepair, RepairFromTheRowsNotedWhileLoadingMatchesTheRepairThatReadsTheTable) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 60; ++round) {
        const auto rows = RandomTree(random, 1 + static_cast<int>(random() % 400));
        const uint64_t root = round % 3 == 0 ? 5 : 2;
        const auto noted = LoadAndRepair(rows, root, Midway::kNothing);
        const auto read = LoadAndRepair(rows, root, Midway::kConnection);
        if (rows.size() >= 2) {
            ASSERT_FALSE(DataBase::RepairedFromNotes('R'));
        }
        ASSERT_EQ(noted, read) << "round " << round;
        ASSERT_EQ(LoadAndRepair(rows, root, Midway::kRead), read) << "round " << round;
    }
}

TEST(TreeRepair, OrphansAdoptedAndRowsReadWhileLoadingKeepTheRepairOnItsNotes) {
    // Orphaned folders and files below a folder that holds a deleted row, and a "." row.
    const std::vector<TestRow> rows = {Folder(u"Top", 10, 2),
                                       Folder(u"Sub", 11, 10),
                                       File(u"gone.txt", 12, 11, 5, true),
                                       Folder(u".", 2, 2),
                                       Folder(u"Lost", 20, 900),
                                       File(u"in-lost.txt", 21, 20, 7),
                                       File(u"orphan.txt", 22, 901, 9),
                                       File(u"live.txt", 23, 10, 3)};
    const auto noted = LoadAndRepair(rows, 2, Midway::kRead);
    EXPECT_TRUE(DataBase::RepairedFromNotes('R'));
    EXPECT_EQ(LoadAndRepair(rows, 2, Midway::kConnection), noted);
    EXPECT_FALSE(DataBase::RepairedFromNotes('R'));
    EXPECT_EQ(Rows("select fn,pid,isDeleted,isDir from R where pid in (2,902) order by fn"),
              (std::vector<std::string>{"!!!ADVANCED - EXTRA!!!|2|1|2", "Lost|902|1|1", "Top|2|2|2",
                                        "orphan.txt|902|1|0"}));

    // Turned off, loads note nothing and the repair reads the table to the same rows.
    DataBase::SetNoteRowsForRepair(false);
    const auto unnoted = LoadAndRepair(rows, 2, Midway::kNothing);
    DataBase::SetNoteRowsForRepair(true);
    EXPECT_FALSE(DataBase::RepairedFromNotes('R'));
    EXPECT_EQ(unnoted, noted);
}

TEST(TreeRepair, ReadingWhileLoadingRefusesStatementsThatWrite) {
    DataBase store;
    store.SelectDrive('R');
    store.DropTable();
    store.BeginInsert();
    store.InsertEntry(u"a.txt", 1, 0, 0, 0, 0x20, 10, 2, false, false, 1, 0);
    EXPECT_ANY_THROW(store.ReadRows("delete from R"));
    EXPECT_ANY_THROW(store.ReadRows("update R set fn='b' returning fn"));
    EXPECT_EQ(store.ReadRows("select fn from R").getStringField(0), std::string("a.txt"));
    store.EndInsert();
    store.AdoptOrphans(2);
    store.FinishTree(2);
    EXPECT_TRUE(DataBase::RepairedFromNotes('R'));
    EXPECT_EQ(Scalar("select count(*) from R"), 1);
}

TEST(TreeRepair, RowFunctionsCannotBeCalledFromSchemaObjects) {
    // The functions that hand rows and ids to statements read only what the store binds to
    // them; a view (as a saved scan could hold) cannot reach them at all.
    LoadDrive('R', 2, {Folder(u"Top", 10, 2), File(u"x", 11, 10, 100, true)});
    EXPECT_EQ(Scalar("select count(*) from pending_rows(null)"), 0);
    EXPECT_EQ(Scalar("select count(*) from id_list(null)"), 0);
    SharedDatabase().execute("ATTACH ':memory:' AS other;");
    EXPECT_ANY_THROW({
        SharedDatabase().execute("CREATE VIEW other.sneaky AS SELECT value FROM id_list(null);");
        Scalar("select count(*) from other.sneaky");
    });
    SharedDatabase().execute("DETACH other;");
}

} // namespace
