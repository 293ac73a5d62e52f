// Every way this layer touches a source leaves its bytes and its times as they were.
#include "engine/volume/EntryPoints.h"
#include "engine/volume/NTFSRunList.h"
#include "engine/volume/StreamBase.h"
#include "platform/DriveMap.h"
#include "platform/VolumeLabel.h"
#include "tests/support/TestVolumes.h"
#include "tests/volume/PatternVolume.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tessaly::test;

namespace {

struct Snapshot {
    std::string md5;
    struct timespec mtime, ctime;
};

Snapshot Take(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return {Md5OfFile(path), st.st_mtim, st.st_ctim};
}

void ExpectSame(const Snapshot& a, const Snapshot& b) {
    EXPECT_EQ(a.md5, b.md5);
    EXPECT_EQ(a.mtime.tv_sec, b.mtime.tv_sec);
    EXPECT_EQ(a.mtime.tv_nsec, b.mtime.tv_nsec);
    EXPECT_EQ(a.ctime.tv_sec, b.ctime.tv_sec);
    EXPECT_EQ(a.ctime.tv_nsec, b.ctime.tv_nsec);
}

bool Sink(const uint8_t*, uint32_t, void*) {
    return true;
}

TEST(ReadOnly, SourcesAreNeverChanged) {
    for (const char* name : {"fat32", "ntfs"}) {
        const auto& v = LoadVolume(name);
        const Snapshot before = Take(v.image);
        {
            platform::DriveMap::Instance().Clear();
            ASSERT_EQ(platform::DriveMap::Instance().Bind('E', v.image), "");
            DriveBootInfo drives[24];
            uint32_t count = 0;
            ASSERT_TRUE(ListDrives(drives, &count));
            EXPECT_EQ(count, 1u);
            platform::VolumeLabel(v.image, drives[0].bootSector);

            PatternVolume volume;
            ASSERT_TRUE(volume.Open('E', true));
            StreamBase s;
            for (uint64_t off = 0; off < volume.DeviceSize(); off += 3 * 524288)
                ASSERT_TRUE(volume.Map(&s, off, 4096));
            EXPECT_EQ(volume.StreamingRead(0, volume.DeviceSize(), Sink, nullptr),
                      ReadOutcome::kOk);
            NTFSRunList runs;
            runs.AppendSparse(0, 2);
            EXPECT_EQ(runs.StreamData(&volume, 8192, Sink, nullptr), ReadOutcome::kOk);
            volume.Trim(0);
            volume.Close();
            platform::DriveMap::Instance().Clear();
        }
        ExpectSame(before, Take(v.image));
    }
}

} // namespace
