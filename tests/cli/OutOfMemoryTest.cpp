// Running out of memory ends a command with a message and status 2: the scans let
// std::bad_alloc through to the command's handler instead of turning it into a failed scan,
// and the handler words it.
#include "cli/CommandSupport.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <sys/wait.h>

using namespace tessaly::test;

namespace {

TEST(RunGuarded, WordsEachWayACommandEndsEarly) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunGuarded([]() -> int { throw std::bad_alloc(); }), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tessaly-cli: out of memory: the system refused the memory this command needs\n");

    testing::internal::CaptureStderr();
    EXPECT_EQ(RunGuarded([]() -> int { throw CliError{"no such folder"}; }), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "tessaly-cli: no such folder\n");

    testing::internal::CaptureStderr();
    EXPECT_EQ(RunGuarded([]() -> int { throw CppSQLite3Exception(7, "out of memory"); }), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tessaly-cli: database error: SQLITE_NOMEM[7]: out of memory\n");

    EXPECT_EQ(RunGuarded([] { return 1; }), 1);
}

void Start(uint32_t, uint32_t, uint32_t, void*) {}
bool ProgressOutOfMemory(uint32_t, uint32_t, void*) {
    throw std::bad_alloc();
}
void Finish(void*) {}
bool FolderOutOfMemory(const char16_t*, void*) {
    throw std::bad_alloc();
}

// The shared connection is left without a half-done load.
void ExpectStoreUsable(char letter) {
    DataBase store(letter);
    EXPECT_NE(sqlite3_get_autocommit(store.Db().handle()), 0);
    EXPECT_NO_THROW(store.Db().scalar(std::string("select count(*) from ") + letter));
}

TEST(OutOfMemory, ScansLetItThrough) {
    auto& map = platform::DriveMap::Instance();
    ASSERT_EQ(map.Bind('U', LoadVolume("fat32").image), "");
    ASSERT_EQ(map.Bind('V', LoadVolume("ntfs").image), "");
    EXPECT_THROW(QuickScanFatDrive('U', FolderOutOfMemory, nullptr), std::bad_alloc);
    ExpectStoreUsable('U');
    EXPECT_THROW(AdvancedScanFatDrive('U', Start, ProgressOutOfMemory, Finish, nullptr),
                 std::bad_alloc);
    ExpectStoreUsable('U');
    EXPECT_THROW(ScanNtfsDrive('V', Start, ProgressOutOfMemory, Finish, nullptr, false),
                 std::bad_alloc);
    ExpectStoreUsable('V');
    map.Clear();
}

[[maybe_unused]] int RunLimited(const std::string& args, uint64_t limitKb, std::string* err) {
    TempDir io;
    const std::string command = "ulimit -v " + std::to_string(limitKb) + "; XDG_CONFIG_HOME='" +
                                io.File("config") + "' '" + TESSALY_CLI + "' " + args +
                                " >/dev/null 2>'" + io.File("err") + "'";
    const int raw = std::system(command.c_str());
    std::ifstream in(io.File("err"));
    std::stringstream text;
    text << in.rdbuf();
    if (err) *err = text.str();
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

TEST(OutOfMemory, ACommandWithTooLittleMemoryEndsWithAMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit leaves";
#else
    // The least address space in which the program starts at all, to within 1 MiB...
    uint64_t low = 1024, high = 4u << 20;
    if (RunLimited("--help", high, nullptr) != 0) GTEST_SKIP() << "cannot start under a limit";
    while (high - low > 1024) {
        const uint64_t mid = (low + high) / 2;
        (RunLimited("--help", mid, nullptr) == 0 ? high : low) = mid;
    }
    // ...then a complete scan, whose block cache alone needs 16 MiB more.
    std::string err;
    const int status = RunLimited(
        "--drive 'E=" + LoadVolume("ntfs").image + "' scan E: --full --json", high + 4096, &err);
    EXPECT_EQ(status, 2) << err;
    EXPECT_NE(err.find("out of memory"), std::string::npos) << err;
#endif
}

} // namespace
