// CThread and the scan worker without a window: one job per start, "Thread is already
// started!", a named lock shared by threads of one name, commands, stopping.
#include "jobs/CScanThread.h"
#include "jobs/CThread.h"
#include "jobs/Drives.h"
#include "jobs/SavedScan.h"
#include "platform/DriveMap.h"
#include "store/UnreadFolders.h"
#include "tests/fat/FatImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A thread whose job waits until released, recording when it ran.
class GateThread : public CThread {
public:
    explicit GateThread(std::string name = "GateTest") : CThread(std::move(name), true) {}
    ~GateThread() override {
        Release();
        Join();
    }
    void Release() {
        std::lock_guard lock(m);
        released = true;
        cv.notify_all();
    }
    void WaitUntilRunning() {
        std::unique_lock lock(m);
        cv.wait_for(lock, 10s, [this] { return running; });
    }
    std::atomic<int> runs{0};
    std::atomic<int> insideLock{0};
    std::atomic<int> maxInsideLock{0};

protected:
    uint32_t ThreadHandler() override {
        for (;;) {
            const unsigned command = WaitCommand();
            if (command == kCmdStart) {
                PushFront(kCmdRun);
                continue;
            }
            if (command == kCmdStop) return 7;
            if (command != kCmdRun) continue;
            SetState(kRunning);
            Lock();
            const int inside = ++insideLock;
            if (inside > maxInsideLock) maxInsideLock = inside;
            {
                std::unique_lock lock(m);
                running = true;
                cv.notify_all();
                cv.wait_for(lock, 10s, [this] { return released; });
                released = false;
                running = false;
            }
            --insideLock;
            Unlock();
            ++runs;
            return 42;
        }
    }

private:
    std::mutex m;
    std::condition_variable cv;
    bool running = false;
    bool released = false;
};

TEST(CThread, StartWhileRunningIsRefusedAndAfterTheEndRunsAgain) {
    GateThread t;
    EXPECT_EQ(t.State(), CThread::kIdle);
    t.Start();
    t.WaitUntilRunning();
    EXPECT_TRUE(t.IsRunning());
    EXPECT_EQ(t.State(), CThread::kRunning);
    try {
        t.Start();
        FAIL() << "a second start must be refused";
    } catch (const CThreadException& e) {
        EXPECT_EQ(e.Code(), CThreadException::kAlreadyStarted);
        EXPECT_EQ(e.Message(), "Thread is already started!");
        EXPECT_EQ(e.Thread(), &t);
    }
    t.Release();
    t.Join();
    EXPECT_FALSE(t.IsRunning());
    EXPECT_EQ(t.State(), CThread::kIdle);
    EXPECT_EQ(t.ExitCode(), 42u);
    t.Start(); // a new job on a new thread
    t.WaitUntilRunning();
    t.Release();
    t.Join();
    EXPECT_EQ(t.runs, 2);
}

TEST(CThread, ThreadsOfOneNameNeverRunTheirJobsAtOnce) {
    GateThread a("SharedName"), b("SharedName");
    a.Start();
    a.WaitUntilRunning();
    b.Start();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(b.insideLock + a.insideLock, 1); // b waits for a's lock
    a.Release();
    b.WaitUntilRunning();
    b.Release();
    a.Join();
    b.Join();
    EXPECT_EQ(a.runs + b.runs, 2);
    EXPECT_EQ(a.maxInsideLock + b.maxInsideLock, 2);
}

TEST(CThread, ThreadsOfDifferentNamesRunTogether) {
    GateThread a("NameOne"), b("NameTwo");
    a.Start();
    a.WaitUntilRunning();
    b.Start();
    b.WaitUntilRunning();
    EXPECT_EQ(a.insideLock + b.insideLock, 2);
}

// A ProgressSink that records what a job reports.
class Recorder : public ProgressSink {
public:
    void Start(uint32_t total) override { starts.push_back(total); }
    void SetMode(int mode) override { modes.push_back(mode); }
    void Show() override { ++shows; }
    void Step() override {
        ++steps;
        if (cancelAtStep && steps >= cancelAtStep) cancelled = true;
    }
    void SetStatus(const std::u16string& text) override {
        statuses.push_back(text);
        if (cancelAtStatus && statuses.size() >= cancelAtStatus) cancelled = true;
    }
    void Close() override { ++closes; }
    bool Cancelled() const override { return cancelled; }

    std::vector<uint32_t> starts;
    std::vector<int> modes;
    std::vector<std::u16string> statuses;
    int shows = 0;
    int steps = 0;
    int closes = 0;
    int cancelAtStep = 0;
    std::size_t cancelAtStatus = 0;
    std::atomic<bool> cancelled{false};
};

class ScanJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& map = platform::DriveMap::Instance();
        map.Clear();
        ASSERT_EQ(map.Bind('E', tessaly::test::LoadVolume("fat32").image), "");
        ASSERT_EQ(map.Bind('F', tessaly::test::LoadVolume("ntfs").image), "");
    }
    void TearDown() override { platform::DriveMap::Instance().Clear(); }
    static DriveBootInfo Drive(char letter) {
        const DriveCheck c = CheckDrive(letter);
        EXPECT_EQ(c.problem, DriveProblem::kNone) << c.message;
        return c.drive.info;
    }
};

