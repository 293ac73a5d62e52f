// One table of recovery cases, run through the recovery job (the interface both front ends use)
// against both writers, on real FAT32 and NTFS volumes: what is written, what every file's
// outcome is, and what the counts say.
#include "jobs/RecoveryJob.h"
#include "engine/volume/EntryPoints.h"
#include "engine/volume/FolderDepth.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/SqlText.h"
#include "tests/support/FaultVolumes.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

using namespace tessaly::test;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> FilesBelow(const std::string& folder) {
    std::set<std::string> files;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec))
        if (e.is_regular_file()) files.insert(fs::relative(e.path(), folder).string());
    return files;
}

// Records what the job shows and reports. Its Cancel is confirmed once a file has this many
// bytes written, or once this many files are done (between two files).
class Recorder : public ProgressSink, public RecoveryReport {
public:
    // ProgressSink.
    void Start(uint32_t) override { ++starts; }
    void SetMode(int m) override { mode = m; }
    void Show() override {}
    void Step() override {}
    void SetStatus(const std::u16string& text) override {
        statuses.push_back(platform::Utf16ToUtf8(text));
    }
    void Close() override { ++closes; }
    bool Cancelled() const override { return cancelled; }
    void SetFileCount(uint32_t files) override { fileCounts.push_back(files); }
    void BeginFile(const std::u16string& status, uint64_t) override {
        ++filesBegun;
        SetStatus(status);
    }
    void SetFileBytes(uint64_t written) override {
        if (cancelAfter != 0 && written >= cancelAfter) cancelled = true;
    }

    // RecoveryReport.
    void OnFileStart(const std::u16string& path, uint32_t index, uint32_t total) override {
        before.push_back(platform::Utf16ToUtf8(path));
        indexes.emplace_back(index, total);
    }
    void OnFileDone(const FileReport& report) override {
        reports[platform::Utf16ToUtf8(report.path)] = report;
        heard.push_back(report);
        if (stopAfterFiles != 0 && heard.size() >= stopAfterFiles) cancelled = true;
    }
    void OnItemDone(bool complete) override { itemsDone.push_back(complete); }
    bool AskOverwrite(const std::u16string& path) override {
        asked.push_back(platform::Utf16ToUtf8(path));
        return overwrite;
    }

    uint64_t cancelAfter = 0;
    size_t stopAfterFiles = 0;
    bool cancelled = false;
    bool overwrite = false; // the answer to the existing-item question
    std::vector<std::string> asked;
    int starts = 0, closes = 0, mode = 0;
    size_t filesBegun = 0;
    std::vector<std::string> statuses;
    std::vector<uint32_t> fileCounts;
    std::vector<std::string> before;
    std::vector<std::pair<uint32_t, uint32_t>> indexes; // file number, files of the item
    std::map<std::string, FileReport> reports;
    std::vector<FileReport> heard; // in the order they came
    std::vector<bool> itemsDone;
};

// A volume scanned into a drive letter, with the record of every row by its path.
struct Scanned {
    char letter = 0;
    bool ntfs = false;
    std::multimap<std::string, uint64_t> records; // "Docs/readme.txt" -> record

    uint64_t Record(const std::string& path) const {
        auto it = records.find(path);
        EXPECT_NE(it, records.end()) << path;
        return it == records.end() ? 0 : it->second;
    }
};

