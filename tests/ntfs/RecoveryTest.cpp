// NTFS recovery from the real test volume: every file of the manifest, deleted ones included,
// must come back byte for byte; folders come back whole.
#include "engine/ntfs/NTFSFileRecovery.h"
#include "engine/volume/EntryPoints.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace tessaly::test {
namespace {

struct Calls {
    int before = 0;
    int done = 0;
    int exists = 0;
    int answer = 0;
    uint64_t lastSize = 0;
    std::vector<RecoveryOutcome> outcomes;
    std::vector<int> errors;
};

bool Before(const char16_t*, const char16_t*, uint32_t low, uint32_t high, void* user) {
    auto* c = static_cast<Calls*>(user);
    ++c->before;
    c->lastSize = (static_cast<uint64_t>(high) << 32) | low;
    return true;
}
bool Progress(uint32_t, uint32_t, void*) {
    return true;
}
void Done(const RecoveredFile* file, void* user) {
    auto* c = static_cast<Calls*>(user);
    ++c->done;
    c->outcomes.push_back(file->outcome);
    c->errors.push_back(file->systemError);
}
void Exists(const char16_t*, uint32_t, int* answer, void* user) {
    auto* c = static_cast<Calls*>(user);
    ++c->exists;
    *answer = c->answer;
}

bool RecoverRow(char letter, uint64_t record, const std::string& destination, Calls& calls) {
    g_engineCancel = false; // as the recover entry point does
    NTFSFileRecovery writer;
    return writer.Recover(letter, record, platform::Utf8ToUtf16(destination).c_str(), Before,
                          Progress, Done, Exists, &calls);
}

// MD5 of what sleuthkit's icat reads for an MFT record (-r: recovery mode for deleted files).
std::string IcatMd5(const std::string& image, uint64_t id, bool deleted) {
    const std::string command = std::string("icat ") + (deleted ? "-r " : "") + "'" + image + "' " +
                                std::to_string(id) + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "";
    std::string bytes;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        bytes.append(buf, n);
    pclose(pipe);
    return Md5OfBytes(bytes.data(), bytes.size());
}

class NtfsRecovery : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ScanLog log;
        ASSERT_TRUE(ScanImage('R', LoadVolume("ntfs").image, false, log));
        rows_ = ReadTable('R');
    }
    static const StoredRow* Row(const std::string& path) {
        for (const auto& r : rows_)
            if (RelativePath(r) == path) return &r;
        return nullptr;
    }
    static inline std::vector<StoredRow> rows_;
};

TEST_F(NtfsRecovery, EveryManifestFileComesBackByteForByte) {
    const TestVolume& v = LoadVolume("ntfs");
    TempDir out;
    int checked = 0;
    for (const ManifestEntry& e : v.entries) {
        if (e.isDir || e.HasFlag("hardlinks")) continue;
        SCOPED_TRACE(e.path);
        const StoredRow* row = Row(e.path);
        ASSERT_NE(row, nullptr);
        const std::string dest = out.File(std::to_string(row->record));
        std::filesystem::create_directory(dest);
        Calls calls;
        ASSERT_TRUE(RecoverRow('R', row->record, dest, calls));
        const std::string file = dest + "/" + row->name;
        struct stat st {};
        ASSERT_EQ(stat(file.c_str(), &st), 0); // before reading it moves the access time
        EXPECT_EQ(st.st_mtim.tv_sec, e.mtime);
        EXPECT_EQ(platform::UnixToFileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec), row->accessed);
        EXPECT_EQ(Md5OfFile(file), e.md5);
        EXPECT_EQ(Md5OfFile(file), IcatMd5(v.image, row->id, e.deleted));
        EXPECT_EQ(std::filesystem::file_size(file), e.size);
        EXPECT_EQ(calls.before, 1);
        EXPECT_EQ(calls.done, 1);
        EXPECT_EQ(calls.lastSize, e.size); // the real size, also for compressed files
        ++checked;
    }
    EXPECT_GT(checked, 30);
}

