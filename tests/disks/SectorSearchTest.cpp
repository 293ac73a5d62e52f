// The search of every sector as a job both front ends run: what it reports to the progress
// sink, what it binds (only volumes no letter holds yet), and how a cancel stops it. Then the
// command line's --search-sectors on the same disks.
#include "jobs/VolumeBinderSearch.h"
#include "platform/DriveMap.h"
#include "tests/cli/CliRunner.h"
#include "tests/disks/DiskFixtures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace tessaly::test;

namespace {

struct LostVolume {
    std::string disk;
    uint32_t number = 0;
    uint64_t offset = 0;
    std::string fileSystem;
    std::string label;
};

std::vector<LostVolume> LostVolumes(const std::string& disk) {
    std::vector<LostVolume> volumes;
    std::ifstream in(DiskPath("lost-volume-disks.manifest"));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        LostVolume v;
        uint64_t length = 0;
        fields >> v.disk >> v.number >> v.offset >> length >> v.fileSystem >> v.label;
        if (v.disk == disk) volumes.push_back(v);
    }
    return volumes;
}

// Records what a job reports; cancels after cancelAfter steps when asked to.
class RecordingSink : public ProgressSink {
public:
    explicit RecordingSink(uint32_t cancelAfter = 0) : cancelAfter_(cancelAfter) {}
    void Start(uint32_t total) override {
        ++starts;
        steps = total;
        done = 0;
    }
    void SetMode(int m) override { mode = m; }
    void Show() override { ++shows; }
    void Step() override {
        ++done;
        if (cancelAfter_ != 0 && done >= cancelAfter_) cancelled = true;
    }
    void SetStatus(const std::u16string& text) override { status = text; }
    void Close() override { ++closes; }
    bool Cancelled() const override {
        ++asked;
        return cancelled;
    }

    int starts = 0, shows = 0, closes = 0, mode = 0;
    uint32_t steps = 0, done = 0;
    mutable int asked = 0;
    bool cancelled = false;
    std::u16string status;

private:
    uint32_t cancelAfter_;
};

class SectorSearchJob : public ::testing::Test {
protected:
    void SetUp() override {
        platform::DriveMap::Instance().Clear();
        ForgetBoundSources();
    }
    void TearDown() override {
        platform::DriveMap::Instance().Clear();
        ForgetBoundSources();
    }
    static std::vector<platform::DriveSource> Bound() {
        return platform::DriveMap::Instance().Sources();
    }
};

} // namespace

TEST_F(SectorSearchJob, FindsTheVolumeAtAnOddSectorAndReportsEveryMiB) {
    const auto expected = LostVolumes("lost-odd.img");
    ASSERT_EQ(expected.size(), 1u);
    RecordingSink sink;
    const auto r = SearchSourceSectors(platform::DriveMap::Instance(), DiskPath("lost-odd.img"),
                                       sink, u"searching");
    ASSERT_TRUE(r.bound.error.empty()) << r.bound.error;
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.volumesFound, 1u);
    ASSERT_EQ(r.bound.letters, std::vector<char>{'C'});
    const auto bound = Bound();
    ASSERT_EQ(bound.size(), 1u);
    EXPECT_EQ(bound[0].offset, expected[0].offset);
    EXPECT_TRUE(bound[0].foundBySearch);
    EXPECT_EQ(bound[0].partitionNumber, 0u);
    // 48 MiB: 48 steps, all of them made; one start, shown once, closed once.
    EXPECT_EQ(sink.starts, 1);
    EXPECT_EQ(sink.steps, 48u);
    EXPECT_EQ(sink.done, 48u);
    EXPECT_EQ(sink.mode, kProgressVolumeSearch);
    EXPECT_EQ(sink.shows, 1);
    EXPECT_EQ(sink.closes, 1);
    EXPECT_EQ(sink.status, u"searching");
}

