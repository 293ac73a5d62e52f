// Recovery from a copy of an NTFS volume that stops part way (an image whose copying ended
// early): a file is written as far as its data lies within the image, and reported as cut,
// like a file whose size the volume cannot back; a file whose data lies wholly past the end
// is reported as having none.
#include "engine/ntfs/NTFSFileRecovery.h"
#include "engine/volume/EntryPoints.h"
#include "platform/Text.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace tessaly::test {
namespace {

struct Outcome {
    int calls = 0;
    RecoveryOutcome outcome = RecoveryOutcome::kWritten;
    RecoveryReason reason = RecoveryReason::kNone;
    uint64_t claimedSize = 0;
    uint64_t size = 0;
};

bool Before(const char16_t*, const char16_t*, uint32_t, uint32_t, void*) {
    return true;
}
bool Progress(uint32_t, uint32_t, void*) {
    return true;
}
void Done(const RecoveredFile* file, void* user) {
    auto* o = static_cast<Outcome*>(user);
    ++o->calls;
    o->outcome = file->outcome;
    o->reason = file->reason;
    o->claimedSize = file->claimedSize;
    o->size = file->size;
}
void Exists(const char16_t*, uint32_t, int* answer, void*) {
    *answer = 0;
}

// What sleuthkit's icat reads for a record of the intact image.
std::string Icat(const std::string& image, uint64_t id) {
    FILE* pipe =
        popen(("icat '" + image + "' " + std::to_string(id) + " 2>/dev/null").c_str(), "r");
    std::string bytes;
    if (!pipe) return bytes;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        bytes.append(buf, n);
    pclose(pipe);
    return bytes;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(NtfsTruncatedImage, FilesAreWrittenAsFarAsTheImageGoes) {
    const TestVolume& v = LoadVolume("ntfs");
    ScanLog log;
    ASSERT_TRUE(ScanImage('T', v.image, false, log));
    const std::vector<StoredRow> intact = ReadTable('T');
    auto row = [&](const std::vector<StoredRow>& rows, const std::string& path) {
        for (const StoredRow& r : rows)
            if (RelativePath(r) == path) return r;
        ADD_FAILURE() << "no row " << path;
        return StoredRow{};
    };
    // The image ends 300 KiB into the 1 MiB file's data, which lies in one run; the deleted
    // 100 KB file lies after it.
    const StoredRow big = row(intact, "Data/big-1MiB.bin");
    const StoredRow after = row(intact, "Trash/deleted-100k.bin");
    const uint64_t kept = 300 * 1024;
    const uint64_t cut = static_cast<uint64_t>(big.firSector) * 512 + kept;
    ASSERT_LE(cut, static_cast<uint64_t>(after.firSector) * 512);

    TempDir dir;
    const std::string image = dir.File("cut.img");
    std::filesystem::copy_file(v.image, image);
    std::filesystem::resize_file(image, cut);
    ASSERT_TRUE(ScanImage('T', image, false, log));
    const std::vector<StoredRow> rows = ReadTable('T');

    auto recover = [&](const StoredRow& r, Outcome& o) {
        const std::string out = dir.File(std::to_string(r.record));
        std::filesystem::create_directory(out);
        g_engineCancel = false;
        NTFSFileRecovery writer;
        writer.Recover('T', r.record, platform::Utf8ToUtf16(out).c_str(), Before, Progress, Done,
                       Exists, &o);
        return out + "/" + r.name;
    };

    Outcome o;
    const std::string file = recover(row(rows, "Data/big-1MiB.bin"), o);
    EXPECT_EQ(o.calls, 1);
    EXPECT_EQ(o.outcome, RecoveryOutcome::kWritten);
    EXPECT_EQ(o.claimedSize, 1048576u);
    EXPECT_EQ(o.size, kept);
    EXPECT_EQ(ReadAll(file), Icat(v.image, big.id).substr(0, kept));

    Outcome gone;
    const std::string none = recover(row(rows, "Trash/deleted-100k.bin"), gone);
    EXPECT_EQ(gone.calls, 1);
    EXPECT_EQ(gone.outcome, RecoveryOutcome::kReadError);
    EXPECT_EQ(gone.reason, RecoveryReason::kNoData);
    EXPECT_FALSE(std::filesystem::exists(none));
}

} // namespace
} // namespace tessaly::test