Scanned Scan(char letter, const std::string& image, bool ntfs) {
    Scanned s;
    s.letter = letter;
    s.ntfs = ntfs;
    EXPECT_EQ(platform::DriveMap::Instance().Bind(letter, image), "");
    bool ok = false;
    if (ntfs) {
        ok = ScanNtfsDrive(
            letter, [](uint32_t, uint32_t, uint32_t, void*) {},
            [](uint32_t, uint32_t, void*) { return true; }, [](void*) {}, nullptr, false);
    } else {
        ok = QuickScanFatDrive(
            letter, [](const char16_t*, void*) { return true; }, nullptr);
    }
    EXPECT_TRUE(ok);
    DataBase store(letter);
    const uint64_t root = ntfs ? 5 : 2;
    CppSQLite3Table table =
        store.Db().table(SqlFormat("select fn,id,pid,record,isDir from %c", letter));
    std::map<uint64_t, std::pair<std::string, uint64_t>> folders; // id -> name, pid
    struct Row {
        std::string name;
        uint64_t pid, record;
    };
    std::vector<Row> rows;
    for (int i = 0; i < table.numRows(); ++i) {
        table.setRow(i);
        const std::string name = table.getStringField(0, "");
        const auto id = static_cast<uint64_t>(table.getInt64Field(1));
        const auto pid = static_cast<uint64_t>(table.getInt64Field(2));
        if (table.getIntField(4) != 0) folders.emplace(id, std::make_pair(name, pid));
        rows.push_back({name, pid, static_cast<uint64_t>(table.getInt64Field(3))});
    }
    for (const Row& row : rows) {
        std::string path = row.name;
        uint64_t parent = row.pid;
        for (int depth = 0; parent != root && depth < 64; ++depth) {
            auto it = folders.find(parent);
            if (it == folders.end()) break;
            path = it->second.first + "/" + path;
            parent = it->second.second;
        }
        s.records.emplace(path, row.record);
    }
    return s;
}

// What a case is given.
struct Case {
    std::string fs;
    Scanned standard; // the round-1 volume of the file system
    Scanned faults;   // the volume with same-named rows, long names and a deep nest
    const TestVolume* volume = nullptr;
    std::string out; // an empty destination root
    bool Fat() const { return fs == "fat32"; }
};

struct RecoveryCase {
    const char* name;
    std::function<void(Case&)> run;
};

// Runs a job over the chosen rows into out; the recorder and the outcome are handed back.
struct Run {
    Recorder recorder;
    RecoveryJobOutcome outcome;
    // The job's only item was written whole.
    bool Complete() const { return outcome.counts.itemsComplete == 1; }
};

std::unique_ptr<Run> RecoverAll(const Scanned& s, std::vector<RecoveryChoice> choices,
                                const std::string& out,
                                ExistingChoice existing = ExistingChoice::kOverwrite,
                                const std::function<void(Recorder&)>& prepare = {}) {
    auto run = std::make_unique<Run>();
    if (prepare) prepare(run->recorder);
    RecoveryJob job(s.letter, s.ntfs, out, std::move(choices), existing);
    run->outcome = job.Run(run->recorder, run->recorder);
    return run;
}

std::unique_ptr<Run> RecoverOne(const Scanned& s, uint64_t record, const std::string& out,
                                ExistingChoice existing = ExistingChoice::kOverwrite) {
    return RecoverAll(s, {{record, {}}}, out, existing);
}

// Files of the manifest below a folder ("Docs"), recoverable byte for byte.
std::vector<const ManifestEntry*> FilesOf(const TestVolume& v, const std::string& folder) {
    std::vector<const ManifestEntry*> files;
    for (const auto& e : v.entries)
        if (!e.isDir && !e.deleted && e.path.rfind(folder + "/", 0) == 0) files.push_back(&e);
    return files;
}

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

private:
    rlimit old_{};
};

// Recovers the rows at these paths of the round-1 volume into c.out as one job.
std::unique_ptr<Run> RecoverPaths(Case& c, const std::vector<std::string>& paths,
                                  const std::function<void(Recorder&)>& prepare = {}) {
    std::vector<RecoveryChoice> choices;
    for (const std::string& path : paths)
        choices.push_back({c.standard.Record(path), {}});
    return RecoverAll(c.standard, std::move(choices), c.out, ExistingChoice::kOverwrite, prepare);
}

// How a job of several items ended.
struct JobEnd {
    bool cancelled;
    uint32_t filesCancelled, filesFailed, itemsRecovered, itemsComplete;
};