TEST_F(ScanJobTest, NtfsQuickScanReportsModeOneStepsAndStatus) {
    Recorder r;
    const ScanOutcome o = ScanJob(Drive('F'), false).Run(r);
    EXPECT_FALSE(o.Failed());
    EXPECT_TRUE(o.engineResult);
    EXPECT_EQ(r.starts, std::vector<uint32_t>{100});
    EXPECT_EQ(r.modes, std::vector<int>{kProgressNtfsQuick});
    EXPECT_EQ(r.shows, 1);
    EXPECT_GE(r.steps, 10);
    EXPECT_EQ(r.statuses.size(), static_cast<std::size_t>(r.steps));
    EXPECT_TRUE(r.statuses.back().starts_with(u"Quick scan processed "));
    EXPECT_NE(r.statuses.back().find(u" MFT records"), std::u16string::npos);
    EXPECT_GE(r.closes, 1);
    EXPECT_EQ(o.rows, 67u);
    EXPECT_EQ(o.deleted, 13u);
    EXPECT_EQ(DescribeScanOutcome(o), u"F: 67 entries found, 13 of them deleted");
}

TEST_F(ScanJobTest, FatQuickScanAnimatesAndNamesEachFolder) {
    Recorder r;
    const ScanOutcome o = ScanJob(Drive('E'), false).Run(r);
    EXPECT_FALSE(o.Failed());
    EXPECT_EQ(r.modes, std::vector<int>{kProgressFatQuick});
    EXPECT_EQ(r.steps, 0);
    ASSERT_FALSE(r.statuses.empty());
    for (const auto& s : r.statuses)
        EXPECT_TRUE(s.starts_with(u"Current File: ")) << std::string(s.begin(), s.end());
    EXPECT_GE(r.closes, 1);
    EXPECT_GT(o.rows, 10u);
}

TEST_F(ScanJobTest, AdvancedScansUseTheirModes) {
    Recorder fat, ntfs;
    EXPECT_FALSE(ScanJob(Drive('E'), true).Run(fat).Failed());
    EXPECT_FALSE(ScanJob(Drive('F'), true).Run(ntfs).Failed());
    EXPECT_EQ(fat.modes, std::vector<int>{kProgressFatAdvanced});
    EXPECT_EQ(ntfs.modes, std::vector<int>{kProgressNtfsAdvanced});
    EXPECT_TRUE(ntfs.statuses.back().starts_with(u"Advanced scan processed "));
    EXPECT_NE(ntfs.statuses.back().find(u" clusters"), std::u16string::npos);
}

TEST_F(ScanJobTest, CancelStopsAtTheNextReportAndKeepsTheRows) {
    Recorder r;
    r.cancelAtStep = 5;
    const ScanOutcome o = ScanJob(Drive('F'), false).Run(r);
    EXPECT_TRUE(o.cancelled);
    EXPECT_FALSE(o.Failed());
    EXPECT_EQ(r.steps, 5);
    EXPECT_GT(o.rows, 0u);
    EXPECT_LT(o.rows, 67u);
    EXPECT_EQ(DescribeScanOutcome(o).find(u"F: scan cancelled; "), 0u);

    Recorder fat;
    fat.cancelAtStatus = 1; // FAT quick scan: stops at the next folder
    const ScanOutcome f = ScanJob(Drive('E'), false).Run(fat);
    EXPECT_TRUE(f.cancelled);
    EXPECT_EQ(fat.statuses.size(), 1u);
}

TEST_F(ScanJobTest, StopFlagEndsTheScanLikeACancel) {
    Recorder r;
    std::atomic<bool> stop{true};
    const ScanOutcome o = ScanJob(Drive('F'), true, &stop).Run(r);
    EXPECT_TRUE(o.cancelled);
    EXPECT_TRUE(r.modes.empty()); // not begun at all
}

TEST_F(ScanJobTest, FailuresSayWhy) {
    Recorder r;
    DriveBootInfo gone = Drive('E');
    gone.driveLetter = 'G'; // nothing bound there
    ScanOutcome o = ScanJob(gone, false).Run(r);
    EXPECT_EQ(o.failure, ScanFailure::kCannotOpen);
    EXPECT_EQ(DescribeScanOutcome(o).find(u"The scan of G: failed: the volume cannot be opened"),
              0u);

    tessaly::test::TempDir dir;
    const std::string zeros = dir.File("zeros.img");
    { std::ofstream(zeros, std::ios::binary) << std::string(65536, '\0'); }
    ASSERT_EQ(platform::DriveMap::Instance().Bind('H', zeros), "");
    DriveBootInfo wiped = Drive('E');
    wiped.driveLetter = 'H';
    o = ScanJob(wiped, false).Run(r);
    EXPECT_EQ(o.failure, ScanFailure::kNotSupported);
    EXPECT_EQ(DescribeScanOutcome(o), u"The scan of H: failed: the volume holds no FAT12, FAT16, "
                                      u"FAT32, exFAT or NTFS file system.");
}

