// Folder recovery on a hand-built volume: unreadable children, folders listed below
// themselves, the extra folder, and names that are not safe as file names.
#include "engine/ntfs/NTFSFileRecovery.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "tests/ntfs/NtfsImageBuilder.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace tessaly::test {
namespace {

void Answer0(const char16_t*, uint32_t, int* answer, void*) {
    *answer = 0;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

class NtfsFolderRecovery : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        NtfsImageBuilder image;
        image.PutRecord(0, MftRecord(image.MftCluster(), 8, image.ClusterSize()));
        auto file = [](uint32_t n, uint64_t parent, const std::u16string& name,
                       const std::string& text, uint32_t attributes = 0x20) {
            return RecordBuilder(n)
                .StdInfo(1, 2, 3, 4)
                .FileName(parent, name, 1, attributes)
                .ResidentData(Bytes(text))
                .End()
                .Bytes();
        };
        auto folder = [](uint32_t n, uint64_t parent, const std::u16string& name) {
            return RecordBuilder(n, 3)
                .StdInfo(1, 2, 3, 4)
                .FileName(parent, name, 1, 0x10)
                .End()
                .Bytes();
        };
        image.PutRecord(16, folder(16, 5, u"Top"));
        image.PutRecord(17, file(17, 16, u"a.txt", "AAA"));
        image.PutRecord(18, file(18, 16, u"b.txt", "BBB"));
        image.PutRecord(19, file(19, 16, u"c.txt", "CCC"));
        image.PutRecord(20, folder(20, 21, u"LoopA"));
        image.PutRecord(21, folder(21, 20, u"LoopB"));
        image.PutRecord(22, file(22, 99, u"orphan.txt", "lost"));
        image.PutRecord(23, file(23, 16, u"..", "dots"));
        image.PutRecord(24, file(24, 16, u"x/y", "slash"));
        image.PutRecord(25, file(25, 16, u"ro.txt", "read only", 0x21));
        image.PutRecord(26, file(26, 16, u"", "nameless"));
        path_ = image.WriteTo(dir_->File("folders.img"));
        ScanLog log;
        ASSERT_TRUE(ScanImage('Z', path_, false, log));
        rows_ = ReadTable('Z');
        // b.txt's record becomes unreadable after the scan.
        std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(image.MftCluster() * 4096 + 18 * 1024));
        f.write("JUNK", 4);
    }
    static void TearDownTestSuite() { delete dir_; }

    static uint64_t RecordOf(const std::string& name) {
        for (const auto& r : rows_)
            if (r.name == name) return r.record;
        ADD_FAILURE() << "no row " << name;
        return 0;
    }
    static bool Recover(uint64_t record, const std::string& out) {
        g_engineCancel = false; // as the recover entry point does
        NTFSFileRecovery writer;
        return writer.Recover('Z', record, platform::Utf8ToUtf16(out).c_str(), nullptr, nullptr,
                              nullptr, Answer0, nullptr);
    }

    static inline TempDir* dir_ = nullptr;
    static inline std::string path_;
    static inline std::vector<StoredRow> rows_;
};

TEST_F(NtfsFolderRecovery, UnreadableChildIsReportedAndSiblingsGoOn) {
    TempDir out;
    const uint64_t b = RecordOf("b.txt");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Recover(RecordOf("Top"), out.path())); // b.txt is lost, so Top is not whole
    const std::string log = testing::internal::GetCapturedStderr();
    const std::string hex = platform::Utf16ToUtf8(FileRecovery::FormatHexName(b));
    EXPECT_EQ(log, "[Error]:Failed to read FILE at record " + hex + ".\n" +
                       "[Error]:Recovery of file record " + hex + " (within \"" + out.path() +
                       "/Top\") failed.\n");
    EXPECT_EQ(ReadText(out.File("Top/a.txt")), "AAA");
    EXPECT_EQ(ReadText(out.File("Top/c.txt")), "CCC");
    EXPECT_FALSE(std::filesystem::exists(out.File("Top/b.txt")));
}

TEST_F(NtfsFolderRecovery, UnsafeNamesStayInsideTheDestination) {
    TempDir out;
    testing::internal::CaptureStderr();
    Recover(RecordOf("Top"), out.path());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadText(out.File("Top/_..")), "dots");
    EXPECT_EQ(ReadText(out.File("Top/x_y")), "slash");
    const std::string hex = platform::Utf16ToUtf8(FileRecovery::FormatHexName(RecordOf("")));
    EXPECT_EQ(ReadText(out.File("Top/" + hex)), "nameless");
    // Nothing was written next to the destination.
    EXPECT_FALSE(std::filesystem::exists(out.path() + "/../dots"));
}

TEST_F(NtfsFolderRecovery, ReadOnlyFileHasNoWriteBits) {
    TempDir out;
    ASSERT_TRUE(Recover(RecordOf("ro.txt"), out.path()));
    struct stat st {};
    ASSERT_EQ(stat(out.File("ro.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_EQ(ReadText(out.File("ro.txt")), "read only");
    chmod(out.File("ro.txt").c_str(), 0644);
}

TEST_F(NtfsFolderRecovery, FolderBelowItselfIsNotEnteredAgain) {
    TempDir out;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(Recover(RecordOf("LoopA"), out.path()));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::filesystem::is_directory(out.File("LoopA/LoopB")));
    EXPECT_FALSE(std::filesystem::exists(out.File("LoopA/LoopB/LoopA")));
    // Nothing failed (the recovery is whole), so no error line says otherwise.
    EXPECT_EQ(log.find("[Error]"), std::string::npos) << log;
}

TEST_F(NtfsFolderRecovery, ExtraFolderHoldsTheOrphans) {
    uint64_t extra = UINT64_MAX;
    for (const auto& r : rows_)
        if (r.name == "!!!ADVANCED - EXTRA!!!") extra = r.record;
    ASSERT_NE(extra, UINT64_MAX);
    TempDir out;
    EXPECT_TRUE(Recover(extra, out.path()));
    EXPECT_EQ(ReadText(out.File("!!!ADVANCED - EXTRA!!!/orphan.txt")), "lost");
}

} // namespace
} // namespace tessaly::test
