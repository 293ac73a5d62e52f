#include "engine/fat/FatFileRecovery.h"
#include "engine/volume/EntryPoints.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "store/DataBase.h"
#include "tests/fat/FatTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace tessaly::test;
namespace fs = std::filesystem;

namespace {

constexpr char kLetter = 'S';

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Pattern(uint32_t size, uint8_t seed) {
    std::string s(size, '\0');
    for (uint32_t i = 0; i < size; ++i)
        s[i] = static_cast<char>(seed + i * 7 + (i >> 9));
    return s;
}

// What the recovery callbacks saw.
struct Calls {
    std::vector<std::u16string> before;
    std::vector<std::u16string> exists;
    std::vector<RecoveryOutcome> outcomes;
    std::vector<RecoveryReason> reasons;
    std::vector<int> errors;
    int done = 0;
    int existsAnswer = 0;
    int64_t cancelAfterBytes = -1;
    uint64_t lastProgress = 0;

    static bool Before(const char16_t* path, const char16_t*, uint32_t, uint32_t, void* self) {
        static_cast<Calls*>(self)->before.emplace_back(path);
        return true;
    }
    static bool Progress(uint32_t low, uint32_t high, void* self) {
        auto* c = static_cast<Calls*>(self);
        c->lastProgress = MakeU64(low, high);
        return c->cancelAfterBytes < 0 ||
               c->lastProgress < static_cast<uint64_t>(c->cancelAfterBytes);
    }
    static void Done(const RecoveredFile* file, void* self) {
        auto* c = static_cast<Calls*>(self);
        ++c->done;
        c->outcomes.push_back(file->outcome);
        c->reasons.push_back(file->reason);
        c->errors.push_back(file->systemError);
    }
    static void Exists(const char16_t* path, uint32_t, int* answer, void* self) {
        auto* c = static_cast<Calls*>(self);
        c->exists.emplace_back(path);
        *answer = c->existsAnswer;
    }
};

FatDirEntry Entry(const std::string& shortName, uint8_t attributes, uint32_t cluster, uint32_t size,
                  const std::u16string& longName = {}) {
    FatDirEntry e;
    e.shortName = shortName;
    e.attributes = attributes;
    e.firstCluster = cluster;
    e.size = size;
    e.longName = longName;
    e.date = tessaly::test::DosDate(2023, 5, 17);
    e.time = tessaly::test::DosTime(8, 9, 10);
    return e;
}

// 4096-byte clusters. Root: Documents (10) with A.TXT (chain 100 -> 105 -> 103) and SUB (12)
// with B.TXT; RO.TXT (read-only); ZERO.DAT; a deleted contiguous file; names that are not
// safe as output names; an entry whose long name is empty.
class FatRecoveryTest : public ::testing::Test {
protected:
    FatRecoveryTest() : image(8192, 8) {
        const uint32_t root = image.RootCluster();
        const FatDirEntry docs = Entry("DOCUME~1   ", 0x10, 10, 0, u"Documents");
        const FatDirEntry sub = Entry("SUB        ", 0x10, 12, 0);
        uint32_t i = 0;
        i = image.AddEntry(root, i, docs);
        i = image.AddEntry(root, i, Entry("RO      TXT", 0x21, 120, 50));
        i = image.AddEntry(root, i, Entry("ZERO    DAT", 0x20, 0, 0));
        i = image.AddEntry(root, i,
                           Entry("\xE5"
                                 "EL     BIN",
                                 0x20, 130, 5000));
        i = image.AddEntry(root, i, Entry("DOTDOT  TXT", 0x20, 140, 3, u".."));
        i = image.AddEntry(root, i, Entry("SLASH   TXT", 0x20, 141, 3, u"a/b"));
        i = image.AddEntry(root, i, Entry("NONAME  TXT", 0x20, 0x1A2, 3, std::u16string(1, 0)));
        i = image.AddEntry(root, i, Entry("BIG     BIN", 0x20, 300, 8 * 4096));
        // A deleted file that was fragmented: its second half lay in cluster 160, but with
        // its FAT entries freed nothing says so any more.
        i = image.AddEntry(root, i, Entry("\xE5RAG    BIN", 0x20, 150, 8192));
        image.FillCluster(150, 0x50);
        image.FillCluster(151, 0x51);
        image.FillCluster(160, 0x60);

        image.AddDots(10, docs, 0);
        i = image.AddEntry(10, 2, Entry("A       TXT", 0x20, 100, 10000));
        image.AddEntry(10, i, sub);
        image.AddDots(12, sub, 10);
        image.AddEntry(12, 2, Entry("B       TXT", 0x20, 110, 5));

        image.Chain({100, 105, 103});
        image.Chain({110});
        image.Chain({120});
        const std::string a = Pattern(10000, 1);
        image.bytes().PutBytes(image.ClusterOffset(100), a.data(), 4096);
        image.bytes().PutBytes(image.ClusterOffset(105), a.data() + 4096, 4096);
        image.bytes().PutBytes(image.ClusterOffset(103), a.data() + 8192, 10000 - 8192);
        image.bytes().PutText(image.ClusterOffset(110), "hello");
        image.bytes().PutText(image.ClusterOffset(120), Pattern(50, 3));
        const std::string del = Pattern(5000, 9);
        image.bytes().PutBytes(image.ClusterOffset(130), del.data(), del.size());
        image.bytes().PutText(image.ClusterOffset(140), "dot");
        image.bytes().PutText(image.ClusterOffset(141), "sla");
        image.bytes().PutText(image.ClusterOffset(0x1A2), "hex");
        std::vector<uint32_t> big;
        for (uint32_t c = 300; c < 308; ++c)
            big.push_back(c);
        image.Chain(big);

        BindImage(kLetter, image, dir);
        out = dir.path() + "/out";
        fs::create_directory(out);
        g_engineCancel = false;
        EXPECT_TRUE(QuickScanFatDrive(
            kLetter, [](const char16_t*, void*) { return true; }, nullptr));
        rows = RowsOf(kLetter);
    }

