// The SQLite access layer: results, conversions, ownership and the texts of its errors.
#include "store/CppSQLite3.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string MessageOf(auto&& action) {
    try {
        action();
    } catch (const CppSQLite3Exception& e) {
        return e.errorMessage();
    }
    return "<no exception>";
}

class WrapperTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.open(":memory:");
        db.execute("create table t (a INT, b TEXT);");
    }
    CppSQLite3DB db;
};

TEST(ExceptionText, NamesEveryListedCodeAndFormatsMessage) {
    const std::pair<int, const char*> names[] = {
        {0, "SQLITE_OK"},        {1, "SQLITE_ERROR"},       {2, "SQLITE_INTERNAL"},
        {3, "SQLITE_PERM"},      {4, "SQLITE_ABORT"},       {5, "SQLITE_BUSY"},
        {6, "SQLITE_LOCKED"},    {7, "SQLITE_NOMEM"},       {8, "SQLITE_READONLY"},
        {9, "SQLITE_INTERRUPT"}, {10, "SQLITE_IOERR"},      {11, "SQLITE_CORRUPT"},
        {12, "SQLITE_NOTFOUND"}, {13, "SQLITE_FULL"},       {14, "SQLITE_CANTOPEN"},
        {15, "SQLITE_PROTOCOL"}, {16, "SQLITE_EMPTY"},      {17, "SQLITE_SCHEMA"},
        {18, "SQLITE_TOOBIG"},   {19, "SQLITE_CONSTRAINT"}, {20, "SQLITE_MISMATCH"},
        {21, "SQLITE_MISUSE"},   {22, "SQLITE_NOLFS"},      {23, "SQLITE_AUTH"},
        {24, "SQLITE_FORMAT"},   {25, "SQLITE_RANGE"},      {100, "SQLITE_ROW"},
        {101, "SQLITE_DONE"},    {1000, "CPPSQLITE_ERROR"}, {26, "UNKNOWN_ERROR"},
        {-1, "UNKNOWN_ERROR"},   {999, "UNKNOWN_ERROR"},
    };
    for (const auto& [code, name] : names) {
        const CppSQLite3Exception e(code, "x");
        EXPECT_EQ(e.errorCode(), code);
        EXPECT_EQ(std::string(e.errorMessage()),
                  std::string(name) + "[" + std::to_string(code) + "]: x");
    }
    EXPECT_STREQ(CppSQLite3Exception(1000, nullptr).errorMessage(), "CPPSQLITE_ERROR[1000]: ");
}

TEST(ExceptionText, CopyKeepsCodeAndMessage) {
    const CppSQLite3Exception original(19, "constraint failed");
    const CppSQLite3Exception copy = original; // NOLINT(performance-unnecessary-copy-*)
    EXPECT_EQ(copy.errorCode(), 19);
    EXPECT_STREQ(copy.errorMessage(), "SQLITE_CONSTRAINT[19]: constraint failed");
}

TEST(ClosedDatabase, EveryOperationSaysNotOpen) {
    CppSQLite3DB closed;
    EXPECT_FALSE(closed.isOpen());
    const std::string expected = "CPPSQLITE_ERROR[1000]: Database not open";
    EXPECT_EQ(MessageOf([&] { closed.execute("select 1"); }), expected);
    EXPECT_EQ(MessageOf([&] { closed.query("select 1"); }), expected);
    EXPECT_EQ(MessageOf([&] { closed.scalar("select 1"); }), expected);
    EXPECT_EQ(MessageOf([&] { closed.table("select 1"); }), expected);
    EXPECT_EQ(MessageOf([&] { closed.prepare("select 1"); }), expected);
    EXPECT_EQ(MessageOf([&] { CppSQLite3Statement().execute(); }), expected);
}

TEST(OpenDatabase, FailureCarriesTheEngineMessage) {
    CppSQLite3DB db;
    EXPECT_EQ(MessageOf([&] { db.open("/nonexistent-folder/sub/x.db"); }),
              "SQLITE_CANTOPEN[14]: unable to open database file");
    EXPECT_FALSE(db.isOpen());
    db.open(":memory:");
    EXPECT_TRUE(db.isOpen());
    db.close();
    EXPECT_FALSE(db.isOpen());
}

