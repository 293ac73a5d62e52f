// Ctrl-C during a scan stops it as the Cancel button would: the scan ends early and its
// table is committed and usable.
#include "cli/Interrupt.h"
#include "cli/Drive.h"
#include "cli/ScanRunner.h"
#include "platform/DriveMap.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

using namespace tessaly::test;

namespace {

TEST(CliInterrupt, CancelledScanKeepsWhatItFound) {
    auto& map = platform::DriveMap::Instance();
    map.Clear();
    ASSERT_EQ(map.Bind('N', LoadVolume("ntfs").image), "");
    const Drive drive = OpenDrive("N:");
    g_interrupted = false;
    const ScanOutcome whole = RunScan(drive, false);
    ASSERT_FALSE(whole.Failed());
    EXPECT_FALSE(whole.cancelled);

    g_interrupted = true; // the first progress report answers "stop"
    const ScanOutcome cut = RunScan(drive, false);
    g_interrupted = false;
    EXPECT_TRUE(cut.cancelled);
    EXPECT_LT(cut.rows, whole.rows);
    map.Clear();
}

} // namespace
