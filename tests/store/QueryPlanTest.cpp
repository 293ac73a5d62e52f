// After loading, the lookups by parent and by record go through an index instead of reading
// the whole table.
#include "store/DataBase.h"
#include "store/RecoveryLookups.h"
#include "store/ScanRow.h"
#include "tests/store/StoreTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace tessaly::test;

std::string Plan(const std::string& sql) {
    std::string plan;
    for (const std::string& row : Rows("EXPLAIN QUERY PLAN " + sql)) {
        plan += row.substr(row.rfind('|') + 1) + "\n";
    }
    return plan;
}

struct Lookup {
    const char* name;
    const char* sql;
};

class QueryPlan : public ::testing::TestWithParam<Lookup> {
protected:
    static void SetUpTestSuite() {
        std::vector<TestRow> rows{Folder(u"Top", 10, 2)};
        for (uint64_t i = 0; i < 200; ++i) {
            rows.push_back(File(u"f.txt", 100 + i, 10 + i % 3));
        }
        LoadDrive('Q', 2, rows);
        // The first lookup by record builds the indexes a fresh load leaves for later.
        ScanRow row;
        ReadByRecord('Q', 5, row);
    }
};

TEST_P(QueryPlan, UsesAnIndex) {
    const std::string plan = Plan(GetParam().sql);
    EXPECT_NE(plan.find("USING "), std::string::npos) << plan;
    EXPECT_NE(plan.find("INDEX"), std::string::npos) << plan;
    EXPECT_EQ(plan.find("SCAN Q\n"), std::string::npos) << plan;
}

INSTANTIATE_TEST_SUITE_P(
    StoreLookups, QueryPlan,
    ::testing::Values(
        Lookup{"ListFolder", "select * from Q where pid=10 group by rowid order by isDir DESC,fn"},
        Lookup{"ListFolderFiltered",
               "select * from Q where pid=10  and (isDir<>0 or fn_ext in ('jpg')) group by rowid "
               "order by isDir DESC,fn"},
        Lookup{"HideEmptyCount", "select count(*) from Q where pid=10"},
        Lookup{"Children", "select * from Q where pid=10"},
        Lookup{"ChildRecords", "select record from Q where pid=10"},
        Lookup{"CountFiles", "select Count(*) from Q where pid=10 and isDir=0"},
        Lookup{"SubFolders", "select id from Q where pid=10 and isDir<>0"},
        Lookup{"SearchSubFolders", "select id,fn from Q where pid=10 and isDir<>0"},
        Lookup{"PathsMissing", "select count(*) from Q where pid=10 and path is null"},
        Lookup{"ResolvePath", "Select id from Q where pid=10 and isDir<>0 and fn='x'"},
        Lookup{"SearchFolder", "select * from Q where pid=10  and fn like '%.txt' "},
        Lookup{"ReadByRecord", "select * from Q where record=5"},
        Lookup{"CountForRecovery", "select id,isDir from Q where record=5"},
        Lookup{"RecordToId", "select id from Q where record=5"},
        Lookup{"ExtraFolder", "select * from Q where record=5 and fn='!!!ADVANCED - EXTRA!!!'"},
        Lookup{"ParentPath", "select depth,path||fn||'\\' from Q where id=10"}),
    [](const ::testing::TestParamInfo<Lookup>& param) { return std::string(param.param.name); });

TEST(QueryPlanControl, ParentLookupReadsTheTableBeforeLoadingEnds) {
    DataBase store('P');
    store.DropTable();
    store.EnsureTable();
    EXPECT_NE(Plan("select * from P where pid=10").find("SCAN P\n"), std::string::npos);
    store.BeginInsert();
    store.EndInsert();
    EXPECT_EQ(Plan("select * from P where pid=10").find("SCAN P\n"), std::string::npos);
}

TEST(QueryPlanControl, RecordIndexWaitsForTheFirstLookupByRecordOfEachLoad) {
    const char* byRecord = "select * from R where record=3";
    ScanRow row;
    for (int load = 0; load < 2; ++load) {
        LoadDrive('R', 2, {Folder(u"Top", 10, 2), File(u"a.txt", 11, 10), File(u"b.txt", 12, 10)});
        EXPECT_NE(Plan(byRecord).find("SCAN R\n"), std::string::npos) << "load " << load;
        ASSERT_TRUE(ReadByRecord('R', 3, row)) << "load " << load;
        EXPECT_EQ(row.id, 12u);
        EXPECT_EQ(Plan(byRecord).find("SCAN R\n"), std::string::npos) << "load " << load;
    }
    // An index dropped behind the store's back only costs a read of the table.
    SharedDatabase().execute("DROP INDEX IDX_R_Record;");
    EXPECT_TRUE(ReadByRecord('R', 2, row));
    EXPECT_EQ(row.id, 11u);
}

} // namespace