TEST_F(SectorSearchJob, AddsOnlyWhatNoLetterHoldsAndNothingTwice) {
    const auto expected = LostVolumes("lost-beside.img");
    ASSERT_EQ(expected.size(), 2u);
    SourceSpec spec;
    spec.path = DiskPath("lost-beside.img");
    // The table names one partition; the aligned search does not run on a disk whose table
    // is good, so only that one is bound.
    const auto first = BindSourceToFreeLetters(platform::DriveMap::Instance(), spec);
    ASSERT_EQ(first.letters, std::vector<char>{'C'});
    ASSERT_EQ(Bound()[0].partitionNumber, 1u);

    RecordingSink sink;
    const auto r =
        SearchSourceSectors(platform::DriveMap::Instance(), spec.path, sink, u"searching");
    ASSERT_TRUE(r.bound.error.empty()) << r.bound.error;
    EXPECT_EQ(r.volumesFound, 2u);
    ASSERT_EQ(r.bound.letters, std::vector<char>{'D'});
    for (const auto& s : Bound())
        if (s.letter == 'D') {
            EXPECT_EQ(s.offset, expected[1].offset);
            EXPECT_TRUE(s.foundBySearch);
            EXPECT_EQ(s.partitionNumber, 0u);
        }
    // The drive list names the new volume by where it was found.
    const auto inventory = BoundSources();
    ASSERT_EQ(inventory.size(), 1u);
    EXPECT_EQ(inventory[0].probe.volumes.size(), 2u);

    // Again: nothing new, no error, nothing bound twice.
    RecordingSink again;
    const auto second =
        SearchSourceSectors(platform::DriveMap::Instance(), spec.path, again, u"searching");
    EXPECT_TRUE(second.bound.error.empty()) << second.bound.error;
    EXPECT_TRUE(second.bound.letters.empty());
    EXPECT_EQ(second.volumesFound, 2u);
    EXPECT_EQ(Bound().size(), 2u);
}

TEST_F(SectorSearchJob, CancelStopsAtTheNextReadAndBindsNothingItHadNotFound) {
    // Cancelled after the first MiB: the search stops at its next report, at 4 MiB, before it
    // reaches the volume at 6 MiB.
    RecordingSink sink(1);
    const auto r = SearchSourceSectors(platform::DriveMap::Instance(), DiskPath("lost-odd.img"),
                                       sink, u"searching");
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.bound.error.empty()) << r.bound.error;
    EXPECT_TRUE(r.bound.letters.empty());
    EXPECT_EQ(r.volumesFound, 0u);
    EXPECT_LE(sink.done, 4u);
    EXPECT_EQ(sink.closes, 1);
    EXPECT_TRUE(Bound().empty());
    EXPECT_TRUE(BoundSources().empty());
}

TEST_F(SectorSearchJob, AVolumeFoundBeforeTheCancelIsBoundWhole) {
    // lost-beside.img's lost volume lies at 19.5 MiB; cancelled at 24 MiB it is kept, bound
    // with its whole length.
    const auto expected = LostVolumes("lost-beside.img");
    ASSERT_EQ(expected.size(), 2u);
    RecordingSink sink(24);
    const auto r = SearchSourceSectors(platform::DriveMap::Instance(), DiskPath("lost-beside.img"),
                                       sink, u"searching");
    EXPECT_TRUE(r.cancelled);
    ASSERT_EQ(r.bound.letters.size(), 2u);
    const auto bound = Bound();
    ASSERT_EQ(bound.size(), 2u);
    EXPECT_EQ(bound[1].offset, expected[1].offset);
    EXPECT_EQ(bound[1].length, 8u << 20);
    EXPECT_LT(sink.done, 48u);
    bool toldCancelled = false;
    for (const std::string& m : r.bound.messages)
        toldCancelled |= m.find("search for lost volumes was cancelled") != std::string::npos;
    EXPECT_TRUE(toldCancelled);
}

TEST(SectorSearchCli, BindsTheVolumesOnlyTheSearchFinds) {
    const std::string odd = DiskPath("lost-odd.img");
    const std::string beside = DiskPath("lost-beside.img");
    const auto plain = RunCli({"--drive", "E=" + odd, "drives"});
    EXPECT_EQ(plain.out.find("ODDFAT"), std::string::npos) << plain.out;

    const auto r =
        RunCli({"--search-sectors", "--drive", "E=" + odd, "--drive", "G=" + beside, "drives"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("E:  FAT16  ODDFAT"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(odd + ", found at 6.0 MiB (16.0 MiB)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("G:  FAT16  TABLEFAT"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("FAT12  BESIDEFAT"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(beside + ", found at 19.5 MiB (8.0 MiB)"), std::string::npos) << r.out;
    // Not a terminal: no progress line on standard error.
    EXPECT_EQ(r.err.find("searching every sector"), std::string::npos) << r.err;
}