void ExpectJobEnd(const RecoveryCounts& n, const JobEnd& end) {
    EXPECT_EQ(n.cancelled, end.cancelled);
    EXPECT_EQ(n.filesCancelled, end.filesCancelled);
    EXPECT_EQ(n.filesFailed, end.filesFailed);
    EXPECT_EQ(n.itemsRecovered, end.itemsRecovered);
    EXPECT_EQ(n.itemsComplete, end.itemsComplete);
}

const std::vector<RecoveryCase>& Cases() {
    static const std::vector<RecoveryCase> cases = {
        {"FileIsWrittenWithItsTimes",
         [](Case& c) {
             auto run = RecoverOne(c.standard, c.standard.Record("Docs/readme.txt"), c.out);
             EXPECT_TRUE(run->Complete());
             const ManifestEntry* e = c.volume->Find("Docs/readme.txt");
             EXPECT_EQ(Md5OfFile(c.out + "/readme.txt"), e->md5);
             struct stat st {};
             ASSERT_EQ(::stat((c.out + "/readme.txt").c_str(), &st), 0);
             EXPECT_EQ(st.st_mtime, e->mtime);
             const RecoveryCounts& n = run->outcome.counts;
             EXPECT_EQ(n.filesWritten, 1u);
             EXPECT_EQ(n.itemsComplete, 1u);
             EXPECT_EQ(run->recorder.reports.at(c.out + "/readme.txt").outcome,
                       RecoveryOutcome::kWritten);
         }},
        {"FolderIsWrittenWholeAndEveryFileReported",
         [](Case& c) {
             auto run = RecoverOne(c.standard, c.standard.Record("Docs"), c.out);
             EXPECT_TRUE(run->Complete());
             const auto files = FilesOf(*c.volume, "Docs");
             for (const ManifestEntry* e : files)
                 EXPECT_EQ(Md5OfFile(c.out + "/" + e->path), e->md5) << e->path;
             EXPECT_EQ(run->outcome.counts.filesWritten, files.size());
             EXPECT_EQ(run->recorder.reports.size(), files.size());
             EXPECT_EQ(run->outcome.counts.filesFailed, 0u);
         }},
        {"RefusedWriteFailsItsFileAndTheWalkGoesOn",
         [](Case& c) {
             std::unique_ptr<Run> run;
             {
                 FileSizeLimit limit(64 * 1024);
                 run = RecoverOne(c.standard, c.standard.Record("Data"), c.out);
             }
             EXPECT_FALSE(run->Complete());
             EXPECT_FALSE(g_engineCancel);
             const RecoveryCounts& n = run->outcome.counts;
             EXPECT_EQ(n.filesFailed, 2u); // big-1MiB.bin and fragmented.bin
             EXPECT_FALSE(n.cancelled);
             const FileReport& big = run->recorder.reports.at(c.out + "/Data/big-1MiB.bin");
             EXPECT_EQ(big.outcome, RecoveryOutcome::kWriteError);
             EXPECT_EQ(big.systemError, EFBIG);
             EXPECT_EQ(DescribeReason(big.reason, big.systemError), "File too large");
             EXPECT_FALSE(fs::exists(c.out + "/Data/big-1MiB.bin"));
             EXPECT_FALSE(fs::exists(c.out + "/Data/Fragmented/fragmented.bin"));
             // Files after the failed ones, deeper and shallower, were written.
             EXPECT_EQ(Md5OfFile(c.out + "/Data/resident.bin"),
                       c.volume->Find("Data/resident.bin")->md5);
             const std::string gap =
                 std::string("Data/Fragmented/Fill/") + (c.Fat() ? "gap0.bin" : "gap00.bin");
             ASSERT_NE(c.volume->Find(gap), nullptr);
             EXPECT_EQ(Md5OfFile(c.out + "/" + gap), c.volume->Find(gap)->md5);
             EXPECT_EQ(run->outcome.failures.size(), 2u);
         }},
        {"CancelKeepsTheItemsBeforeAndLeavesNoPartialFile",
         [](Case& c) {
             const auto run = RecoverPaths(c, {"tiny.txt", "Data/big-1MiB.bin"},
                                           [](Recorder& r) { r.cancelAfter = 64 * 1024; });
             ExpectJobEnd(run->outcome.counts, {true, 1, 0, 2, 1});
             EXPECT_FALSE(fs::exists(c.out + "/big-1MiB.bin"));
             EXPECT_EQ(Slurp(c.out + "/tiny.txt"), "Hello"); // written before the cancel
             EXPECT_EQ(FilesBelow(c.out).size(), 1u);
             EXPECT_EQ(run->recorder.itemsDone, (std::vector<bool>{true, false}));
         }},
        {"RefusedWriteIsAFailedFileNotACancelSoTheJobGoesOn",
         [](Case& c) {
             std::unique_ptr<Run> run;
             {
                 // The destination takes no file past 64 KiB, as a nearly full disk would.
                 FileSizeLimit limit(64 * 1024);
                 run = RecoverPaths(c, {"Data/big-1MiB.bin", "tiny.txt"});
             }
             EXPECT_FALSE(g_engineCancel);
             EXPECT_FALSE(run->outcome.Cancelled());
             ExpectJobEnd(run->outcome.counts, {false, 0, 1, 2, 1});
             const FileReport& big = run->recorder.reports.at(c.out + "/big-1MiB.bin");
             EXPECT_EQ(big.outcome, RecoveryOutcome::kWriteError);
             EXPECT_EQ(big.systemError, EFBIG);
             EXPECT_FALSE(fs::exists(c.out + "/big-1MiB.bin"));
             EXPECT_EQ(Slurp(c.out + "/tiny.txt"), "Hello");
         }},
        {"UserCancelWhileWritingEndsTheJob",
         [](Case& c) {
             const auto run = RecoverPaths(c, {"Data/big-1MiB.bin", "tiny.txt"},
                                           [](Recorder& r) { r.cancelAfter = 64 * 1024; });
             EXPECT_TRUE(g_engineCancel);
             EXPECT_TRUE(run->outcome.Cancelled());
             ExpectJobEnd(run->outcome.counts, {true, 1, 0, 1, 0}); // the next item never started
             EXPECT_EQ(run->recorder.reports.at(c.out + "/big-1MiB.bin").outcome,
                       RecoveryOutcome::kCancelled);
             EXPECT_TRUE(FilesBelow(c.out).empty());
             EXPECT_EQ(run->recorder.itemsDone, std::vector<bool>{false});
             EXPECT_EQ(run->recorder.closes, 1); // the progress display was closed all the same
         }},
        {"UserCancelBetweenFilesEndsTheJob",
         [](Case& c) {
             const auto run =
                 RecoverPaths(c, {"Docs", "tiny.txt"}, [](Recorder& r) { r.stopAfterFiles = 1; });
             EXPECT_TRUE(g_engineCancel);
             const RecoveryCounts& n = run->outcome.counts;
             EXPECT_TRUE(n.cancelled);
             EXPECT_EQ(n.filesWritten, 1u);
             EXPECT_EQ(n.filesCancelled, 1u);
             EXPECT_EQ(n.filesFailed, 0u);
             EXPECT_EQ(n.itemsRecovered, 1u);
             EXPECT_EQ(FilesBelow(c.out).size(), 1u);
             EXPECT_FALSE(fs::exists(c.out + "/tiny.txt"));
         }},
        {"SkippedExistingFileIsKeptAndNotAFailure",
         [](Case& c) {
             std::ofstream(c.out + "/readme.txt") << "the user's file";
             auto run = RecoverOne(c.standard, c.standard.Record("Docs/readme.txt"), c.out,
                                   ExistingChoice::kSkip);
             EXPECT_FALSE(run->Complete());
             EXPECT_EQ(Slurp(c.out + "/readme.txt"), "the user's file");
             const RecoveryCounts& n = run->outcome.counts;
             EXPECT_EQ(n.filesSkipped, 1u);
             EXPECT_FALSE(n.AnyFailed());
             EXPECT_EQ(run->recorder.reports.at(c.out + "/readme.txt").reason,
                       RecoveryReason::kKeptExisting);
         }},
        {"LinkWhereAFolderGoesFailsTheFolderAndItsFiles",
         [](Case& c) {
             const std::string elsewhere = c.out + "-elsewhere";
             fs::create_directories(elsewhere);
             fs::create_directory_symlink(elsewhere, c.out + "/Docs");
             auto run = RecoverOne(c.standard, c.standard.Record("Docs"), c.out);
             EXPECT_FALSE(run->Complete());
             EXPECT_TRUE(fs::is_empty(elsewhere));
             const RecoveryCounts& n = run->outcome.counts;
             EXPECT_EQ(n.foldersFailed, 1u);
             EXPECT_EQ(n.filesFailed, FilesOf(*c.volume, "Docs").size());
             const FileReport& folder = run->recorder.reports.at(c.out + "/Docs");
             EXPECT_TRUE(folder.isFolder);
             EXPECT_EQ(folder.reason, RecoveryReason::kLinkInTheWay);
             EXPECT_TRUE(run->recorder.before.empty()); // nothing was attempted
             // Below a chosen root, an item's own destination is entered the same way.
             const auto below = RecoverAll(
                 c.standard, {{c.standard.Record("Docs/readme.txt"), u"Docs/Sub"}}, c.out);
             EXPECT_FALSE(below->Complete());
             EXPECT_EQ(below->outcome.counts.filesFailed, 1u);
             EXPECT_TRUE(fs::is_empty(elsewhere));
         }},
        {"SameNamedRowsBothComeBackLiveKeepsThePlainName",
         [](Case& c) {
             auto run = RecoverOne(c.faults, c.faults.Record("Docs"), c.out);
             EXPECT_TRUE(run->Complete());
             EXPECT_EQ(Slurp(c.out + "/Docs/Quarterly report.txt").substr(0, 6), "second");
             EXPECT_EQ(Slurp(c.out + "/Docs/Quarterly report (2).txt").substr(0, 5), "first");
             EXPECT_EQ(run->outcome.counts.filesWritten, 3u);
         }},
        {"RepeatedFolderRowsAreWrittenOnce",
         [](Case& c) {
             DataBase store(c.faults.letter);
             // Every folder of the nest listed twice more: 3^10 paths to the leaf.
             for (int copy = 0; copy < 2; ++copy)
                 store.Db().execute(
                     SqlFormat("insert into %c select * from %c where isDir<>0 and fn like 'L%%'",
                               c.faults.letter, c.faults.letter));
             auto run = RecoverOne(c.faults, c.faults.Record("Nest"), c.out);
             EXPECT_TRUE(run->Complete());
             EXPECT_EQ(run->recorder.before.size(), 1u);
             EXPECT_EQ(run->outcome.counts.filesWritten, 1u);
             EXPECT_EQ(FilesBelow(c.out).size(), 1u);
         }},
        {"OverlongNamesAreShortenedAndStayDistinct",
         [](Case& c) {
             auto run = RecoverOne(c.faults, c.faults.Record("Long"), c.out);
             EXPECT_TRUE(run->Complete());
             const auto files = FilesBelow(c.out + "/Long");
             ASSERT_EQ(files.size(), 2u);
             std::set<std::string> texts;
             for (const auto& name : files) {
                 EXPECT_LE(name.size(), 255u);
                 EXPECT_EQ(name.substr(name.size() - 4), ".txt");
                 texts.insert(Slurp(c.out + "/Long/" + name));
             }
             EXPECT_EQ(texts, (std::set<std::string>{LongText('A'), LongText('B')}));
         }},
        {"FoldersTooDeepFailWithEveryFileBelow",
         [](Case& c) {
             // A damaged table: more folders than the walk follows, each inside the one
             // before.
             DataBase store(c.faults.letter);
             const long long top = 1000000;
             const long long levels = kMaxFolderDepth + 16;
             const char l = c.faults.letter;
             const char* insert = "insert into %c(fn,size,attributes,id,pid,isDeleted,isDir,"
                                  "record,firSector) values('%s',%d,%d,%lld,%lld,0,%d,%lld,0)";
             for (long long i = 0; i < levels; ++i) {
                 // Appended, not "D" + a temporary, which makes GCC 12 at -O3 warn of an
                 // overlapping copy that cannot happen (-Wrestrict, a known false alarm).
                 std::string name = "D";
                 name += std::to_string(i);
                 store.Db().execute(SqlFormat(insert, l, name.c_str(), 0, 0x10, top + i,
                                              i == 0 ? (c.Fat() ? 2LL : 5LL) : top + i - 1, 1,
                                              top + i));
             }
             store.Db().execute(SqlFormat(insert, l, "bottom.txt", 10, 0x20, top + levels + 100,
                                          top + levels - 1, 0, top + levels + 100));
             auto run = RecoverOne(c.faults, top, c.out);
             EXPECT_FALSE(run->Complete());
             const RecoveryCounts& n = run->outcome.counts;
             EXPECT_EQ(n.foldersFailed, 1u);
             EXPECT_EQ(n.filesFailed, 1u);
             bool tooDeep = false;
             for (const auto& [path, report] : run->recorder.reports)
                 tooDeep |= report.reason == RecoveryReason::kTooDeep && path.size() > 4 &&
                            path.substr(path.size() - 10) == "bottom.txt";
             EXPECT_TRUE(tooDeep);
         }},
        {"FolderWrittenEarlierInTheJobIsNotWrittenAgain",
         [](Case& c) {
             const auto run = RecoverPaths(c, {"Docs", "Docs/Reports"});
             EXPECT_EQ(run->recorder.itemsDone, (std::vector<bool>{true, true}));
             EXPECT_FALSE(fs::exists(c.out + "/Reports"));
             const RecoveryCounts& n = run->outcome.counts;
             EXPECT_EQ(n.filesAlreadyRecovered, FilesOf(*c.volume, "Docs/Reports").size());
             EXPECT_EQ(n.filesWritten, FilesOf(*c.volume, "Docs").size());
             EXPECT_EQ(n.itemsComplete, 2u);
         }},
        {"OutcomeCountsWhatTheReportHeard",
         [](Case& c) {
             std::unique_ptr<Run> run;
             {
                 FileSizeLimit limit(64 * 1024); // the files past 64 KiB fail
                 run = RecoverPaths(c, {"Data", "Docs", "tiny.txt"});
             }
             const RecoveryJobOutcome& o = run->outcome;
             const Recorder& r = run->recorder;
             EXPECT_TRUE(o.rootOpened);
             EXPECT_EQ(o.items, 3u);
             RecoveryCounts heard;
             size_t failed = 0;
             for (const FileReport& f : r.heard) {
                 switch (f.outcome) {
                 case RecoveryOutcome::kWritten:
                     ++heard.filesWritten;
                     break;
                 case RecoveryOutcome::kSkipped:
                     ++heard.filesSkipped;
                     break;
                 case RecoveryOutcome::kReadError:
                 case RecoveryOutcome::kWriteError:
                     ++(f.isFolder ? heard.foldersFailed : heard.filesFailed);
                     ++failed;
                     break;
                 case RecoveryOutcome::kCancelled:
                     ++heard.filesCancelled;
                     break;
                 }
             }
             EXPECT_EQ(o.counts.filesWritten, heard.filesWritten);
             EXPECT_EQ(o.counts.filesSkipped + o.counts.filesAlreadyRecovered, heard.filesSkipped);
             EXPECT_EQ(o.counts.filesFailed, heard.filesFailed);
             EXPECT_GE(o.counts.filesFailed, 2u); // Data's big-1MiB.bin and fragmented.bin
             EXPECT_EQ(o.counts.foldersFailed, heard.foldersFailed);
             EXPECT_EQ(o.counts.filesCancelled, 0u);
             EXPECT_EQ(o.failures.size(), failed);
             // Every chosen row was run and reported as one item.
             EXPECT_EQ(o.counts.itemsRecovered, 3u);
             EXPECT_EQ(r.itemsDone.size(), 3u);
             EXPECT_EQ(
                 static_cast<uint32_t>(std::count(r.itemsDone.begin(), r.itemsDone.end(), true)),
                 o.counts.itemsComplete);
             EXPECT_FALSE(r.itemsDone.front()); // Data
             EXPECT_TRUE(r.itemsDone.back());   // tiny.txt
             EXPECT_FALSE(o.Cancelled());
             // The display and the report saw the same files: one status and one counter step
             // each, the counter starting again at every item and never past its total.
             EXPECT_EQ(r.starts, 1);
             EXPECT_EQ(r.closes, 1);
             EXPECT_EQ(r.mode, kProgressRecovery);
             EXPECT_EQ(r.filesBegun, r.before.size());
             EXPECT_EQ(r.statuses.size(), r.before.size());
             EXPECT_EQ(r.fileCounts.size(), 3u);
             size_t item = 0;
             for (size_t i = 0; i < r.indexes.size(); ++i) {
                 const auto [index, total] = r.indexes[i];
                 if (index == 1 && i != 0) ++item;
                 ASSERT_LT(item, r.fileCounts.size());
                 EXPECT_EQ(total, r.fileCounts[item]);
                 EXPECT_LE(index, total);
                 EXPECT_EQ(index, i == 0 ? 1u : (index == 1 ? 1u : r.indexes[i - 1].first + 1));
             }
             EXPECT_EQ(item, 2u);
             for (const FileReport& f : r.heard)
                 if (f.outcome == RecoveryOutcome::kWritten && !f.isFolder) {
                     const std::string path = platform::Utf16ToUtf8(f.path);
                     EXPECT_NE(std::find(r.before.begin(), r.before.end(), path), r.before.end())
                         << path;
                 }
             EXPECT_NE(r.statuses.back().find("tiny.txt"), std::string::npos) << r.statuses.back();
         }},
        {"DestinationThatCannotBeOpenedIsAnOutcome",
         [](Case& c) {
             std::ofstream(c.out + "/a-file") << "not a folder";
             for (const auto& [destination, error] :
                  {std::make_pair(c.out + "/missing/deeper", ENOENT),
                   std::make_pair(c.out + "/a-file", ENOTDIR)}) {
                 SCOPED_TRACE(destination);
                 std::vector<RecoveryChoice> choices = {{c.standard.Record("Docs"), {}},
                                                        {c.standard.Record("tiny.txt"), {}}};
                 Recorder recorder;
                 RecoveryJob job(c.standard.letter, c.standard.ntfs, destination,
                                 std::move(choices), ExistingChoice::kOverwrite);
                 const RecoveryJobOutcome o = job.Run(recorder, recorder);
                 EXPECT_FALSE(o.rootOpened);
                 EXPECT_EQ(o.rootError, error);
                 EXPECT_FALSE(o.Cancelled());
                 EXPECT_FALSE(g_engineCancel);
                 EXPECT_EQ(o.counts.filesWritten, 0u);
                 EXPECT_EQ(o.counts.itemsRecovered, 2u);
                 EXPECT_EQ(o.counts.itemsComplete, 0u);
                 EXPECT_EQ(o.counts.foldersFailed, 1u); // Docs
                 EXPECT_GE(o.counts.filesFailed, 1u);   // tiny.txt
                 EXPECT_EQ(o.failures.size(), recorder.heard.size());
                 for (const FileReport& f : recorder.heard) {
                     EXPECT_TRUE(f.Failed());
                     EXPECT_EQ(f.systemError, error);
                 }
                 EXPECT_TRUE(recorder.before.empty()); // no file was begun
             }
             EXPECT_FALSE(fs::exists(c.out + "/missing"));
             EXPECT_EQ(Slurp(c.out + "/a-file"), "not a folder");
         }},
        {"ExistingItemQuestionGoesToTheReport",
         [](Case& c) {
             const std::string file = c.out + "/readme.txt";
             std::ofstream(file) << "the user's file";
             const uint64_t record = c.standard.Record("Docs/readme.txt");
             auto kept = RecoverAll(c.standard, {{record, {}}}, c.out, ExistingChoice::kPrompt);
             EXPECT_EQ(kept->recorder.asked, std::vector<std::string>{file});
             EXPECT_EQ(Slurp(file), "the user's file");
             EXPECT_EQ(kept->outcome.counts.filesSkipped, 1u);
             auto replaced = RecoverAll(c.standard, {{record, {}}}, c.out, ExistingChoice::kPrompt,
                                        [](Recorder& r) { r.overwrite = true; });
             EXPECT_EQ(replaced->recorder.asked, std::vector<std::string>{file});
             EXPECT_EQ(Md5OfFile(file), c.volume->Find("Docs/readme.txt")->md5);
             EXPECT_EQ(replaced->outcome.counts.filesWritten, 1u);
             // Without the prompt nobody is asked.
             auto quiet = RecoverAll(c.standard, {{record, {}}}, c.out, ExistingChoice::kSkip);
             EXPECT_TRUE(quiet->recorder.asked.empty());
         }},
    };
    return cases;
}

