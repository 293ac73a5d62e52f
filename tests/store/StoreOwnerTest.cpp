// The store's thread rules, checked in the builds that check them: a call from another thread
// while a scan holds the store, and a call from inside SQLite's progress handler, are reported;
// the holder's own calls, nested holds and calls after the hold are not.
#include "store/StoreOwner.h"
#include "store/DataBase.h"
#include "store/Listing.h"
#include "tests/store/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace tessaly::test;

std::mutex g_seenLock;
std::vector<std::string> g_seen;

void Record(const std::string& message) {
    std::lock_guard lock(g_seenLock);
    g_seen.push_back(message);
}

// Records breaches instead of aborting while it lives.
class StoreOwnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!kStoreChecks) GTEST_SKIP() << "this build does not check the store's thread rules";
        g_seen.clear();
        m_previous = SetStoreViolationHandler(&Record);
    }
    void TearDown() override {
        if (kStoreChecks) SetStoreViolationHandler(m_previous);
    }
    static std::vector<std::string> Seen() {
        std::lock_guard lock(g_seenLock);
        return g_seen;
    }

private:
    StoreViolationHandler m_previous = nullptr;
};

// A thread that holds the store until told to let go, as a scan does.
class Holder {
public:
    Holder()
        : m_thread([this] {
              const StoreHold hold;
              DataBase('S').Db().scalar("select count(*) from S"); // the holder's own call
              std::unique_lock lock(m_lock);
              m_holding = true;
              m_changed.notify_all();
              m_changed.wait(lock, [this] { return m_letGo; });
          }) {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return m_holding; });
    }
    ~Holder() { LetGo(); }
    void LetGo() {
        {
            std::lock_guard lock(m_lock);
            m_letGo = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable()) m_thread.join();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_holding = false;
    bool m_letGo = false;
    std::thread m_thread;
};

TEST_F(StoreOwnerTest, AnotherThreadsCallWhileAScanHoldsTheStoreIsReported) {
    LoadDrive('S', 2, {File(u"a.txt", 10, 2)});
    Holder holder;
    EXPECT_TRUE(Seen().empty()); // the holder's own call
    DataBase store('S');         // makes sure the table exists: a query
    store.Db().scalar("select count(*) from S");
    const std::vector<std::string> seen = Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[1].find("\"select count(*) from S\" called on thread "), std::string::npos)
        << seen[1];
    EXPECT_NE(seen[1].find("while a scan on thread "), std::string::npos) << seen[1];
    EXPECT_NE(seen[1].find(" holds the store"), std::string::npos) << seen[1];

    holder.LetGo();
    store.Db().scalar("select count(*) from S");
    EXPECT_EQ(Seen().size(), 2u); // free again once the scan let go
}

TEST_F(StoreOwnerTest, HoldsNestOnOneThreadAndASecondHolderIsReported) {
    LoadDrive('S', 2, {});
    {
        const StoreHold outer;
        {
            const StoreHold inner;
            DataBase('S').Db().scalar("select count(*) from S");
        }
        // Still held by this thread after the inner hold ended.
        std::thread other([] { SharedDatabase().scalar("select 1"); });
        other.join();
        ASSERT_EQ(Seen().size(), 1u);
        EXPECT_EQ(Seen()[0].find("\"select 1\" called on thread "), 0u) << Seen()[0];

        std::thread second([] { const StoreHold hold; });
        second.join();
        ASSERT_EQ(Seen().size(), 2u);
        EXPECT_NE(Seen()[1].find("took the store while a scan on thread"), std::string::npos)
            << Seen()[1];
    }
    std::thread after([] { SharedDatabase().scalar("select 1"); });
    after.join();
    EXPECT_EQ(Seen().size(), 2u);
}

// Uses the store from inside the listing's busy callback, as a window event handler would if
// the window let input through while it pumps its events there.
void QueryFromInside(void* context) {
    ++*static_cast<int*>(context);
    SharedDatabase().scalar("select count(*) from S");
}

TEST_F(StoreOwnerTest, ACallFromInsideTheProgressHandlerIsReported) {
    std::vector<TestRow> rows{Folder(u"Big", 10, 2)};
    for (uint64_t i = 0; i < 3000; ++i)
        rows.push_back(
            File(u"f" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)), 100 + i, 10));
    LoadDrive('S', 2, rows);
    int busy = 0;
    SetListingBusyCallback(&QueryFromInside, &busy);
    const bool listed =
        ListFolder('S', 10, nullptr, nullptr, nullptr, kFilterNone, {}, false, nullptr);
    SetListingBusyCallback(nullptr, nullptr);
    EXPECT_TRUE(listed);
    ASSERT_GE(busy, 1);
    const std::vector<std::string> seen = Seen();
    ASSERT_GE(seen.size(), static_cast<size_t>(busy));
    EXPECT_EQ(seen[0], "\"select count(*) from S\" called from inside SQLite's progress handler");
    // The same call outside the handler is fine.
    DataBase('S').Db().scalar("select count(*) from S");
    EXPECT_EQ(Seen().size(), seen.size());
}

TEST(StoreOwnerDeathTest, TheDefaultHandlerStopsTheProgram) {
    if (!kStoreChecks) GTEST_SKIP() << "this build does not check the store's thread rules";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    LoadDrive('S', 2, {});
    EXPECT_DEATH(
        {
            const InsideProgressHandler inside;
            SharedDatabase().scalar("select 1");
        },
        "store used against its thread rules: \"select 1\" called from inside SQLite's "
        "progress handler");
}

} // namespace
