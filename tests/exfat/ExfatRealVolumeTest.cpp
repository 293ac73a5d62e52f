// The quick and complete scans and recovery against the exFAT volumes that mkfs.exfat and
// exfat-fuse build (scripts/make-exfat-volumes), checked against their manifests and fls.
#include "engine/exfat/ExfatEntryPoints.h"
#include "engine/exfat/ExfatFileRecovery.h"
#include "engine/recovery/RecoveryItem.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "tests/exfat/ExfatTestSupport.h"
#include "tests/fat/FatTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace tessaly::test;
namespace fs = std::filesystem;

namespace {

constexpr char kLetter = 'X';

std::string LastPart(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// Every live entry at its path, every surviving deleted one too, with sizes and times.
void ExpectManifest(const TestVolume& volume, const ExfatScan& scan) {
    for (const auto& e : volume.entries) {
        if (e.deleted && e.HasFlag("overwritten")) continue;
        const auto it = scan.byPath.find(e.path);
        ASSERT_NE(it, scan.byPath.end()) << "missing " << e.path;
        const ScanRow& r = *it->second;
        EXPECT_EQ(r.isDeleted == 1, e.deleted) << e.path;
        EXPECT_EQ(r.isDir != 0, e.isDir) << e.path;
        if (!e.isDir) {
            EXPECT_EQ(r.size, e.size) << e.path;
        }
        EXPECT_EQ(platform::FileTimeToUnix(r.modified), e.mtime) << e.path;
    }
    EXPECT_EQ(FindRow(scan.rows, u"!!!ADVANCED - EXTRA!!!"), nullptr);
    // Ids are unique: no two rows share one.
    std::map<uint64_t, int> ids;
    for (const auto& r : scan.rows)
        EXPECT_EQ(++ids[r.id], 1) << platform::Utf16ToUtf8(r.name);
}

// One quick and one complete scan of the volume for the whole suite, on two letters.
class ExfatRealVolumeTest : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() {
        const TestVolume& v = LoadVolume("exfat");
        ScanExfat(kLetter, v.image, false, scans[0]);
        ScanExfat(kCompleteLetter, v.image, true, scans[1]);
    }
    static constexpr char kCompleteLetter = 'U';
    static ExfatScan scans[2];
    char Letter() const { return GetParam() ? kCompleteLetter : kLetter; }
    const ExfatScan& Scan() const { return scans[GetParam() ? 1 : 0]; }
    const TestVolume& volume = LoadVolume("exfat");
};
ExfatScan ExfatRealVolumeTest::scans[2];

// Hands a file's data to MD5 as the recovery reads it, without writing it anywhere.
class DigestingRecovery : public ExfatFileRecovery {
public:
    std::string Digest(const ScanRow& row, uint64_t* bytes) {
        RecoveryItem item;
        ResolveItem(row, item);
        std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(),
                                                                   EVP_MD_CTX_free);
        EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr);
        struct Sink {
            EVP_MD_CTX* context;
            uint64_t bytes = 0;
        } sink{context.get()};
        const ReadOutcome read = ReadItemData(
            item,
            [](const uint8_t* data, uint32_t length, void* self) {
                auto* s = static_cast<Sink*>(self);
                EVP_DigestUpdate(s->context, data, length);
                s->bytes += length;
                return true;
            },
            &sink);
        *bytes = sink.bytes;
        unsigned char md[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(context.get(), md, &length);
        std::string hex;
        char two[3];
        for (unsigned int i = 0; i < length; ++i) {
            std::snprintf(two, sizeof two, "%02x", md[i]);
            hex += two;
        }
        return read == ReadOutcome::kOk ? hex : "";
    }
};

} // namespace

TEST_P(ExfatRealVolumeTest, ScanListsTheManifest) {
    const ExfatScan& scan = Scan();
    ExpectManifest(volume, scan);
    // The volume's own structures are not files.
    EXPECT_EQ(FindRow(scan.rows, u"TESSALY"), nullptr);
    EXPECT_EQ(scan.rows.size(), volume.entries.size() - 0u);
}

