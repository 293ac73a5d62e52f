// Reading a drive's rows one at a time: table order, typed values, conditions with a
// parameter.
#include "store/RowReader.h"
#include "store/DataBase.h"
#include "tests/store/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace tessaly::test;

TEST(RowReader, ReadsEveryRowInTableOrderWithTypedValues) {
    TestRow big = File(u"big.bin", 0x123456789AULL, 10, 5000000000ULL, true);
    big.created = 133000000000000000ULL;
    big.modified = 133000000000000001ULL;
    big.accessed = 133000000000000002ULL;
    big.attributes = 0x80000021u;
    big.record = 0x1122334455ULL;
    LoadDrive('R', 2, {Folder(u"Docs", 10, 2), big, File(u"Zo\u00eb.txt", 12, 10)});
    DataBase store('R');
    RowReader reader(store);
    RowFields row;
    std::vector<std::string> names;
    while (reader.Next(row)) {
        names.emplace_back(row.name);
        if (row.name == "big.bin") {
            EXPECT_EQ(row.size, 5000000000ULL);
            EXPECT_EQ(row.created, 133000000000000000ULL);
            EXPECT_EQ(row.modified, 133000000000000001ULL);
            EXPECT_EQ(row.accessed, 133000000000000002ULL);
            EXPECT_EQ(row.attributes, 0x80000021u);
            EXPECT_EQ(row.id, 0x123456789AULL);
            EXPECT_EQ(row.pid, 10u);
            EXPECT_EQ(row.isDeleted, 1);
            EXPECT_EQ(row.isDir, 0);
            EXPECT_EQ(row.record, 0x1122334455ULL);
        }
        if (row.name == "Docs") {
            EXPECT_EQ(row.isDir, 1);
            EXPECT_EQ(row.isDeleted, 2); // marked by the repair: it holds a deleted row
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Docs", "big.bin", "Zo\xC3\xAB.txt"}));
    EXPECT_FALSE(reader.Next(row)); // stays at the end
}

TEST(RowReader, NullColumnsReadAsZeroAndEmptyName) {
    LoadDrive('R', 2, {File(u"lost.txt", 20, 900, 5)});
    DataBase store('R');
    store.Db().execute("insert into R (record) values (77)");
    RowReader reader(store, RowSet::kWithRecord);
    reader.Restart(77);
    RowFields row;
    ASSERT_TRUE(reader.Next(row));
    EXPECT_EQ(row.name, "");
    EXPECT_EQ(row.size, 0u);
    EXPECT_EQ(row.id, 0u);
    EXPECT_EQ(row.isDir, 0);
    EXPECT_EQ(row.recoverable, -1);
    EXPECT_FALSE(reader.Next(row));
}

TEST(RowReader, ConditionWithAParameterRestarts) {
    LoadDrive('R', 2,
              {Folder(u"A", 10, 2), Folder(u"B", 11, 2), File(u"a1", 12, 10), File(u"b1", 13, 11),
               File(u"a2", 14, 10)});
    DataBase store('R');
    RowReader children(store, RowSet::kChildrenOf);
    auto names = [&](uint64_t folder) {
        children.Restart(folder);
        std::vector<std::string> out;
        RowFields row;
        while (children.Next(row))
            out.emplace_back(row.name);
        return out;
    };
    EXPECT_EQ(names(10), (std::vector<std::string>{"a1", "a2"}));
    EXPECT_EQ(names(11), std::vector<std::string>{"b1"});
    EXPECT_EQ(names(99), std::vector<std::string>{});
    EXPECT_EQ(names(10), (std::vector<std::string>{"a1", "a2"}));
}

} // namespace