// A scan that leaves folders unread says so in its outcome and in its message, and counts
// them: 16400 nested folders, of which the walk enters all but the ones past its bound.
TEST_F(ScanJobTest, FoldersLeftUnreadAreCountedAndNamed) {
    tessaly::test::TempDir dir;
    tessaly::test::FatImage image(20000);
    image.AddFolderChain(image.RootCluster(), 0, 100, 16400, 99);
    ASSERT_EQ(platform::DriveMap::Instance().Bind('G', image.WriteTo(dir.File("deep.img"))), "");
    Recorder r;
    const ScanOutcome o = ScanJob(Drive('G'), false).Run(r);
    EXPECT_FALSE(o.Failed());
    EXPECT_TRUE(o.Incomplete());
    EXPECT_EQ(o.notes.foldersTooDeep, 1u);
    EXPECT_EQ(o.notes.depthBound, 16384u);
    EXPECT_EQ(o.rows, 16384u);
    EXPECT_EQ(DescribeScanOutcome(o),
              u"G: 16384 entries found, 0 of them deleted. Folders nested deeper than 16384 "
              u"levels were not read, and what they hold is not listed: 1.");

    // Saved and loaded again, the scan still lacks what it lacked.
    const DriveCheck check = CheckDrive('G');
    ASSERT_EQ(check.problem, DriveProblem::kNone) << check.message;
    const std::string saved = dir.File("deep.tessaly");
    SaveScan(check.drive, saved);
    SetUnreadFolders('G', {}); // only the file can tell now
    const ScanNotes loaded = LoadScan(check.drive, saved);
    EXPECT_EQ(loaded.foldersTooDeep, 1u);
    EXPECT_EQ(loaded.depthBound, 16384u);
    EXPECT_EQ(UnreadFoldersOf('G').count, 1u);
    EXPECT_EQ(UnreadFoldersOf('G').depthBound, 16384u);

    // A complete volume reads as one.
    const ScanOutcome whole = ScanJob(Drive('E'), false).Run(r);
    EXPECT_FALSE(whole.Incomplete());
    EXPECT_TRUE(DescribeScanGaps(whole).empty());
}

// An exFAT volume whose main boot region fails its checks is read through its backup, and the
// summary both front ends show says so; a sound volume's summary does not.
TEST_F(ScanJobTest, ExfatReadThroughItsBackupBootRegionSaysSo) {
    ASSERT_EQ(
        platform::DriveMap::Instance().Bind('H', tessaly::test::LoadVolume("exfat-backup").image),
        "");
    Recorder r;
    const ScanOutcome o = ScanJob(Drive('H'), false).Run(r);
    ASSERT_FALSE(o.Failed()) << o.reason;
    EXPECT_TRUE(o.backupBootRegion);
    EXPECT_GT(o.rows, 0u);
    EXPECT_NE(DescribeScanOutcome(o).find(u"the backup boot region (sectors 12-23) was used"),
              std::u16string::npos);
    const ScanOutcome sound = ScanJob(Drive('E'), false).Run(r);
    EXPECT_FALSE(sound.backupBootRegion);
    EXPECT_EQ(DescribeScanOutcome(sound).find(u"backup"), std::u16string::npos);
}

// The worker: one scan job per start, the end handed over before the thread ends.
TEST_F(ScanJobTest, ScanThreadRunsOneJobPerStartAndRefusesASecond) {
    Recorder r;
    std::mutex m;
    std::condition_variable cv;
    bool inEnd = false, leaveEnd = false;
    std::vector<ScanOutcome> ends;
    CScanThread worker(r, [&](const ScanOutcome& o) {
        std::unique_lock lock(m);
        ends.push_back(o);
        inEnd = true;
        cv.notify_all();
        cv.wait_for(lock, 10s, [&] { return leaveEnd; }); // the window handles the end
    });
    worker.StartScan(Drive('F'), false);
    {
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, 30s, [&] { return inEnd; }));
    }
    EXPECT_THROW(worker.StartScan(Drive('E'), false), CThreadException); // still in its end
    EXPECT_EQ(worker.Drive().driveLetter, 'F');
    {
        std::lock_guard lock(m);
        leaveEnd = true;
        inEnd = false;
        cv.notify_all();
    }
    worker.EndHandled();
    worker.StartScan(Drive('E'), true); // waits for the old thread, then runs
    {
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, 30s, [&] { return inEnd; }));
    }
    worker.Join();
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[0].letter, 'F');
    EXPECT_EQ(ends[1].letter, 'E');
    EXPECT_TRUE(ends[1].advanced);
}

TEST_F(ScanJobTest, StopAndJoinEndsARunningScan) {
    Recorder r;
    std::atomic<int> ends{0};
    CScanThread worker(r, [&](const ScanOutcome& o) {
        EXPECT_TRUE(o.cancelled);
        ++ends;
    });
    r.cancelAtStep = 0;
    worker.StartScan(Drive('E'), true);
    worker.StopAndJoin();
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_LE(ends.load(), 1);
    EXPECT_FALSE(g_engineCancel.load());
}

} // namespace