TEST_F(NtfsRecovery, HardLinkedFileThroughItsAttributeList) {
    const TestVolume& v = LoadVolume("ntfs");
    const ManifestEntry* linked = v.Find("HardLinks/linked.bin");
    ASSERT_NE(linked, nullptr);
    const StoredRow* row = nullptr;
    for (const auto& r : rows_)
        if (r.name.rfind("another name for linked file", 0) == 0) row = &r;
    ASSERT_NE(row, nullptr);
    TempDir out;
    Calls calls;
    ASSERT_TRUE(RecoverRow('R', row->record, out.path(), calls));
    EXPECT_EQ(Md5OfFile(out.File(row->name)), linked->md5);
}

TEST_F(NtfsRecovery, FolderComesBackWithItsWholeSubtree) {
    const TestVolume& v = LoadVolume("ntfs");
    for (const char* folder : {"Docs", "OldProject"}) {
        SCOPED_TRACE(folder);
        const StoredRow* row = Row(folder);
        ASSERT_NE(row, nullptr);
        TempDir out;
        Calls calls;
        ASSERT_TRUE(RecoverRow('R', row->record, out.path(), calls));
        int files = 0;
        for (const ManifestEntry& e : v.entries) {
            if (e.path.rfind(std::string(folder) + "/", 0) != 0) continue;
            const std::string path = out.File(e.path);
            if (e.isDir) {
                EXPECT_TRUE(std::filesystem::is_directory(path)) << e.path;
            } else {
                EXPECT_EQ(Md5OfFile(path), e.md5) << e.path;
                ++files;
            }
        }
        EXPECT_EQ(calls.done, files);
    }
}

TEST_F(NtfsRecovery, ExistingFileIsKeptOnAnswerOneAndOverwrittenOtherwise) {
    const StoredRow* row = Row("tiny.txt");
    ASSERT_NE(row, nullptr);
    TempDir out;
    std::ofstream(out.File("tiny.txt")) << "old content";
    Calls keep;
    keep.answer = 1;
    EXPECT_FALSE(RecoverRow('R', row->record, out.path(), keep));
    EXPECT_EQ(keep.exists, 1);
    EXPECT_EQ(keep.outcomes, std::vector<RecoveryOutcome>{RecoveryOutcome::kSkipped});
    EXPECT_EQ(std::filesystem::file_size(out.File("tiny.txt")), 11u);
    Calls overwrite;
    overwrite.answer = 0;
    EXPECT_TRUE(RecoverRow('R', row->record, out.path(), overwrite));
    EXPECT_EQ(Md5OfFile(out.File("tiny.txt")), Md5OfBytes("Hello", 5));

    // A folder that exists is reused on 0 and left alone on 1.
    const StoredRow* dates = Row("Dates");
    ASSERT_NE(dates, nullptr);
    std::filesystem::create_directory(out.File("Dates"));
    Calls skipFolder;
    skipFolder.answer = 1;
    EXPECT_FALSE(RecoverRow('R', dates->record, out.path(), skipFolder));
    EXPECT_TRUE(std::filesystem::is_empty(out.File("Dates")));
    Calls reuse;
    EXPECT_TRUE(RecoverRow('R', dates->record, out.path(), reuse));
    EXPECT_EQ(reuse.done, 5);
}

TEST_F(NtfsRecovery, NegativeRecordAndMissingExistsCallbackFail) {
    TempDir out;
    Calls calls;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(RecoverRow('R', UINT64_MAX, out.path(), calls));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    NTFSFileRecovery writer;
    EXPECT_FALSE(writer.Recover('R', Row("tiny.txt")->record, u"/tmp", Before, Progress, Done,
                                nullptr, &calls));
}