    uint64_t Record(const std::u16string& name) {
        const ScanRow* r = FindRow(rows, name);
        EXPECT_NE(r, nullptr) << platform::Utf16ToUtf8(name);
        return r ? r->record : 0;
    }
    bool Recover(const std::u16string& name, Calls& calls) {
        g_engineCancel = false;
        FatFileRecovery writer;
        const std::u16string dest = platform::Utf8ToUtf16(out);
        return writer.Recover(kLetter, Record(name), dest.c_str(), &Calls::Before, &Calls::Progress,
                              &Calls::Done, &Calls::Exists, &calls);
    }

    TempDir dir;
    FatImage image;
    std::string out;
    std::vector<ScanRow> rows;
};

} // namespace

TEST_F(FatRecoveryTest, LiveFileIsReadAlongItsChain) {
    Calls calls;
    ASSERT_TRUE(Recover(u"A.TXT", calls));
    EXPECT_EQ(Slurp(out + "/A.TXT"), Pattern(10000, 1));
    EXPECT_EQ(calls.before, (std::vector<std::u16string>{platform::Utf8ToUtf16(out + "/A.TXT")}));
    EXPECT_EQ(calls.done, 1);
    EXPECT_EQ(calls.lastProgress, 10000u);
}

TEST_F(FatRecoveryTest, DeletedContiguousFileIsRecovered) {
    Calls calls;
    ASSERT_TRUE(Recover(u"_EL.BIN", calls));
    EXPECT_EQ(Slurp(out + "/_EL.BIN"), Pattern(5000, 9));
}

TEST_F(FatRecoveryTest, DeletedFragmentedFileIsReadContiguously) {
    Calls calls;
    ASSERT_TRUE(Recover(u"_RAG.BIN", calls));
    // Expected difference from the original: the second half comes from cluster 151, the one
    // after the first cluster, not from cluster 160 where it really was.
    EXPECT_EQ(Slurp(out + "/_RAG.BIN"), std::string(4096, '\x50') + std::string(4096, '\x51'));
}

TEST_F(FatRecoveryTest, FolderRecoversItsSubtreeDepthFirst) {
    Calls calls;
    ASSERT_TRUE(Recover(u"Documents", calls));
    EXPECT_EQ(Slurp(out + "/Documents/A.TXT"), Pattern(10000, 1));
    EXPECT_EQ(Slurp(out + "/Documents/SUB/B.TXT"), "hello");
    EXPECT_EQ(calls.before.size(), 2u);
    EXPECT_EQ(calls.done, 2);
}

