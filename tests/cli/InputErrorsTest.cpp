// Bad input gives a clear message and status 2, and writes nothing.
#include "tests/cli/CliRunner.h"
#include "tests/support/ByteImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tessaly::test;

namespace {

struct BadInput {
    std::vector<std::string> args;
    std::string message;
};

TEST(CliInputErrors, FailWithStatusTwoAndWriteNothing) {
    const auto& fat = LoadVolume("fat32");
    const FileSnapshot before = Snapshot(fat.image);
    TempDir dir;
    ByteImage fat16(64 * 1024);
    fat16.PutText(3, "MSDOS5.0");
    fat16.PutText(0x36, "FAT16   ");
    fat16.Put16(0x1FE, 0xAA55);
    const std::string fat16Image = fat16.WriteTo(dir.File("fat16.img"));
    const std::string out = dir.File("out");
    const std::string notAFolder = ByteImage(10).WriteTo(dir.File("plain-file"));
    const std::string bind = "E=" + fat.image;

    const std::vector<BadInput> cases = {
        {{"--drive", bind, "recover", "Q:", "--all", "--to", out}, "no drive Q:"},
        {{"--drive", "E=/no/such/disk.img", "drives"}, "/no/such/disk.img"},
        {{"--drive", "E=" + fat16Image, "recover", "E:", "--all", "--to", out}, "FAT16"},
        {{"--drive", bind, "ls", "E:\\No\\Such\\Folder"}, "no folder E:\\No\\Such\\Folder\\"},
        {{"--drive", bind, "recover", "E:", "E:\\Docs\\nothing.txt", "--to", out},
         "E:\\Docs\\nothing.txt"},
        {{"--drive", bind, "search", "E:", "*", "--size", "10-abc"}, "malformed size"},
        {{"--drive", bind, "search", "E:", "*", "--date", "created", "2024-13-01", "2024-01-01"},
         "malformed date"},
        {{"--drive", bind, "search", "E:", "*", "--date", "born", "2024-01-01", "2024-01-01"},
         "malformed date kind"},
        {{"--drive", bind, "recover", "E:", "--all", "--to", notAFolder + "/out"},
         "Invalid path. Please verify the correct path was given."},
        {{"--drive", bind, "recover", "E:", "--all"}, "--to DIR is required"},
        {{"--drive", bind, "search", "E:", "*", "--date", "created", "2023-02-30", "2024-01-01"},
         "malformed date \"2023-02-30\""},
        {{"--drive", bind, "search", "E:", "*", "--date", "created", "2023-02-29", "2024-01-01"},
         "malformed date \"2023-02-29\""},
        {{"--drive", bind, "search", "E:", "*", "--date", "created", "2024-04-31", "2024-05-01"},
         "malformed date \"2024-04-31\""},
        {{"--drive", bind, "search", "E:", "*", "--date", "created", "2024-01-01x", "2024-01-02"},
         "malformed date \"2024-01-01x\""},
        {{"--drive", bind, "search", "E:", "*", "--date", "modified", "2024-01-01 10:00junk",
          "2024-01-02"},
         "malformed date \"2024-01-01 10:00junk\""},
        {{"--drive", bind, "search", "E:", "*", "--date", "modified", "2024-01-01",
          "2024-01-02 10:00:00 and more"},
         "malformed date \"2024-01-02 10:00:00 and more\""},
        {{"--drive", bind, "search", "E:", "*", "--date", "accessed", "2024-1-01", "2024-01-02"},
         "malformed date \"2024-1-01\""},
        {{"--drive", bind, "frobnicate"}, "unknown command"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& a : c.args)
            shown += a + " ";
        SCOPED_TRACE(shown);
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    EXPECT_EQ(Snapshot(fat.image), before);
}

TEST(CliInputErrors, DatesThatExistAreTaken) {
    const std::string bind = "E=" + LoadVolume("fat32").image;
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"2024-02-29", "2024-12-31 23:59:59"}, {"2000-02-29 00:00", "2099-12-31T23:59"}}) {
        const auto r =
            RunCli({"--drive", bind, "search", "E:", "*", "--date", "modified", from, to});
        EXPECT_EQ(r.status, 0) << from << " " << to << ": " << r.err;
    }
}

// Sources that cannot be read at random offsets are refused at once; opening a FIFO without a
// writer must not block.
TEST(CliInputErrors, PipesSocketsAndCharacterDevicesAreNoSources) {
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string socketPath = dir.File("socket");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    for (const auto& [path, what] : std::vector<std::pair<std::string, std::string>>{
             {fifo, "FIFO"}, {socketPath, "socket"}, {"/dev/zero", "character device"}}) {
        for (const char* command : {"drives", "scan"}) {
            SCOPED_TRACE(path + " " + command);
            std::vector<std::string> args = {"--drive", "E=" + path, command};
            if (std::string(command) == "scan") args.push_back("E:");
            const auto r = RunCli(args);
            EXPECT_EQ(r.status, 2) << r.err;
            EXPECT_NE(r.err.find(what), std::string::npos) << r.err;
        }
    }
    ::close(sock);
}

TEST(CliInputErrors, HelpForEveryCommand) {
    for (const char* command : {"drives", "scan", "ls", "search", "recover"}) {
        const auto r = RunCli({command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find(std::string("usage: tessaly-cli")), std::string::npos);
        EXPECT_NE(r.out.find(command), std::string::npos);
    }
}

TEST(CliDrives, ListsBoundVolumesWithLabels) {
    const auto r = RunCli({"--drive", "E=" + LoadVolume("fat32").image, "--drive",
                           "F=" + LoadVolume("ntfs").image, "drives"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("E:  FAT32  TESSALYFAT"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("F:  NTFS   TESSALYNTFS"), std::string::npos) << r.out;
}

TEST(CliDrives, ASettingsFileThatIsNotReadIsSaid) {
    TempDir dir;
    const std::string settings = dir.File("Options.ini");
    std::ofstream(settings) << "[Drives]\nG=" << LoadVolume("ntfs").image << "\n"
                            << std::string(5 << 20, ';');
    const auto r = RunCli({"drives"}, "", {"TESSALY_SETTINGS_FILE=" + settings});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("tessaly-cli: the settings file \"" + settings +
                         "\" was not read: it is larger than 4194304 bytes; every setting "
                         "keeps its default value"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out.find("G:  NTFS"), std::string::npos) << r.out;

    std::filesystem::remove(settings);
    std::filesystem::create_directory(settings);
    const auto d = RunCli({"drives"}, "", {"TESSALY_SETTINGS_FILE=" + settings});
    EXPECT_NE(d.err.find("was not read: it is not a regular file"), std::string::npos) << d.err;

    std::filesystem::remove(settings);
    const auto missing = RunCli({"drives"}, "", {"TESSALY_SETTINGS_FILE=" + settings});
    EXPECT_EQ(missing.err.find("settings file"), std::string::npos) << missing.err;
}

} // namespace

namespace {

TEST(CliDrives, SettingsBindLettersTheCommandLineLeavesFree) {
    TempDir config;
    std::filesystem::create_directories(config.File("tessaly"));
    std::ofstream(config.File("tessaly/Options.ini"))
        << "[Drives]\nG=" << LoadVolume("ntfs").image << "\nH=/no/such/image.img\n"
        << "E=/ignored/because/the/command/line/binds/E.img\n";
    const auto r = RunCli({"--drive", "E=" + LoadVolume("fat32").image, "drives"}, "",
                          {"XDG_CONFIG_HOME=" + config.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("E:  FAT32"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("G:  NTFS"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("/no/such/image.img"), std::string::npos) << r.err;
}

} // namespace
