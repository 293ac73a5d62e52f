// recover as a user meets it when things go wrong, on real volumes of both file systems: a
// destination that refuses writes or fills up, same-named entries, repeated folder rows, names
// longer than the destination takes, links already in the destination, sizes one damaged byte
// made huge, and a destination inside a mount of the very image being read.
#include "store/CppSQLite3DB.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/FaultVolumes.h"
#include "tests/support/Mounts.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace tessaly::test;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Every regular file below folder, as paths relative to it.
std::set<std::string> FilesBelow(const std::string& folder) {
    std::set<std::string> files;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec))
        if (e.is_regular_file()) files.insert(fs::relative(e.path(), folder).string());
    return files;
}

// Where recover writes a manifest entry: deleted short FAT names lose their first character,
// and mtools' lower-case short names may come back upper-case once deleted.
std::vector<std::string> OutputNames(const ManifestEntry& e, bool fat) {
    std::string p = e.path;
    if (!fat || !e.deleted || e.HasFlag("longname") || e.HasFlag("unicode")) return {p};
    p[p.rfind('/') + 1] = '_';
    std::string upper = p;
    for (size_t i = p.rfind('/') + 1; i < p.size(); ++i)
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(p[i])));
    return {p, upper};
}

// The one of names that is in the set, else the first.
std::string Pick(const std::vector<std::string>& names, const std::set<std::string>& set) {
    for (const auto& n : names)
        if (set.count(n)) return n;
    return names.front();
}

bool Recoverable(const ManifestEntry& e) {
    return !e.isDir && !e.HasFlag("overwritten") && !(e.deleted && e.HasFlag("fragmented")) &&
           !e.HasFlag("hardlinks");
}

class RecoverFaults : public ::testing::TestWithParam<std::string> {
protected:
    bool Fat() const { return GetParam() == "fat32"; }
    const FaultVolume& Faults() {
        const FaultVolume& v = GetFaultVolume(GetParam());
        if (!v.why.empty()) ADD_FAILURE() << v.why;
        return v;
    }
};

