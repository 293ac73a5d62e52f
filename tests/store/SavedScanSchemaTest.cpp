// Saved scans are data: a file whose tables are not exactly those a save writes (a view, a
// trigger, a generated column, an expression index, an unknown or a missing table or column,
// too many or too long rows) is refused before anything in it runs, and an acceptable one is
// copied column by column without being changed.
#include "store/SavedScanSchema.h"
#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"
#include "store/SqlText.h"
#include "tests/store/StoreTestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace tessaly::test {
namespace {

// A saved scan as the save writes it, of a small table of drive Q, changed by shape.
std::string MakeSaved(const TempDir& dir, const std::string& name,
                      const std::function<void(CppSQLite3DB&)>& shape = nullptr) {
    LoadDrive('Q', 5,
              {Folder(u"Docs", 30, 5), File(u"a.txt", 31, 30, 10), File(u"b.txt", 32, 5, 20)});
    const std::string file = dir.File(name);
    {
        CppSQLite3DB db;
        db.open(file.c_str());
        db.execute("create table source(letter text, isNtfs integer, rootKey integer, path "
                   "text, size integer, bootChecksum text)");
        db.execute("insert into source values('Q', 1, 5, '/dev/null', 0, '0123')");
    }
    DataBase store('Q');
    store.Db().execute("attach database '" + QuoteSql(file) + "' as mk");
    store.Db().execute("create table mk.rows as select * from main.Q order by rowid");
    store.Db().execute("detach database mk");
    if (shape) {
        CppSQLite3DB db;
        db.open(file.c_str());
        shape(db);
    }
    return file;
}

// Loads file into drive R as the load does; the reason it was refused, or "".
std::string Load(const std::string& file, int64_t* copied = nullptr) {
    DataBase store('R');
    CppSQLite3DB& db = store.Db();
    DistrustSchemas(db);
    db.execute("attach database '" + QuoteSql(FileUri(file, true)) + "' as saved");
    std::string problem;
    try {
        problem = SavedScanProblem(db, "saved");
        if (problem.empty()) {
            store.DropTable();
            store.EnsureTable();
            const int64_t n = CopySavedRows(db, 'R');
            if (copied) *copied = n;
        }
    } catch (const CppSQLite3Exception& e) {
        problem = e.errorMessage();
    }
    db.execute("detach database saved");
    return problem;
}

TEST(SavedScanSchema, AnOrdinarySaveLoadsUnchanged) {
    TempDir dir;
    const std::string file = MakeSaved(dir, "plain.tessaly");
    const std::string before = Md5OfFile(file);
    int64_t copied = 0;
    EXPECT_EQ(Load(file, &copied), "");
    EXPECT_EQ(copied, 3);
    EXPECT_EQ(DataBase('R').Db().scalar("select count(*) from R where fn='a.txt' and pid=30"), 1);
    EXPECT_EQ(Md5OfFile(file), before);
}

TEST(SavedScanSchema, ALaterTrailingColumnIsAcceptedAndOlderFilesLack) {
    TempDir dir;
    // Saved before the trailing recoverable column existed.
    const std::string file = MakeSaved(dir, "older.tessaly", [](CppSQLite3DB& db) {
        db.execute("alter table rows drop column recoverable");
    });
    int64_t copied = 0;
    EXPECT_EQ(Load(file, &copied), "");
    EXPECT_EQ(copied, 3);
}

// The source columns a save writes after the first six, untyped so that every value keeps
// its type, with a note of unread folders.
#define WITH_UNREAD(count, bound)                                                                  \
    "alter table source add column volumeOffset; alter table source add column volumeLength; "     \
    "alter table source add column partition; alter table source add column container; "           \
    "alter table source add column foldersTooDeep; alter table source add column depthBound; "     \
    "update source set volumeOffset = 0, volumeLength = 0, partition = 0, container = '', "        \
    "foldersTooDeep = " count ", depthBound = " bound

TEST(SavedScanSchema, ANoteOfUnreadFoldersWithinBoundsIsAccepted) {
    TempDir dir;
    for (const char* sql :
         {WITH_UNREAD("0", "0"), WITH_UNREAD("1", "16384"), WITH_UNREAD("3", "2147483647")}) {
        const std::string file =
            MakeSaved(dir, "unread.tessaly", [&](CppSQLite3DB& db) { db.execute(sql); });
        int64_t copied = 0;
        EXPECT_EQ(Load(file, &copied), "") << sql;
        EXPECT_EQ(copied, 3);
        std::remove(file.c_str());
    }
}

struct Hostile {
    const char* name;
    const char* sql;
    const char* reason; // part of the refusal
};

class SavedScanHostile : public ::testing::TestWithParam<Hostile> {};

TEST_P(SavedScanHostile, IsRefusedBeforeAnythingInItRuns) {
    TempDir dir;
    DataBase('R').DropTable(); // empty, as before a load
    const Hostile& h = GetParam();
    const std::string file = MakeSaved(dir, std::string(h.name) + ".tessaly",
                                       [&](CppSQLite3DB& db) { db.execute(h.sql); });
    const std::string before = Md5OfFile(file);
    const std::string problem = Load(file);
    EXPECT_NE(problem.find(h.reason), std::string::npos) << h.name << ": " << problem;
    EXPECT_EQ(Md5OfFile(file), before);
    // The drive table the load would have filled is left alone.
    EXPECT_EQ(DataBase('R').Db().scalar("select count(*) from R where fn='a.txt'"), 0);
}

// A view over a recursive query that would run for hours if it were ever read.
#define ENDLESS                                                                                    \
    "with recursive n(i) as (select 1 union all select i+1 from n where i < 1000000000000) "

INSTANTIATE_TEST_SUITE_P(
    Shapes, SavedScanHostile,
    ::testing::Values(
        Hostile{"view",
                "drop table rows; create view rows as " ENDLESS
                "select 'x' as fn,'' as fn_ext,0 as size,0 as created,0 as modified,0 as "
                "accessed,0 as attributes,i as id,5 as pid,0 as isDeleted,0 as isDir,"
                "i as record,0 as firSector,'' as path,0 as depth from n",
                "holds a view"},
        Hostile{"sourceview",
                "drop table source; create view source as " ENDLESS
                "select 'Q' as letter,1 as isNtfs,5 as rootKey,'' as path,0 as size,'' as "
                "bootChecksum from n",
                "holds a view"},
        Hostile{"trigger", "create trigger t after update on rows begin delete from source; end",
                "holds a trigger"},
        Hostile{"exprindex", "create index x on rows(length(fn) * 2)", "holds an index"},
        Hostile{"generated",
                "create table r2(fn text, fn_ext text, size int, created int, modified int, "
                "accessed int, attributes int, id int, pid int, isDeleted int, isDir int, "
                "record int, firSector int, path text, depth int, g int as (length(fn)*2)); "
                "insert into r2(fn) select fn from rows; drop table rows; "
                "alter table r2 rename to rows",
                "generated or hidden column"},
        Hostile{"unknowntable", "create table extra(x)", "unknown table extra"},
        Hostile{"missingcolumn",
                "alter table rows drop column recoverable; alter table rows drop column depth",
                "lacks the column depth"},
        Hostile{"renamedcolumn", "alter table rows rename column pid to parent",
                "unexpected column parent"},
        Hostile{"extracolumn", "alter table rows add column x integer", "unexpected column x"},
        Hostile{"nosource", "drop table source", "lacks the table source"},
        Hostile{"twosources", "insert into source select * from source",
                "source table holds 2 rows"},
        Hostile{"longname", "update rows set fn = printf('%.*c', 5000, 'x') where id = 31",
                "longer than any volume allows"},
        Hostile{"unreadnegative", WITH_UNREAD("-1", "16384"), "unread folders is malformed"},
        Hostile{"unreadmorethanrows", WITH_UNREAD("4", "16384"), "unread folders is malformed"},
        Hostile{"unreadhuge", WITH_UNREAD("9223372036854775807", "16384"),
                "unread folders is malformed"},
        Hostile{"unreadtext", WITH_UNREAD("'1'", "16384"), "unread folders is malformed"},
        Hostile{"unreadreal", WITH_UNREAD("1.5", "16384"), "unread folders is malformed"},
        Hostile{"unreadblob", WITH_UNREAD("x'01'", "16384"), "unread folders is malformed"},
        Hostile{"unreadnull", WITH_UNREAD("null", "16384"), "unread folders is malformed"},
        Hostile{"unreadnobound", WITH_UNREAD("1", "0"), "unread folders is malformed"},
        Hostile{"unreadnegativebound", WITH_UNREAD("0", "-5"), "unread folders is malformed"},
        Hostile{"unreadhugebound", WITH_UNREAD("1", "4294967296"), "unread folders is malformed"},
        Hostile{"unreadboundastext", WITH_UNREAD("1", "'16384'"), "unread folders is malformed"},
        Hostile{"unreadincomplete",
                "alter table source add column volumeOffset; alter table source add column "
                "volumeLength; alter table source add column partition; alter table source add "
                "column container; alter table source add column foldersTooDeep",
                "unread folders is incomplete"},
        Hostile{"virtual",
                "drop table source; create virtual table source using fts5(letter, isNtfs, "
                "rootKey, path, size, bootChecksum)",
                "source"}),
    [](const ::testing::TestParamInfo<Hostile>& p) { return std::string(p.param.name); });

TEST(SavedScanSchema, UrisKeepEveryByteOfThePath) {
    EXPECT_EQ(FileUri("/a b/%?#x\xff.db", true), "file:/a%20b/%25%3F%23x%FF.db?mode=ro");
    EXPECT_EQ(FileUri("rel/x", false), "file:rel/x?mode=rw");
}

} // namespace
} // namespace tessaly::test