TEST_F(WrapperTest, CompileErrorCarriesCodeWithoutText) {
    EXPECT_EQ(MessageOf([&] { db.query("selec nothing"); }), "SQLITE_ERROR[1]: ");
    EXPECT_EQ(MessageOf([&] { db.prepare("select * from missing"); }), "SQLITE_ERROR[1]: ");
}

TEST_F(WrapperTest, ExecuteErrorCarriesEngineText) {
    EXPECT_EQ(MessageOf([&] { db.execute("insert into missing values(1)"); }),
              "SQLITE_ERROR[1]: no such table: missing");
    EXPECT_EQ(MessageOf([&] { db.table("select * from missing"); }),
              "SQLITE_ERROR[1]: no such table: missing");
}

TEST_F(WrapperTest, ExecuteReturnsRowsChangedByLastStatement) {
    EXPECT_EQ(db.execute("insert into t values(1,'a');insert into t values(2,'b');"), 1);
    EXPECT_EQ(db.execute("update t set b='c'"), 2);
    EXPECT_EQ(db.execute("delete from t where a=7"), 0);
}

TEST_F(WrapperTest, ScalarCountsAndRejectsEmptyResults) {
    EXPECT_EQ(db.scalar("select count(*) from t"), 0);
    db.execute("insert into t values(42,'x')");
    EXPECT_EQ(db.scalar("select a from t"), 42);
    EXPECT_EQ(db.scalar("select b from t"), 0); // no digits
    EXPECT_EQ(MessageOf([&] { db.scalar("select a from t where a=0"); }),
              "CPPSQLITE_ERROR[1000]: Invalid scalar query");
    EXPECT_EQ(MessageOf([&] { db.scalar("create table u(x)"); }),
              "CPPSQLITE_ERROR[1000]: Invalid scalar query");
}

TEST_F(WrapperTest, TableExistsLooksAtTablesOnly) {
    EXPECT_TRUE(db.tableExists("t"));
    EXPECT_FALSE(db.tableExists("u"));
    EXPECT_FALSE(db.tableExists("it's"));
}

TEST_F(WrapperTest, QueryReadsTypedFieldsWithDefaultsForNull) {
    db.execute("insert into t values(NULL,NULL);insert into t values(5000000000,'text');");
    CppSQLite3Query q = db.query("select a,b from t order by rowid");
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.numFields(), 2);
    EXPECT_TRUE(q.fieldIsNull(0));
    EXPECT_EQ(q.getIntField(0, -3), -3);
    EXPECT_EQ(q.getInt64Field(0, -4), -4);
    EXPECT_STREQ(q.getStringField(1, "dflt"), "dflt");
    q.nextRow();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.getInt64Field(0), 5000000000LL);
    EXPECT_STREQ(q.getStringField(1), "text");
    EXPECT_STREQ(q.fieldValue(1), "text");
    q.nextRow();
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(MessageOf([&] { q.fieldValue(2); }),
              "CPPSQLITE_ERROR[1000]: Invalid field index requested");
    EXPECT_EQ(MessageOf([&] { q.fieldType(-1); }),
              "CPPSQLITE_ERROR[1000]: Invalid field index requested");
}