// A write the destination refuses (here: a full disk) fails that file only: the rest of the
// folder is still recovered, the file is named with the system's reason, nothing truncated is
// left behind, and the run says so and ends with status 1.
TEST_P(RecoverFaults, RefusedWriteFailsOnlyItsFileAndIsReported) {
    const auto& volume = LoadVolume(GetParam());
    TempDir dir;
    ScopedMount small(ScopedMount::Kind::kTmpfs, "1m", dir.File("small"));
    if (!small.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs: " << small.Why();
    const auto r = RunCli(
        {"--drive", "E=" + volume.image, "recover", "E:", "E:\\Data", "--to", dir.File("small")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(
        r.err.find("failed: " + dir.File("small") + "/Data/big-1MiB.bin: No space left on device"),
        std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("1 failed; 0 of 1 items complete"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir.File("small/Data/big-1MiB.bin")));
    // Everything else of the folder came back whole.
    int others = 0;
    for (const auto& e : volume.entries) {
        if (e.path.rfind("Data/", 0) != 0 || !Recoverable(e) || e.path == "Data/big-1MiB.bin")
            continue;
        SCOPED_TRACE(e.path);
        const std::string name = Pick(OutputNames(e, Fat()), FilesBelow(dir.File("small")));
        EXPECT_EQ(Md5OfFile(dir.File("small/" + name)), e.md5);
        ++others;
    }
    EXPECT_GE(others, 3);
}

// Recovery into a 1 MiB file system: every file that did not fit is named, the status is 1, and
// every file that is there is complete (partial files are removed).
TEST_P(RecoverFaults, DiskFullReportsEveryFileThatDidNotFitAndLeavesNoPartialFile) {
    const auto& volume = LoadVolume(GetParam());
    TempDir dir;
    ScopedMount small(ScopedMount::Kind::kTmpfs, "1m", dir.File("small"));
    if (!small.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs: " << small.Why();
    const std::string out = dir.File("small/out");
    const auto r = RunCli({"--drive", "E=" + volume.image, "recover", "E:", "--all", "--to", out});
    EXPECT_EQ(r.status, 1) << r.err;
    std::set<std::string> failed;
    for (const auto& line : Lines(r.err)) {
        const std::string head = "tessaly-cli: failed: " + out + "/";
        if (line.rfind(head, 0) != 0) continue;
        const auto colon = line.rfind(": ");
        EXPECT_EQ(line.substr(colon + 2), "No space left on device") << line;
        failed.insert(line.substr(head.size(), colon - head.size()));
    }
    EXPECT_FALSE(failed.empty()) << r.err;
    const std::set<std::string> present = FilesBelow(out);
    for (const auto& name : present) {
        EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
        EXPECT_EQ(failed.count(name), 0u) << name << " is reported failed but is there";
    }
    int complete = 0;
    for (const auto& e : volume.entries) {
        if (!Recoverable(e)) continue;
        const auto names = OutputNames(e, Fat());
        SCOPED_TRACE(names.front());
        if (failed.count(Pick(names, failed))) continue;
        const std::string name = Pick(names, present);
        ASSERT_TRUE(present.count(name)) << "neither written nor reported";
        EXPECT_EQ(Md5OfFile(out + "/" + name), e.md5);
        ++complete;
    }
    EXPECT_GT(complete, 10);
    EXPECT_NE(r.err.find(std::to_string(failed.size()) + " failed"), std::string::npos) << r.err;
}

// A live file and its deleted namesake (an editor's save) are both listed and both recovered;
// the live one keeps the plain name.
TEST_P(RecoverFaults, SameNamedEntriesAreListedAndRecoveredSideBySide) {
    const FaultVolume& volume = Faults();
    const std::string bind = "E=" + volume.image;
    const auto ls = RunCli({"--drive", bind, "ls", "E:\\Docs"});
    ASSERT_EQ(ls.status, 0) << ls.err;
    EXPECT_EQ(Count(ls.out, "Quarterly report.txt"), 2u) << ls.out;
    EXPECT_EQ(Count(ls.out, "del Quarterly report.txt"), 1u) << ls.out;

    TempDir dir;
    for (const char* mode : {"--overwrite", "--skip"}) {
        SCOPED_TRACE(mode);
        const std::string out = dir.File(std::string("out") + mode);
        const auto r = RunCli({"--drive", bind, "recover", "E:", "--all", "--to", out, mode});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Slurp(out + "/Docs/Quarterly report.txt").substr(0, 20),
                  std::string(kSecondVersion).substr(0, 20));
        EXPECT_EQ(Slurp(out + "/Docs/Quarterly report (2).txt").substr(0, 20),
                  std::string(kFirstVersion).substr(0, 20));
        EXPECT_EQ(Slurp(out + "/Docs/other.txt"), kOtherText);
    }
}

// Folder rows repeated at every level (as stale or nested copies of a volume's structures give
// a complete scan) are written once each, not once per path to them.
TEST_P(RecoverFaults, RepeatedFolderRowsAreWrittenOnce) {
    const FaultVolume& volume = Faults();
    TempDir dir;
    const std::string saved = dir.File("scan.tessaly");
    const std::string bind = "E=" + volume.image;
    ASSERT_EQ(RunCli({"--drive", bind, "scan", "E:", "--save", saved}).status, 0);
    {
        // Each folder of the nest appears twice.
        CppSQLite3DB db;
        db.open(saved.c_str());
        db.execute("insert into rows select * from rows where isDir<>0 and fn like 'L%'");
    }
    const auto r = RunCli({"--drive", bind, "--load", saved, "recover", "E:", "E:\\Nest", "--to",
                           dir.File("out"), "-v"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string leaf = dir.File("out/Nest");
    for (int level = 1; level <= kNestDepth; ++level)
        leaf += "/L" + std::to_string(level);
    EXPECT_EQ(Slurp(leaf + "/leaf.txt"), kLeafText);
    EXPECT_EQ(Count(r.err, "/leaf.txt"), 1u) << r.err.substr(0, 2000);
    EXPECT_NE(r.err.find("recovered 1 file to "), std::string::npos) << r.err.substr(0, 2000);
}

// Names longer than 255 UTF-8 bytes (FAT and NTFS allow 255 UTF-16 units) are shortened to
// fit, extension kept, and stay distinct.
TEST_P(RecoverFaults, OverlongNamesAreShortenedKeepingTheExtension) {
    const FaultVolume& volume = Faults();
    TempDir dir;
    const auto r = RunCli(
        {"--drive", "E=" + volume.image, "recover", "E:", "E:\\Long", "--to", dir.File("out")});
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> found;
    for (const auto& e : fs::directory_iterator(dir.File("out/Long")))
        found[e.path().filename().string()] = Slurp(e.path().string());
    ASSERT_EQ(found.size(), 2u) << r.err;
    std::set<std::string> texts;
    for (const auto& [name, text] : found) {
        EXPECT_LE(name.size(), 255u);
        EXPECT_GT(name.size(), 240u);
        EXPECT_EQ(name.substr(name.size() - 4), ".txt");
        EXPECT_EQ(name.substr(0, 30), LongName('A').substr(0, 30));
        texts.insert(text);
    }
    EXPECT_EQ(texts, (std::set<std::string>{LongText('A'), LongText('B')}));
}

// A symbolic link already in the destination is never written through, at any depth.
TEST_P(RecoverFaults, LinkInTheDestinationIsNotFollowed) {
    const auto& volume = LoadVolume(GetParam());
    TempDir dir;
    const std::string out = dir.File("out");
    fs::create_directories(out);
    fs::create_directories(dir.File("elsewhere"));
    fs::create_directory_symlink(dir.File("elsewhere"), out + "/Trash");
    const auto r =
        RunCli({"--drive", "E=" + volume.image, "recover", "E:", "--deleted", "--to", out});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(fs::is_empty(dir.File("elsewhere")));
    EXPECT_NE(r.err.find("symbolic link"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("deleted-small.txt"), std::string::npos) << r.err;
    // The deleted folder that has no link in its way still came back.
    EXPECT_TRUE(fs::is_directory(out + "/OldProject/Assets"));
}

// A file already in the destination that is hard-linked elsewhere is replaced, not written
// into: the other name keeps its bytes.
TEST_P(RecoverFaults, HardLinkInTheDestinationIsReplacedNotWrittenInPlace) {
    const auto& volume = LoadVolume(GetParam());
    TempDir dir;
    const std::string out = dir.File("out");
    fs::create_directories(out);
    std::ofstream(dir.File("mine.txt")) << "the user's own file";
    ASSERT_EQ(::link(dir.File("mine.txt").c_str(), (out + "/readme.txt").c_str()), 0);
    const auto r = RunCli({"--drive", "E=" + volume.image, "recover", "E:", "E:\\Docs\\readme.txt",
                           "--to", out, "--overwrite"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Md5OfFile(out + "/readme.txt"), volume.Find("Docs/readme.txt")->md5);
    EXPECT_EQ(Slurp(dir.File("mine.txt")), "the user's own file");
}

INSTANTIATE_TEST_SUITE_P(Volumes, RecoverFaults, ::testing::Values("fat32", "ntfs"));

// One damaged byte in a file's size must not fill the destination: at most what the volume can
// back is written, and the run says so.
class SizeCorruption : public ::testing::TestWithParam<std::string> {};

uint64_t Le(const std::string& bytes, size_t at, int width) {
    uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return v;
}

// Offset of the byte to damage: the top byte of tiny.txt's 32-bit size in its FAT directory
// entry, or the seventh byte of the real size of annual-report-2024.pdf's $DATA in its MFT
// record (so that the size grows by 2^48).
size_t DamagedByte(const std::string& image, bool fat, uint64_t record) {
    if (fat) {
        const size_t entry = image.find("TINY    TXT");
        return entry == std::string::npos ? 0 : entry + 0x1C + 3;
    }
    const size_t base = static_cast<size_t>(record) * 1024;
    size_t at = base + Le(image, base + 0x14, 2);
    while (at + 0x40 < base + 1024) {
        const uint64_t type = Le(image, at, 4);
        const uint64_t length = Le(image, at + 4, 4);
        if (type == 0xFFFFFFFF || length == 0) break;
        if (type == 0x80 && image[at + 8] != 0) {
            const size_t byte = at + 0x30 + 6;
            // Not on a sector's last two bytes: those hold the update sequence.
            return (byte - base) % 512 < 510 ? byte : 0;
        }
        at += length;
    }
    return 0;
}

TEST_P(SizeCorruption, OneByteRecoversAtMostWhatTheVolumeCanBack) {
    const bool fat = GetParam() == "fat32";
    const auto& volume = LoadVolume(GetParam());
    TempDir dir;
    const std::string copy = dir.File("damaged.img");
    fs::copy_file(volume.image, copy);
    const std::string bind = "E=" + copy;
    const std::string file = fat ? "tiny.txt" : "Docs/Reports/2024/annual-report-2024.pdf";
    const std::string shown =
        fat ? "E:\\tiny.txt" : "E:\\Docs\\Reports\\2024\\annual-report-2024.pdf";

    uint64_t record = 0;
    for (const auto& row : ParseJsonLines(RunCli({"--drive", bind, "scan", "E:", "--json"}).out))
        if (row.FullPath() == shown) record = static_cast<uint64_t>(row.number.at("record"));
    ASSERT_NE(record, 0u);
    {
        std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(f)),
                                std::istreambuf_iterator<char>());
        const size_t at = DamagedByte(bytes, fat, record);
        ASSERT_NE(at, 0u);
        f.clear();
        f.seekp(static_cast<std::streamoff>(at));
        f.put(fat ? '\x7F' : '\x01');
    }
    // A small destination, so that a run without the bound ends instead of filling the disk.
    ScopedMount small(ScopedMount::Kind::kTmpfs, "64m", dir.File("small"));
    if (!small.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs: " << small.Why();
    const auto r = RunCli({"--drive", bind, "recover", "E:", shown, "--to", dir.File("small")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(fat ? "claims 2130706437 bytes, the volume holds 512 of them"
                             : "claims 281474976813056 bytes, the volume holds 102400 of them"),
              std::string::npos)
        << r.err;
    const std::string out = dir.File("small/" + fs::path(file).filename().string());
    const ManifestEntry* entry = volume.Find(file);
    ASSERT_NE(entry, nullptr);
    if (fat) {
        // The file's one cluster: its five bytes and the slack after them.
        EXPECT_EQ(fs::file_size(out), 512u);
        EXPECT_EQ(Slurp(out).substr(0, 5), "Hello");
    } else {
        EXPECT_EQ(Md5OfFile(out), entry->md5); // every allocated byte, and nothing more
    }
}

INSTANTIATE_TEST_SUITE_P(Volumes, SizeCorruption, ::testing::Values("fat32", "ntfs"));

// An NTFS image mounted read-write (ntfs-3g) with the destination inside that mount is the
// source: recovering there would write into the image being read.
TEST(RecoverIntoTheSource, DestinationInsideAMountOfTheImageIsRefused) {
    TempDir dir;
    const std::string copy = dir.File("mounted.img");
    fs::copy_file(LoadVolume("ntfs").image, copy);
    ScopedMount mount(ScopedMount::Kind::kNtfs3g, copy, dir.File("mnt"));
    if (!mount.Mounted()) GTEST_SKIP() << "cannot mount the image: " << mount.Why();
    const std::string to = dir.File("mnt/Recovered");
    const auto r = RunCli({"--drive", "E=" + copy, "recover", "E:", "--deleted", "--to", to});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find(copy), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(to));
}

// The same image mounted on a folder below the destination: the walk does not write across
// that mount point.
TEST(RecoverIntoTheSource, MountPointBelowTheDestinationIsNotCrossed) {
    TempDir dir;
    const std::string copy = dir.File("mounted.img");
    fs::copy_file(LoadVolume("ntfs").image, copy);
    const std::string out = dir.File("out");
    ScopedMount mount(ScopedMount::Kind::kNtfs3g, copy, out + "/Docs");
    if (!mount.Mounted()) GTEST_SKIP() << "cannot mount the image: " << mount.Why();
    const std::set<std::string> before = FilesBelow(out + "/Docs");
    const auto r = RunCli({"--drive", "E=" + copy, "recover", "E:", "E:\\Docs", "--to", out});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("failed: " + out + "/Docs/: the name is a volume source"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(FilesBelow(out + "/Docs"), before);
}

} // namespace
