#include "engine/volume/QPtrList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Counted {
    explicit Counted(int* d) : deaths(d) {}
    ~Counted() { ++*deaths; }
    int* deaths;
};

TEST(QPtrList, CursorFollowsAppendFirstNext) {
    QPtrList<int> list;
    std::vector<int> v{1, 2, 3}; // items on the heap: the list never owns them here
    int *a = &v[0], *b = &v[1], *c = &v[2];
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_EQ(list.append(a), 1u);
    EXPECT_EQ(list.append(b), 2u);
    EXPECT_EQ(list.current(), b);
    EXPECT_EQ(list.at(), 1);
    list.append(c);
    EXPECT_EQ(list.first(), a);
    EXPECT_EQ(list.next(), b);
    EXPECT_EQ(list.next(), c);
    EXPECT_EQ(list.next(), nullptr);
    EXPECT_EQ(list.at(), -1);
    EXPECT_EQ(list.last(), c);
    EXPECT_EQ(list.at(), 2);
}

TEST(QPtrList, RemovingMovesTheCursorToTheNextOrThePrevious) {
    QPtrList<int> list;
    std::vector<int> v{1, 2, 3}; // items on the heap: the list never owns them here
    int *a = &v[0], *b = &v[1], *c = &v[2];
    list.append(a);
    list.append(b);
    list.append(c);
    EXPECT_TRUE(list.remove(b));
    EXPECT_EQ(list.current(), c);
    EXPECT_EQ(list.at(), 1);
    EXPECT_TRUE(list.remove(c)); // the last node: cursor goes back
    EXPECT_EQ(list.current(), a);
    EXPECT_EQ(list.at(), 0);
    EXPECT_FALSE(list.remove(b));
    EXPECT_EQ(list.findRef(a), 0);
    EXPECT_TRUE(list.remove());
    EXPECT_EQ(list.current(), nullptr);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(list.findRef(a), -1);
}

TEST(QPtrList, AutoDeletionOwnsItems) {
    int deaths = 0;
    {
        QPtrList<Counted> owning(true);
        owning.append(new Counted(&deaths));
        owning.append(new Counted(&deaths));
        owning.append(new Counted(&deaths));
        owning.first();
        owning.remove();
        EXPECT_EQ(deaths, 1);
        Counted* kept = owning.take();
        EXPECT_EQ(deaths, 1);
        delete kept;
        EXPECT_EQ(deaths, 2);
    }
    EXPECT_EQ(deaths, 3);

    int noDeaths = 0;
    Counted item(&noDeaths);
    {
        QPtrList<Counted> refs;
        refs.append(&item);
        refs.clear();
    }
    EXPECT_EQ(noDeaths, 0);
}

TEST(QPtrList, AssignCopiesPointersAndRestsOnFirst) {
    QPtrList<int> a, b;
    int x = 1, y = 2, z = 3;
    a.append(&x);
    a.append(&y);
    b.append(&z);
    b.assign(a);
    EXPECT_EQ(b.count(), 2u);
    EXPECT_EQ(b.current(), &x);
    EXPECT_EQ(b.at(1u), &y);
}

} // namespace