TEST_F(FatRecoveryTest, TimesAndReadOnlyStateAreApplied) {
    Calls calls;
    ASSERT_TRUE(Recover(u"RO.TXT", calls));
    struct stat st {};
    ASSERT_EQ(stat((out + "/RO.TXT").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    const ScanRow* row = FindRow(rows, u"RO.TXT");
    EXPECT_EQ(st.st_mtime, platform::FileTimeToUnix(row->modified));
    EXPECT_EQ(st.st_atime, platform::FileTimeToUnix(row->accessed));
    EXPECT_EQ(st.st_mtime, 1684310950); // 2023-05-17 08:09:10, local time = UTC here
    EXPECT_EQ(Slurp(out + "/RO.TXT"), Pattern(50, 3));
}

TEST_F(FatRecoveryTest, EmptyFileIsCreatedWithItsTimes) {
    Calls calls;
    ASSERT_TRUE(Recover(u"ZERO.DAT", calls));
    struct stat st {};
    ASSERT_EQ(stat((out + "/ZERO.DAT").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mtime, 1684310950);
    EXPECT_EQ(calls.done, 1);
}

TEST_F(FatRecoveryTest, ExistingFileIsKeptOrOverwrittenAsAnswered) {
    std::ofstream(out + "/A.TXT") << "old";
    Calls keep;
    keep.existsAnswer = 1;
    EXPECT_FALSE(Recover(u"A.TXT", keep));
    EXPECT_EQ(Slurp(out + "/A.TXT"), "old");
    EXPECT_EQ(keep.exists.size(), 1u);

    Calls overwrite;
    overwrite.existsAnswer = 2;
    EXPECT_TRUE(Recover(u"A.TXT", overwrite));
    EXPECT_EQ(Slurp(out + "/A.TXT"), Pattern(10000, 1));
}

TEST_F(FatRecoveryTest, ExistingFolderIsReusedOrLeftAlone) {
    fs::create_directory(out + "/Documents");
    Calls keep;
    keep.existsAnswer = 1;
    EXPECT_FALSE(Recover(u"Documents", keep));
    EXPECT_FALSE(fs::exists(out + "/Documents/A.TXT"));

    Calls reuse;
    reuse.existsAnswer = 0;
    EXPECT_TRUE(Recover(u"Documents", reuse));
    EXPECT_EQ(Slurp(out + "/Documents/A.TXT"), Pattern(10000, 1));
}

TEST_F(FatRecoveryTest, UnsafeNamesStayInsideTheDestination) {
    Calls calls;
    ASSERT_TRUE(Recover(u"..", calls));
    ASSERT_TRUE(Recover(u"a/b", calls));
    EXPECT_EQ(Slurp(out + "/_.."), "dot");
    EXPECT_EQ(Slurp(out + "/a_b"), "sla");
    EXPECT_FALSE(fs::exists(dir.path() + "/b"));
    EXPECT_EQ(Slurp(out + "/a_b"), "sla");
}

TEST_F(FatRecoveryTest, NamelessEntryGetsItsClusterInHex) {
    Calls calls;
    ASSERT_TRUE(Recover(u"", calls));
    EXPECT_EQ(Slurp(out + "/0x01A2"), "hex");
}

TEST_F(FatRecoveryTest, CancelStopsTheFileAndTheFolderAroundIt) {
    Calls calls;
    calls.cancelAfterBytes = 4096;
    EXPECT_FALSE(Recover(u"BIG.BIN", calls));
    EXPECT_TRUE(g_engineCancel);
    // A partial file would claim to be the whole file: it is removed.
    EXPECT_FALSE(fs::exists(out + "/BIG.BIN"));
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_EQ(calls.done, 1);
    EXPECT_EQ(calls.outcomes, std::vector<RecoveryOutcome>{RecoveryOutcome::kCancelled});

    Calls folder;
    folder.cancelAfterBytes = 1;
    Recover(u"Documents", folder);
    EXPECT_TRUE(g_engineCancel);
    EXPECT_EQ(folder.before.size(), 1u); // SUB's file is never started
    g_engineCancel = false;
}

TEST_F(FatRecoveryTest, FailedWriteFailsTheFileAndTheFolderButNotItsSiblings) {
    // Files may not grow beyond 5000 bytes: the 10000-byte file cannot be written whole.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = 5000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    Calls calls;
    const bool ok = Recover(u"Documents", calls);
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_FALSE(ok); // a folder with a failed file is not recovered
    EXPECT_FALSE(g_engineCancel);
    EXPECT_FALSE(fs::exists(out + "/Documents/A.TXT"));      // no truncated file is left behind
    EXPECT_EQ(Slurp(out + "/Documents/SUB/B.TXT"), "hello"); // the sibling went on
    EXPECT_EQ(calls.done, 2);
    EXPECT_EQ(calls.outcomes, (std::vector<RecoveryOutcome>{RecoveryOutcome::kWriteError,
                                                            RecoveryOutcome::kWritten}));
    EXPECT_EQ(calls.reasons[0], RecoveryReason::kSystem);
    EXPECT_EQ(calls.errors[0], EFBIG);

    std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    Calls single;
    const bool fileOk = Recover(u"A.TXT", single);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(fileOk);
}

TEST_F(FatRecoveryTest, MissingExistsCallbackOrRowFails) {
    FatFileRecovery writer;
    const std::u16string dest = platform::Utf8ToUtf16(out);
    EXPECT_FALSE(writer.Recover(kLetter, Record(u"A.TXT"), dest.c_str(), nullptr, nullptr, nullptr,
                                nullptr, nullptr));
    Calls calls;
    EXPECT_FALSE(writer.Recover(kLetter, 999999, dest.c_str(), &Calls::Before, nullptr,
                                &Calls::Done, &Calls::Exists, &calls));
    EXPECT_TRUE(calls.before.empty());
}

TEST_F(FatRecoveryTest, FolderCyclesInTheTableEnd) {
    // A damaged table: LOOP (id 40) holds INNER (id 41), which holds LOOP again, and SELF
    // holds itself.
    DataBase store(kLetter);
    store.DropTable();
    store.BeginInsert();
    store.InsertEntry(u"LOOP", 0, 0, 0, 0, 0x10, 40, 2, false, true, 1, image.FirstSector(40));
    store.InsertEntry(u"INNER", 0, 0, 0, 0, 0x10, 41, 40, false, true, 2, image.FirstSector(41));
    store.InsertEntry(u"LOOP", 0, 0, 0, 0, 0x10, 40, 41, false, true, 3, image.FirstSector(40));
    store.InsertEntry(u"SELF", 0, 0, 0, 0, 0x10, 42, 42, false, true, 4, image.FirstSector(42));
    store.InsertEntry(u"X", 3, 0, 0, 0, 0x20, 43, 41, false, false, 5, 0);
    store.EndInsert();

    FatFileRecovery writer;
    const std::u16string dest = platform::Utf8ToUtf16(out);
    Calls calls;
    // X cannot be read, so LOOP is not recovered whole.
    EXPECT_FALSE(writer.Recover(kLetter, 1, dest.c_str(), &Calls::Before, nullptr, &Calls::Done,
                                &Calls::Exists, &calls));
    EXPECT_TRUE(fs::is_directory(out + "/LOOP/INNER"));
    EXPECT_FALSE(fs::exists(out + "/LOOP/INNER/LOOP"));
    // A file of non-zero size without a first sector fails and is not created at all.
    EXPECT_FALSE(fs::exists(out + "/LOOP/INNER/X"));
    EXPECT_EQ(calls.done, 1);
    EXPECT_EQ(calls.outcomes, std::vector<RecoveryOutcome>{RecoveryOutcome::kReadError});
    EXPECT_EQ(calls.reasons, std::vector<RecoveryReason>{RecoveryReason::kNoData});
    EXPECT_EQ(writer.Totals().failed, 1u);
    EXPECT_TRUE(writer.Recover(kLetter, 4, dest.c_str(), &Calls::Before, nullptr, &Calls::Done,
                               &Calls::Exists, &calls));
    EXPECT_TRUE(fs::is_directory(out + "/SELF"));
    EXPECT_FALSE(fs::exists(out + "/SELF/SELF"));
}

TEST_F(FatRecoveryTest, FolderListedManyTimesIsWrittenOnce) {
    // A damaged table names each folder twice in its parent: L1 twice in L0, L2 twice in L1
    // and so on. Written along every path, the last level would be reached 2^11 times.
    constexpr uint32_t kLevels = 12;
    DataBase store(kLetter);
    store.DropTable();
    store.BeginInsert();
    uint64_t record = 0;
    store.InsertEntry(u"L0", 0, 0, 0, 0, 0x10, 200, 2, false, true, ++record,
                      image.FirstSector(200));
    for (uint32_t level = 1; level < kLevels; ++level)
        for (int copy = 0; copy < 2; ++copy)
            store.InsertEntry(u"L" + platform::Utf8ToUtf16(std::to_string(level)), 0, 0, 0, 0, 0x10,
                              200 + level, 199 + level, false, true, ++record,
                              image.FirstSector(200 + level));
    store.InsertEntry(u"LEAF.TXT", 5, 0, 0, 0, 0x20, 110, 199 + kLevels, false, false, ++record,
                      image.FirstSector(110));
    store.EndInsert();

    Calls calls;
    const std::u16string dest = platform::Utf8ToUtf16(out);
    FatFileRecovery writer;
    EXPECT_TRUE(writer.Recover(kLetter, 1, dest.c_str(), &Calls::Before, nullptr, &Calls::Done,
                               &Calls::Exists, &calls));
    std::string path = out + "/L0";
    for (uint32_t level = 1; level < kLevels; ++level)
        path += "/L" + std::to_string(level);
    EXPECT_EQ(Slurp(path + "/LEAF.TXT"), "hello");
    EXPECT_EQ(calls.before.size(), 1u);
    EXPECT_TRUE(calls.exists.empty());
}

TEST_F(FatRecoveryTest, ExtraFolderIsRecoveredLikeAnyFolder) {
    // The folder the advanced scan gathers orphans in, holding a live and a deleted file.
    DataBase store(kLetter);
    store.DropTable();
    store.BeginInsert();
    store.InsertEntry(u"!!!ADVANCED - EXTRA!!!", 0, 0, 0, 0, 0x10000010, 9000, 2, false, true, 1,
                      0);
    store.InsertEntry(u"B.TXT", 5, 0, 0, 0, 0x20, 110, 9000, false, false, 2,
                      image.FirstSector(110));
    store.InsertEntry(u"_EL.BIN", 5000, 0, 0, 0, 0x20, 130, 9000, true, false, 3,
                      image.FirstSector(130));
    store.InsertEntry(u"OTHER.TXT", 5, 0, 0, 0, 0x20, 110, 2, false, false, 4,
                      image.FirstSector(110));
    store.EndInsert();

    Calls calls;
    const std::u16string dest = platform::Utf8ToUtf16(out);
    FatFileRecovery writer;
    EXPECT_TRUE(writer.Recover(kLetter, 1, dest.c_str(), &Calls::Before, nullptr, &Calls::Done,
                               &Calls::Exists, &calls));
    const std::string extra = out + "/!!!ADVANCED - EXTRA!!!";
    EXPECT_EQ(Slurp(extra + "/B.TXT"), "hello");
    EXPECT_EQ(Slurp(extra + "/_EL.BIN"), Pattern(5000, 9));
    EXPECT_FALSE(fs::exists(extra + "/OTHER.TXT"));
    EXPECT_EQ(calls.done, 2);
}

TEST_F(FatRecoveryTest, LinkedFolderIsNotWrittenThrough) {
    // The destination already holds "Documents" as a link to a folder elsewhere.
    const std::string elsewhere = dir.path() + "/elsewhere";
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, out + "/Documents");
    Calls calls;
    calls.existsAnswer = 0;
    EXPECT_FALSE(Recover(u"Documents", calls));
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST(FileRecoveryNames, HexNamesComeInDigitPairs) {
    EXPECT_EQ(FileRecovery::FormatHexName(0), u"0x00");
    EXPECT_EQ(FileRecovery::FormatHexName(0x1A2B), u"0x1A2B");
    EXPECT_EQ(FileRecovery::FormatHexName(0xABC), u"0x0ABC");
    EXPECT_EQ(FileRecovery::FormatHexName(5), u"0x05");
    EXPECT_EQ(FileRecovery::FormatHexName(0x123456789ABCDEFull), u"0x0123456789ABCDEF");
}

TEST(FileRecoveryNames, OutputNamesAreSafeComponents) {
    EXPECT_EQ(FileRecovery::SafeOutputName(u"report.txt", 7), u"report.txt");
    EXPECT_EQ(FileRecovery::SafeOutputName(u"", 0xABC), u"0x0ABC");
    EXPECT_EQ(FileRecovery::SafeOutputName(u".", 1), u"_.");
    EXPECT_EQ(FileRecovery::SafeOutputName(u"..", 1), u"_..");
    EXPECT_EQ(FileRecovery::SafeOutputName(u"../../etc/passwd", 1), u".._.._etc_passwd");
    EXPECT_EQ(FileRecovery::SafeOutputName(std::u16string(u"a\0b", 3), 1), u"a_b");
    EXPECT_EQ(FileRecovery::JoinOutputPath(u"/out", u"x"), u"/out/x");
    EXPECT_EQ(FileRecovery::JoinOutputPath(u"/out/", u"x"), u"/out/x");
}