TEST_F(NtfsRecovery, UnreadableRecordWritesTheDebugLine) {
    TempDir out;
    Calls calls;
    testing::internal::CaptureStderr();
    // Slot 2 lies in the boot area: no record there.
    EXPECT_FALSE(RecoverRow('R', 2, out.path(), calls));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[Error]:Failed to read FILE at record 0x02.\n");
}

void Count(uint32_t count, void* user) {
    static_cast<Calls*>(user)->lastSize = count;
}

TEST_F(NtfsRecovery, RecoverEntryPointCountsAndWritesAFolder) {
    const TestVolume& v = LoadVolume("ntfs");
    const StoredRow* docs = Row("Docs");
    ASSERT_NE(docs, nullptr);
    uint32_t files = 0;
    for (const ManifestEntry& e : v.entries)
        files += !e.isDir && e.path.rfind("Docs/", 0) == 0;
    TempDir out;
    Calls calls;
    g_engineCancel = true; // cleared by the entry point
    ASSERT_TRUE(RecoverItem('R', true, docs->record, platform::Utf8ToUtf16(out.path()).c_str(),
                            Count, nullptr, nullptr, Done, Exists, &calls));
    EXPECT_EQ(calls.lastSize, files);
    EXPECT_EQ(calls.done, static_cast<int>(files));
    EXPECT_EQ(Md5OfFile(out.File("Docs/Reports/2024/Q1/summary.csv")),
              v.Find("Docs/Reports/2024/Q1/summary.csv")->md5);
}

bool Refuse(uint32_t, uint32_t, void*) {
    return false;
}

TEST_F(NtfsRecovery, CancelStopsTheFolderBeforeItsNextChild) {
    const StoredRow* trash = Row("Trash");
    ASSERT_NE(trash, nullptr);
    TempDir out;
    Calls calls;
    g_engineCancel = false;
    NTFSFileRecovery writer;
    // Resident files are written whatever the progress answer; the first file read from
    // clusters is cancelled, and the folder stops there: it is not recovered whole.
    EXPECT_FALSE(writer.Recover('R', trash->record, platform::Utf8ToUtf16(out.path()).c_str(),
                                Before, Refuse, Done, Exists, &calls));
    EXPECT_TRUE(g_engineCancel);
    const TestVolume& v = LoadVolume("ntfs");
    EXPECT_EQ(Md5OfFile(out.File("Trash/keep.txt")), v.Find("Trash/keep.txt")->md5);
    EXPECT_EQ(Md5OfFile(out.File("Trash/deleted-small.txt")),
              v.Find("Trash/deleted-small.txt")->md5);
    EXPECT_EQ(calls.done, 3); // the cancelled file is reported done, as cancelled
    EXPECT_EQ(calls.outcomes.back(), RecoveryOutcome::kCancelled);
    EXPECT_FALSE(std::filesystem::exists(out.File("Trash/deleted-100k.bin"))); // not left partial
    EXPECT_FALSE(std::filesystem::exists(
        out.File("Trash/This deleted file has a long name that does not fit 8.3.txt")));
    g_engineCancel = false;
}

TEST_F(NtfsRecovery, FailedWriteFailsTheFile) {
    const StoredRow* row = Row("Data/big-1MiB.bin");
    ASSERT_NE(row, nullptr);
    TempDir out;
    Calls calls;
    // A file-size limit makes the destination refuse the bytes past 64 KiB.
    auto old = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 65536;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool ok = RecoverRow('R', row->record, out.path(), calls);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old);
    EXPECT_FALSE(ok);
    EXPECT_EQ(calls.done, 1);
    EXPECT_EQ(calls.outcomes, std::vector<RecoveryOutcome>{RecoveryOutcome::kWriteError});
    EXPECT_EQ(calls.errors, std::vector<int>{EFBIG});
    EXPECT_FALSE(std::filesystem::exists(out.File("big-1MiB.bin")));
    EXPECT_FALSE(g_engineCancel);
}

} // namespace
} // namespace tessaly::test