TEST_F(WrapperTest, QueryOwnershipMovesAndEmptyCursorHasNoStatement) {
    CppSQLite3Query first = db.query("select 1");
    CppSQLite3Query second = std::move(first);
    EXPECT_FALSE(second.eof());
    EXPECT_EQ(MessageOf([&] { first.eof(); }), // NOLINT(bugprone-use-after-move)
              "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
    EXPECT_EQ(MessageOf([&] { first.numFields(); }), // NOLINT(bugprone-use-after-move)
              "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
    second.finalize();
    EXPECT_EQ(MessageOf([&] { second.eof(); }),
              "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
}

TEST_F(WrapperTest, TableConvertsTextAndChecksIndexes) {
    db.execute("insert into t values(1,'12abc');insert into t values(2,'5000000000');"
               "insert into t values(3,NULL);insert into t values(4,'  -7');");
    CppSQLite3Table table = db.table("select a,b from t order by a");
    EXPECT_EQ(table.numRows(), 4);
    EXPECT_EQ(table.numFields(), 2);
    table.setRow(0);
    EXPECT_EQ(table.getIntField(1), 12);
    table.setRow(1);
    EXPECT_EQ(table.getInt64Field(1), 5000000000LL);
    EXPECT_EQ(table.getIntField(1), 2147483647); // out of 32-bit range: held at the limit
    table.setRow(2);
    EXPECT_TRUE(table.fieldIsNull(1));
    EXPECT_EQ(table.getIntField(1, 9), 9);
    EXPECT_EQ(table.getInt64Field(1, -9), -9);
    EXPECT_STREQ(table.getStringField(1, "none"), "none");
    table.setRow(3);
    EXPECT_EQ(table.getIntField(1), -7);
    EXPECT_EQ(MessageOf([&] { table.setRow(4); }),
              "CPPSQLITE_ERROR[1000]: Invalid row index requested");
    EXPECT_EQ(MessageOf([&] { table.setRow(-1); }),
              "CPPSQLITE_ERROR[1000]: Invalid row index requested");
    EXPECT_EQ(MessageOf([&] { table.fieldValue(2); }),
              "CPPSQLITE_ERROR[1000]: Invalid field index requested");
    CppSQLite3Table moved = std::move(table);
    EXPECT_EQ(moved.numRows(), 4);
    EXPECT_EQ(MessageOf([&] { table.numRows(); }), // NOLINT(bugprone-use-after-move)
              "CPPSQLITE_ERROR[1000]: Null Results pointer");
    moved.finalize();
    EXPECT_EQ(MessageOf([&] { moved.getIntField(0); }),
              "CPPSQLITE_ERROR[1000]: Null Results pointer");
}

TEST(DecimalConversion, LeadingDigitsSignsAndLimits) {
    EXPECT_EQ(DecimalToInt64("123"), 123);
    EXPECT_EQ(DecimalToInt64("12abc"), 12);
    EXPECT_EQ(DecimalToInt64("abc"), 0);
    EXPECT_EQ(DecimalToInt64("+8"), 8);
    EXPECT_EQ(DecimalToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(DecimalToInt64("99999999999999999999"), INT64_MAX);
    EXPECT_EQ(DecimalToInt32("-99999999999"), INT32_MIN);
    EXPECT_EQ(DecimalToInt64(nullptr), 0);
}

TEST_F(WrapperTest, StatementBindsRunsAndResets) {
    CppSQLite3Statement insert = db.prepare("insert into t values(?,?)");
    insert.bindInt64(1, 5000000000LL);
    insert.bind(2, std::string("it's"));
    EXPECT_EQ(insert.execute(), 1);
    insert.bindInt(1, 7);
    insert.bind(2, "seven");
    EXPECT_EQ(insert.execute(), 1);
    EXPECT_EQ(db.scalar("select count(*) from t"), 2);
    EXPECT_EQ(db.scalar("select a from t where b='it''s'"), 2147483647); // held at the 32-bit limit
    EXPECT_EQ(MessageOf([&] { insert.bindInt(3, 1); }),
              "SQLITE_RANGE[25]: Error binding int param");
    EXPECT_EQ(MessageOf([&] { insert.bind(0, "x"); }),
              "SQLITE_RANGE[25]: Error binding string param");
    insert.finalize();
    EXPECT_EQ(MessageOf([&] { insert.bindInt(1, 1); }),
              "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
}

TEST_F(WrapperTest, StatementFailureResetsAndReportsEngineMessage) {
    db.execute("create table u (k INT UNIQUE)");
    CppSQLite3Statement insert = db.prepare("insert into u values(?)");
    insert.bindInt(1, 1);
    insert.execute();
    EXPECT_EQ(MessageOf([&] { insert.execute(); }),
              "SQLITE_CONSTRAINT[19]: UNIQUE constraint failed: u.k");
    // The statement is usable again after the failure.
    insert.bindInt(1, 2);
    EXPECT_EQ(insert.execute(), 1);
}

} // namespace
