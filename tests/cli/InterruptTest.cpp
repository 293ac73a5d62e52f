// Ctrl-C stops a job as the Cancel button would: a scan ends early and its table is committed
// and usable; a recovery ends at once and says so.
#include "cli/Interrupt.h"
#include "cli/Commands.h"
#include "cli/Drive.h"
#include "cli/ScanRunner.h"
#include "platform/DriveMap.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>

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

TEST(CliInterrupt, RecoveryStoppedEndsTheJobAndTheCommandFails) {
    const std::string image = LoadVolume("ntfs").image;
    TempDir dir;
    const std::string saved = dir.File("scan.tessaly");
    ASSERT_EQ(RunCli({"--drive", "N=" + image, "scan", "N:", "--save", saved}).status, 0);
    auto& map = platform::DriveMap::Instance();
    map.Clear();
    ASSERT_EQ(map.Bind('N', image), "");
    GlobalOptions global;
    global.loadFile = saved; // no scan for the Ctrl-C to stop first
    const std::string out = dir.File("out");

    g_interrupted = true; // pressed before the first file
    testing::internal::CaptureStderr();
    const int status = CmdRecover({"N:", "--all", "--to", out}, global);
    const std::string err = testing::internal::GetCapturedStderr();
    g_interrupted = false;
    EXPECT_EQ(status, 1) << err;
    EXPECT_NE(err.find("recovered 0 files to " + out + ": 0 failed; 0 of "), std::string::npos)
        << err;
    EXPECT_NE(err.find(" items complete (interrupted)\n"), std::string::npos) << err;
    EXPECT_TRUE(std::filesystem::is_empty(out));
    map.Clear();
}

} // namespace
