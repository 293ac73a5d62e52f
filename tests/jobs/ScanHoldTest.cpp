// A scan owns the store from its start to the count of its rows: a store call from the window
// thread meanwhile is reported (in the builds that check the store's thread rules), and the
// end handler, which runs after the job, may use the store freely.
#include "jobs/CScanThread.h"
#include "jobs/Drives.h"
#include "platform/DriveMap.h"
#include "store/RowCounts.h"
#include "store/StoreOwner.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::mutex g_seenLock;
std::vector<std::string> g_seen;

void Record(const std::string& message) {
    std::lock_guard lock(g_seenLock);
    g_seen.push_back(message);
}

size_t SeenCount() {
    std::lock_guard lock(g_seenLock);
    return g_seen.size();
}

// Stops the scan at its first progress step until the test lets it go on.
class PausingSink : public ProgressSink {
public:
    void Start(uint32_t) override {}
    void SetMode(int) override {}
    void Show() override {}
    void Step() override {
        std::unique_lock lock(m_lock);
        if (m_paused) return;
        m_paused = true;
        m_changed.notify_all();
        m_changed.wait_for(lock, 30s, [this] { return m_goOn; });
    }
    void SetStatus(const std::u16string&) override {}
    void Close() override {}
    bool Cancelled() const override { return false; }

    bool WaitForPause() {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, 30s, [this] { return m_paused; });
    }
    void GoOn() {
        {
            std::lock_guard lock(m_lock);
            m_goOn = true;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_paused = false;
    bool m_goOn = false;
};

TEST(ScanHold, TheWindowThreadMayNotUseTheStoreWhileAScanRuns) {
    if (!kStoreChecks) GTEST_SKIP() << "this build does not check the store's thread rules";
    auto& map = platform::DriveMap::Instance();
    map.Clear();
    ASSERT_EQ(map.Bind('F', tessaly::test::LoadVolume("ntfs").image), "");
    const DriveCheck check = CheckDrive('F');
    ASSERT_EQ(check.problem, DriveProblem::kNone) << check.message;
    g_seen.clear();
    const StoreViolationHandler previous = SetStoreViolationHandler(&Record);

    PausingSink sink;
    uint64_t rowsAtEnd = 0;
    CScanThread worker(sink, [&](const ScanOutcome& outcome) {
        uint64_t deleted = 0;
        CountRows(outcome.letter, &rowsAtEnd, &deleted); // after the job: allowed
    });
    worker.StartScan(check.drive.info, false);
    ASSERT_TRUE(sink.WaitForPause());
    EXPECT_EQ(SeenCount(), 0u);
    uint64_t rows = 0, deleted = 0;
    CountRows('F', &rows, &deleted); // the window asking in the middle of the scan
    EXPECT_GE(SeenCount(), 1u);
    {
        std::lock_guard lock(g_seenLock);
        EXPECT_NE(g_seen[0].find(" while a scan on thread "), std::string::npos) << g_seen[0];
    }
    const size_t duringScan = SeenCount();
    sink.GoOn();
    worker.Join();
    EXPECT_EQ(rowsAtEnd, 67u);
    EXPECT_EQ(SeenCount(), duringScan); // the scan's own calls and the end handler's are fine
    CountRows('F', &rows, &deleted);
    EXPECT_EQ(SeenCount(), duringScan);
    EXPECT_EQ(rows, 67u);

    SetStoreViolationHandler(previous);
    map.Clear();
}

} // namespace