TEST_P(ExfatRealVolumeTest, ScanAgreesWithFls) {
    const ExfatScan& scan = Scan();
    const auto listed = FlsListing(volume.image);
    ASSERT_GT(listed.size(), 300u);
    for (const auto& [path, deleted] : listed) {
        const auto it = scan.byPath.find(path);
        ASSERT_NE(it, scan.byPath.end()) << "fls lists " << path;
        EXPECT_EQ(it->second->isDeleted == 1, deleted) << path;
    }
    size_t live = 0;
    for (const auto& r : scan.rows)
        live += r.isDeleted != 1;
    size_t flsLive = 0;
    for (const auto& [path, deleted] : listed)
        flsLive += !deleted;
    EXPECT_EQ(live, flsLive);
}

TEST_P(ExfatRealVolumeTest, RecoveredFilesMatchTheManifest) {
    const ExfatScan& scan = Scan();
    TempDir out;
    int compared = 0;
    for (const auto& e : volume.entries) {
        if (e.isDir || e.HasFlag("overwritten") || e.HasFlag("sparse")) continue;
        const auto it = scan.byPath.find(e.path);
        ASSERT_NE(it, scan.byPath.end()) << e.path;
        bool ok = false;
        const std::string target = RecoverRecord(Letter(), it->second->record, out.path(), &ok);
        EXPECT_TRUE(ok) << e.path;
        const std::string file = target + "/" + LastPart(e.path);
        EXPECT_EQ(Md5OfFile(file), e.md5) << e.path;
        struct stat st {};
        ASSERT_EQ(stat(file.c_str(), &st), 0) << e.path;
        EXPECT_EQ(st.st_mtime, e.mtime) << e.path;
        ++compared;
    }
    EXPECT_GT(compared, 300);
}

INSTANTIATE_TEST_SUITE_P(QuickAndComplete, ExfatRealVolumeTest, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "Complete" : "Quick"; });

TEST(ExfatRealVolume, DeletedFolderRecoversWithItsTree) {
    const TestVolume& volume = LoadVolume("exfat");
    ExfatScan scan;
    ScanExfat(kLetter, volume.image, false, scan);
    TempDir out;
    bool ok = false;
    const std::string target =
        RecoverRecord(kLetter, scan.byPath.find("Trash")->second->record, out.path(), &ok);
    EXPECT_TRUE(ok);
    for (const auto& e : volume.entries) {
        if (e.path.rfind("Trash", 0) != 0) continue;
        const std::string file = target + "/" + e.path;
        ASSERT_TRUE(fs::exists(file)) << file;
        if (!e.isDir) {
            EXPECT_EQ(Md5OfFile(file), e.md5) << file;
        }
    }
}

TEST(ExfatRealVolume, FileBeyondFourGibReadsZerosPastItsValidLength) {
    const TestVolume& volume = LoadVolume("exfat");
    const ManifestEntry* big = volume.Find("big.bin");
    ASSERT_NE(big, nullptr);
    ExfatScan scan;
    ScanExfat(kLetter, volume.image, false, scan);
    const auto it = scan.byPath.find("big.bin");
    ASSERT_NE(it, scan.byPath.end());
    EXPECT_EQ(it->second->size, big->size);
    // Read through the writer's own data path; writing 4 GiB out would only time the disk.
    DigestingRecovery reader;
    ASSERT_TRUE(reader.OpenVolume(kLetter));
    uint64_t bytes = 0;
    EXPECT_EQ(reader.Digest(*it->second, &bytes), big->md5);
    EXPECT_EQ(bytes, big->size);
}