class RecoveryCases : public ::testing::TestWithParam<std::tuple<std::string, RecoveryCase>> {};

TEST_P(RecoveryCases, Run) {
    const auto& [fsName, recoveryCase] = GetParam();
    const bool ntfs = fsName == "ntfs";
    const FaultVolume& faults = GetFaultVolume(fsName);
    ASSERT_TRUE(faults.why.empty()) << faults.why;
    Case c;
    c.fs = fsName;
    c.volume = &LoadVolume(fsName);
    c.standard = Scan('S', c.volume->image, ntfs);
    c.faults = Scan('T', faults.image, ntfs);
    TempDir dir;
    c.out = dir.File("out");
    fs::create_directories(c.out);
    g_engineCancel = false;
    recoveryCase.run(c);
    g_engineCancel = false;
}

INSTANTIATE_TEST_SUITE_P(
    BothWriters, RecoveryCases,
    ::testing::Combine(::testing::Values("fat32", "ntfs"), ::testing::ValuesIn(Cases())),
    [](const ::testing::TestParamInfo<std::tuple<std::string, RecoveryCase>>& param) {
        return std::get<0>(param.param) + "_" + std::get<1>(param.param).name;
    });

TEST(CheckDestination, Verdicts) {
    TempDir dir;
    const std::string image = dir.File("source.img");
    std::ofstream(image) << std::string(4096, '\0');
    EXPECT_EQ(CheckDestination(dir.path(), image).verdict, DestinationVerdict::kOk);
    EXPECT_EQ(CheckDestination(dir.File("new/deeper"), image).verdict,
              DestinationVerdict::kMissing);
    const DestinationCheck file = CheckDestination(image, image);
    EXPECT_EQ(file.verdict, DestinationVerdict::kInvalid);
    EXPECT_FALSE(file.message.empty());
    const DestinationCheck below = CheckDestination(image + "/below", image);
    EXPECT_EQ(below.verdict, DestinationVerdict::kInvalid);
    EXPECT_NE(below.message.find("Not a directory"), std::string::npos) << below.message;
    EXPECT_EQ(CheckDestination("", image).verdict, DestinationVerdict::kInvalid);
}

} // namespace
