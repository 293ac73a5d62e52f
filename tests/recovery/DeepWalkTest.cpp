// The recovery walk through the real volume 300 folders deep, while the destination changes
// under it. The walk holds only the folders of its last levels open and opens the others
// again on its way back up: a folder moved away with everything below it is followed where
// it went, a folder still in its place is found by its names, and one replaced by another of
// the same name is never written into: what was left to write there fails, counted.
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "store/DataBase.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <string>

namespace tessaly::test {
namespace {

constexpr char kLetter = 'W';

// d1/d2/.../d<levels> below folder.
std::string Chain(const std::string& folder, int levels) {
    std::string path = folder;
    for (int i = 1; i <= levels; ++i)
        path += "/d" + std::to_string(i);
    return path;
}

struct Outcome {
    RecoveryOutcome outcome;
    RecoveryReason reason;
    int error;
};

struct Walk {
    std::string out;
    bool replace = false; // also put a new folder where d150 was
    std::map<std::string, Outcome> done;

    // Called before deep.txt, 300 levels down, is written: d151 (with all below it) moves
    // to the destination's top.
    void ChangeDestination() const {
        ASSERT_EQ(std::rename(Chain(out, 151).c_str(), (out + "/moved").c_str()), 0);
        if (!replace) return;
        ASSERT_EQ(std::rename(Chain(out, 150).c_str(), (out + "/old150").c_str()), 0);
        ASSERT_EQ(::mkdir(Chain(out, 150).c_str(), 0777), 0);
    }
};

bool OnBefore(const char16_t*, const char16_t* name, uint32_t, uint32_t, void* user) {
    if (std::u16string(name) == u"deep.txt") static_cast<Walk*>(user)->ChangeDestination();
    return true;
}
bool OnProgress(uint32_t, uint32_t, void*) {
    return true;
}
void OnDone(const RecoveredFile* file, void* user) {
    static_cast<Walk*>(user)->done[platform::Utf16ToUtf8(file->name)] = {
        file->outcome, file->reason, file->systemError};
}
void OnExists(const char16_t*, uint32_t, int* answer, void*) {
    *answer = 0;
}
void OnCount(uint32_t, void*) {}
bool OnDirectory(const char16_t*, void*) {
    return true;
}

class DeepWalk : public ::testing::Test {
protected:
    void SetUp() override {
        volume = &LoadVolume("deep-fat");
        platform::DriveMap::Instance().Unbind(kLetter);
        ASSERT_EQ(platform::DriveMap::Instance().Bind(kLetter, volume->image), "");
        ASSERT_TRUE(QuickScanFatDrive(kLetter, &OnDirectory, nullptr));
        DataBase store(kLetter);
        auto q = store.Db().query("select record from W where fn = 'd1'");
        ASSERT_FALSE(q.eof());
        top = static_cast<uint64_t>(q.getInt64Field(0));
    }
    void TearDown() override { platform::DriveMap::Instance().Unbind(kLetter); }

    bool Recover(Walk& walk) {
        const std::u16string to = platform::Utf8ToUtf16(walk.out);
        return RecoverItem(kLetter, false, top, to.c_str(), &OnCount, &OnBefore, &OnProgress,
                           &OnDone, &OnExists, &walk);
    }
    const ManifestEntry& Entry(const std::string& name) const {
        for (const ManifestEntry& e : volume->entries)
            if (e.path.ends_with("/" + name)) return e;
        throw std::runtime_error("no " + name);
    }

    const TestVolume* volume = nullptr;
    uint64_t top = 0;
};

TEST_F(DeepWalk, AFolderMovedAwayIsFollowedAndOneInPlaceFoundByItsNames) {
    TempDir dir;
    Walk walk;
    walk.out = dir.path();
    EXPECT_TRUE(Recover(walk));
    ASSERT_EQ(walk.done.size(), 2u);
    EXPECT_EQ(walk.done["deep.txt"].outcome, RecoveryOutcome::kWritten);
    EXPECT_EQ(walk.done["mid.txt"].outcome, RecoveryOutcome::kWritten);
    // deep.txt went along with its folders; mid.txt, written after the walk came back up past
    // the moved folder, is in d150 where it belongs.
    std::string moved = dir.path() + "/moved";
    for (int i = 152; i <= 300; ++i)
        moved += "/d" + std::to_string(i);
    EXPECT_EQ(Md5OfFile(moved + "/deep.txt"), Entry("deep.txt").md5);
    EXPECT_EQ(Md5OfFile(Chain(dir.path(), 150) + "/mid.txt"), Entry("mid.txt").md5);
}

TEST_F(DeepWalk, AFolderReplacedUnderTheWalkIsNotWrittenIntoAndItsFilesFail) {
    TempDir dir;
    Walk walk;
    walk.out = dir.path();
    walk.replace = true;
    EXPECT_FALSE(Recover(walk));
    ASSERT_EQ(walk.done.size(), 2u);
    EXPECT_EQ(walk.done["deep.txt"].outcome, RecoveryOutcome::kWritten);
    EXPECT_EQ(walk.done["mid.txt"].outcome, RecoveryOutcome::kWriteError);
    EXPECT_EQ(walk.done["mid.txt"].reason, RecoveryReason::kSystem);
    EXPECT_EQ(walk.done["mid.txt"].error, ENOENT);
    struct stat st {};
    EXPECT_NE(::stat((Chain(dir.path(), 150) + "/mid.txt").c_str(), &st), 0);
    EXPECT_NE(::stat((dir.path() + "/old150/mid.txt").c_str(), &st), 0);
}

} // namespace
} // namespace tessaly::test