// A destination that refuses data (here: no file past 80 KiB) fails the file it refused, in the
// clusters read and in the zeros past a valid length alike; it is no cancel, so the walk goes on.
TEST(ExfatRealVolume, RefusedWriteFailsItsFileAndTheWalkGoesOn) {
    const TestVolume& volume = LoadVolume("exfat");
    ExfatScan scan;
    ScanExfat(kLetter, volume.image, false, scan);
    TempDir out;
    using Outcomes = std::map<std::u16string, std::pair<RecoveryOutcome, int>>;
    auto recover = [&](const std::string& path, Outcomes& outcomes) {
        g_engineCancel = false;
        return RecoverItem(
            kLetter, false, scan.byPath.find(path)->second->record,
            platform::Utf8ToUtf16(out.path()).c_str(), nullptr, nullptr, nullptr,
            [](const RecoveredFile* f, void* o) {
                (*static_cast<Outcomes*>(o))[f->name] = {f->outcome, f->systemError};
            },
            [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, &outcomes);
    };
    Outcomes docs, big;
    bool docsOk = true, bigOk = true;
    {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limit = old;
        limit.rlim_cur = 80 * 1024;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        docsOk = recover("Docs", docs);
        bigOk = recover("big.bin", big); // 64 KiB of data, then zeros
        setrlimit(RLIMIT_FSIZE, &old);
    }
    EXPECT_FALSE(g_engineCancel);
    EXPECT_FALSE(docsOk);
    EXPECT_EQ(docs[u"q1.bin"], std::make_pair(RecoveryOutcome::kWriteError, EFBIG));
    EXPECT_EQ(docs[u"readme.txt"].first, RecoveryOutcome::kWritten);
    EXPECT_EQ(Md5OfFile(out.File("Docs/readme.txt")), volume.Find("Docs/readme.txt")->md5);
    EXPECT_FALSE(std::filesystem::exists(out.File("Docs/Reports/2024/q1.bin")));
    EXPECT_FALSE(bigOk);
    EXPECT_EQ(big[u"big.bin"], std::make_pair(RecoveryOutcome::kWriteError, EFBIG));
    EXPECT_FALSE(std::filesystem::exists(out.File("big.bin")));
}

TEST(ExfatRealVolume, DamagedMainBootRegionFallsBackToTheBackup) {
    const TestVolume& volume = LoadVolume("exfat-backup");
    ASSERT_EQ(platform::DriveMap::Instance().Bind('W', volume.image), "");
    EXPECT_EQ(ExfatBootRegionOf('W'), ExfatBootRegion::kBackup);
    for (const bool complete : {false, true}) {
        ExfatScan scan;
        ScanExfat('W', volume.image, complete, scan);
        ExpectManifest(volume, scan);
        TempDir out;
        bool ok = false;
        const std::string target =
            RecoverRecord('W', scan.byPath.find("b.bin")->second->record, out.path(), &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(Md5OfFile(target + "/b.bin"), volume.Find("b.bin")->md5);
    }
    const TestVolume& good = LoadVolume("exfat");
    ASSERT_EQ(platform::DriveMap::Instance().Bind('W', good.image), "");
    EXPECT_EQ(ExfatBootRegionOf('W'), ExfatBootRegion::kMain);
}

TEST(ExfatRealVolume, DeletedFolderWhoseClusterWasTakenIsNotEntered) {
    const TestVolume& volume = LoadVolume("exfat-reused");
    for (const bool complete : {false, true}) {
        ExfatScan scan;
        ScanExfat('W', volume.image, complete, scan);
        ExpectManifest(volume, scan);
        // The new folder's file is listed once, at its own place, never below Old.
        EXPECT_EQ(scan.byPath.count("Sub/New/new.txt"), 1u);
        EXPECT_EQ(scan.byPath.count("Old/new.txt"), 0u);
        const ScanRow* old = scan.byPath.find("Old")->second;
        EXPECT_EQ(old->isDeleted, 1);
        for (const auto& r : scan.rows)
            EXPECT_NE(r.pid, old->id) << platform::Utf16ToUtf8(r.name);
    }
}
