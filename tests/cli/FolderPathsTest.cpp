// Folder paths built from one entry per folder: nesting, parents that are missing, folders
// linked in a loop, and a cache that forgets without changing any answer.
#include "cli/FolderPaths.h"
#include "store/DataBase.h"
#include "tests/store/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace tessaly::test;

TEST(FolderPaths, NestedFoldersAndTheRoot) {
    LoadDrive('P', 2,
              {Folder(u"Docs", 10, 2), Folder(u"Reports", 11, 10), Folder(u"2024", 12, 11),
               Folder(u"R\u00e9sum\u00e9s", 13, 10), File(u"a.txt", 14, 12)});
    DataBase store('P');
    FolderPaths paths(store, 2);
    EXPECT_EQ(paths.FolderCount(), 4u);
    EXPECT_EQ(paths.PathOf(2), "P:\\");
    EXPECT_EQ(paths.PathOf(12), "P:\\Docs\\Reports\\2024\\");
    EXPECT_EQ(paths.PathOf(11), "P:\\Docs\\Reports\\");
    EXPECT_EQ(paths.PathOf(13), "P:\\Docs\\R\xC3\xA9sum\xC3\xA9s\\");
    EXPECT_EQ(paths.PathOf(12), "P:\\Docs\\Reports\\2024\\");
    // A file is no folder: a row below it has a parent that is not in the table.
    EXPECT_EQ(paths.PathOf(14), "P:\\?\\");
}

TEST(FolderPaths, MissingParentStartsAtTheQuestionMark) {
    LoadDrive('P', 2, {Folder(u"Lost", 20, 900), Folder(u"Below", 21, 20)}, false);
    DataBase store('P');
    FolderPaths paths(store, 2);
    EXPECT_EQ(paths.PathOf(21), "P:\\?\\Lost\\Below\\");
    EXPECT_EQ(paths.PathOf(900), "P:\\?\\");
}

TEST(FolderPaths, LoopedFoldersGetTheSamePathsInAnyOrder) {
    // P and Q are each other's parent; Self is its own; Under hangs below the loop.
    const std::vector<TestRow> rows{Folder(u"P", 11, 12), Folder(u"Q", 12, 11),
                                    Folder(u"Self", 14, 14), Folder(u"Under", 15, 12)};
    LoadDrive('P', 2, rows, false);
    DataBase store('P');
    const std::vector<uint64_t> ids{11, 12, 14, 15};
    const std::vector<std::string> expected{"P:\\?\\Q\\P\\", "P:\\?\\P\\Q\\", "P:\\?\\Self\\",
                                            "P:\\?\\P\\Q\\Under\\"};
    std::vector<size_t> order{0, 1, 2, 3};
    do {
        FolderPaths paths(store, 2);
        for (size_t i : order)
            EXPECT_EQ(paths.PathOf(ids[i]), expected[i]) << "asked for " << ids[i] << " first";
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(FolderPaths, FirstRowOfAnIdNamesTheFolderAndTheRootRowIsNoFolder) {
    LoadDrive('P', 5,
              {Folder(u"root", 5, 5), Folder(u"First", 30, 5), Folder(u"Second", 30, 5),
               Folder(u"Sub", 31, 30)},
              false);
    DataBase store('P');
    FolderPaths paths(store, 5);
    EXPECT_EQ(paths.FolderCount(), 2u);
    EXPECT_EQ(paths.PathOf(31), "P:\\First\\Sub\\");
    EXPECT_EQ(paths.PathOf(5), "P:\\");
}

TEST(FolderPaths, DeletedMarkIsTheFirstFolderRowsOfItsId) {
    // A live folder 30 whose later namesake row is deleted, a deleted folder 31, the root row
    // marked deleted (the root never counts), and a file 33 that is no folder.
    LoadDrive('P', 5,
              {Folder(u"root", 5, 5, true), Folder(u"Live", 30, 5),
               Folder(u"Live again", 30, 5, true), Folder(u"Gone", 31, 5, true),
               File(u"x.txt", 33, 31, 100, true)},
              false);
    DataBase store('P');
    const FolderPaths paths(store, 5);
    EXPECT_FALSE(paths.IsDeletedFolder(30));
    EXPECT_TRUE(paths.IsDeletedFolder(31));
    EXPECT_FALSE(paths.IsDeletedFolder(5));
    EXPECT_FALSE(paths.IsDeletedFolder(33));
    EXPECT_FALSE(paths.IsDeletedFolder(999));
}

TEST(FolderPaths, DeepChainWithLongNamesOutgrowsTheCacheWithoutChangingAnswers) {
    // 1500 folders of 64-byte names: the paths together take far more than the cache keeps.
    constexpr uint64_t kDepth = 1500;
    const std::u16string name(64, u'n');
    std::vector<TestRow> rows;
    for (uint64_t i = 0; i < kDepth; ++i)
        rows.push_back(Folder(name, 10 + i, i == 0 ? 2 : 9 + i));
    LoadDrive('P', 2, rows, false);
    DataBase store('P');
    FolderPaths paths(store, 2);
    auto expected = [&](uint64_t id) {
        std::string p = "P:\\";
        for (uint64_t i = 10; i <= id; ++i)
            p += std::string(64, 'n') + "\\";
        return p;
    };
    std::vector<uint64_t> ids;
    for (uint64_t i = 0; i < kDepth; ++i)
        ids.push_back(10 + i);
    std::mt19937 random(7);
    std::shuffle(ids.begin(), ids.end(), random);
    ids.resize(300);
    for (uint64_t i = 10; i < 10 + kDepth; i += 7) // parents before children, like the rows
        ids.push_back(i);
    for (uint64_t id : ids) {
        ASSERT_EQ(paths.PathOf(id), expected(id)) << id;
        ASSERT_LE(paths.CachedBytes(), FolderPaths::kCacheBudget);
    }
}

} // namespace
