// The FAT32 of 4096-byte sectors (scripts/make-fat4k-volumes) with its first sector zeroed, in
// a sparse copy: it is found from the backup boot sector 6 sectors (24576 bytes) in, offered as
// a FAT32 drive, lists what fls lists on the intact original and what the original's own scan
// lists, and recovers every file byte for byte. So it does where the user names its offset on a
// larger image.
#include "tests/cli/CliRunner.h"
#include "tests/support/FlsListing.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>
#include <vector>

using namespace tessaly::test;

namespace {

const std::string& Original() {
    static const std::string path = VolumesDir() + "/fat32-4k.img";
    return path;
}

// A sparse copy of the volume starting at byte `at` of the new image, its first sector (4096
// bytes) zeroed. Only the stretches the file system holds data in are copied.
std::string DamagedCopy(const TempDir& dir, uint64_t at) {
    const std::string copy = dir.File(at ? "shifted.img" : "damaged.img");
    const int in = open(Original().c_str(), O_RDONLY);
    const int out = open(copy.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    EXPECT_TRUE(in >= 0 && out >= 0) << copy;
    const off_t size = lseek(in, 0, SEEK_END);
    std::vector<char> buffer(1 << 20);
    for (off_t data = lseek(in, 0, SEEK_DATA); data >= 0 && data < size;) {
        const off_t hole = lseek(in, data, SEEK_HOLE);
        for (off_t pos = data; pos < hole;) {
            const auto n = pread(in, buffer.data(),
                                 static_cast<size_t>(std::min<off_t>(hole - pos, 1 << 20)), pos);
            if (n <= 0) break;
            EXPECT_EQ(
                pwrite(out, buffer.data(), static_cast<size_t>(n), pos + static_cast<off_t>(at)),
                n);
            pos += n;
        }
        data = lseek(in, hole, SEEK_DATA);
    }
    EXPECT_EQ(ftruncate(out, size + static_cast<off_t>(at)), 0);
    const std::vector<char> zeros(4096, 0);
    EXPECT_EQ(pwrite(out, zeros.data(), zeros.size(), static_cast<off_t>(at)), 4096);
    close(in);
    close(out);
    return copy;
}

// Path below the root ("DOCS/NOTE.TXT") -> deleted, of the rows a scan of drive E: lists.
std::map<std::string, bool> ScanEntries(const std::vector<JsonRowValues>& rows) {
    std::map<std::string, bool> entries;
    for (const JsonRowValues& row : rows) {
        std::string path = row.FullPath().substr(3); // past "E:\"
        for (char& c : path)
            if (c == '\\') c = '/';
        entries[path] = row.number.at("isDeleted") == 1;
    }
    return entries;
}

std::vector<JsonRowValues> Scan(const std::string& drive) {
    const auto r = RunCli({"--drive", "E=" + drive, "scan", "E:", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    return ParseJsonLines(r.out);
}

// Every line of the manifest for the volume: path and md5 of each file.
std::vector<std::pair<std::string, std::string>> ManifestFiles() {
    std::vector<std::pair<std::string, std::string>> files;
    std::ifstream in(VolumesDir() + "/fat4k-volumes.manifest");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string volume, state, path, size, md5;
        fields >> volume >> state >> path >> size >> md5;
        if (volume != "fat32-4k.img") continue;
        // A deleted entry without a long name has lost its first character to the mark.
        if (state == "deleted")
            path[path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1] = '_';
        files.emplace_back(path, md5);
    }
    return files;
}

} // namespace

TEST(Fat4kBackup, ZeroedFirstSectorIsFoundAndListsAsTheOriginal) {
    TempDir dir;
    const std::string damaged = DamagedCopy(dir, 0);

    const auto drives = RunCli({"--drive", "E=" + damaged, "drives"});
    ASSERT_EQ(drives.status, 0) << drives.err;
    EXPECT_NE(drives.out.find("E:  FAT32"), std::string::npos) << drives.out << drives.err;
    // The user is told which boot sector the volume is read through.
    EXPECT_NE((drives.out + drives.err).find("damaged; its backup at byte 24576 was used"),
              std::string::npos)
        << drives.out << drives.err;

    const auto rows = Scan(damaged);
    const auto expected = FlsListing(Original());
    EXPECT_EQ(expected.size(), 4u);
    EXPECT_EQ(ScanEntries(rows), expected);
    // Row for row what the intact original gives, times and sizes included.
    const auto original = Scan(Original());
    ASSERT_EQ(rows.size(), original.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].text, original[i].text);
        EXPECT_EQ(rows[i].number, original[i].number);
    }

    TempDir out;
    const auto r =
        RunCli({"--drive", "E=" + damaged, "recover", "E:", "--all", "--to", out.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto files = ManifestFiles();
    ASSERT_EQ(files.size(), 3u);
    for (const auto& [path, md5] : files)
        EXPECT_EQ(Md5OfFile(out.path() + "/" + path), md5) << path;
}

TEST(Fat4kBackup, VolumeAtANamedOffsetIsFoundFromItsBackup) {
    // 3584 bytes in: at no alignment the search looks at, so only the user's offset finds it.
    TempDir dir;
    const std::string shifted = DamagedCopy(dir, 3584);
    const auto whole = RunCli({"--drive", "E=" + shifted, "drives"});
    EXPECT_EQ(whole.out.find("E:  FAT32"), std::string::npos) << whole.out;

    const auto drives = RunCli({"--drive", "E=" + shifted + "#@3584", "drives"});
    EXPECT_NE(drives.out.find("E:  FAT32"), std::string::npos) << drives.out << drives.err;
    EXPECT_NE((drives.out + drives.err)
                  .find("the boot sector at byte 3584 is damaged; the FAT32 backup at byte "
                        "24576 of the volume was used"),
              std::string::npos)
        << drives.out << drives.err;
    const auto rows = Scan(shifted + "#@3584");
    EXPECT_EQ(ScanEntries(rows), FlsListing(Original()));
    TempDir out;
    const auto r = RunCli(
        {"--drive", "E=" + shifted + "#@3584", "recover", "E:", "--all", "--to", out.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const auto& [path, md5] : ManifestFiles())
        EXPECT_EQ(Md5OfFile(out.path() + "/" + path), md5) << path;
}
