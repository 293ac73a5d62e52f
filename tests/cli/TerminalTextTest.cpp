// Names go to a terminal with their control characters escaped, as --json writes them: a
// name on a damaged or hostile volume cannot move the cursor, recolour the screen or forge
// lines of output.
#include "cli/RowOutput.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/ScratchVolume.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace tessaly::test;

namespace {

TEST(TerminalText, EscapesControlCharactersOnly) {
    EXPECT_EQ(TerminalText("plain name.txt"), "plain name.txt");
    EXPECT_EQ(TerminalText("E:\\Docs\\a.txt"), "E:\\Docs\\a.txt"); // paths keep backslashes
    EXPECT_EQ(TerminalText("a\nb\rc\td"), "a\\nb\\rc\\td");
    EXPECT_EQ(TerminalText("\x1b[31mred"), "\\u001b[31mred");
    EXPECT_EQ(TerminalText(std::string("nul\0x", 5)), "nul\\u0000x");
    EXPECT_EQ(TerminalText("del\x7f"), "del\\u007f");
    EXPECT_EQ(TerminalText("c1\xC2\x9B"
                           "2J"),
              "c1\\u009b2J"); // CSI
    EXPECT_EQ(TerminalText("txt.\xE2\x80\xAE"
                           "exe"),
              "txt.\\u202eexe"); // right-to-left
    EXPECT_EQ(TerminalText("R\xC3\xA9sum\xC3\xA9 \xE2\x80\x93 \xE6\x97\xA5"),
              "R\xC3\xA9sum\xC3\xA9 \xE2\x80\x93 \xE6\x97\xA5"); // other characters stay
}

TEST(TerminalText, NamesFromAVolumeAreEscapedInEveryListing) {
    TempDir dir;
    ScratchVolume v(ScratchVolume::Fs::kNtfs, dir.File("evil.img"), 8);
    v.MakeFolder("Dir\x1b[2Jx");
    v.WriteFile("Dir\x1b[2Jx/evil\x1b[31mred\nFAKE LINE.txt", "data");
    ASSERT_TRUE(v.Close()) << v.Why();
    const std::string bind = "E=" + dir.File("evil.img");
    const std::string name = "evil\\u001b[31mred\\nFAKE LINE.txt";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--drive", bind, "scan", "E:"},
          std::vector<std::string>{"--drive", bind, "scan", "E:", "--tree"},
          std::vector<std::string>{"--drive", bind, "ls", "E:\\Dir\x1b[2Jx"},
          std::vector<std::string>{"--drive", bind, "search", "E:", "evil*"}}) {
        SCOPED_TRACE(args[3]);
        const auto r = RunCli(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(name), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("\nFAKE LINE"), std::string::npos);
    }
    const auto recovered =
        RunCli({"--drive", bind, "recover", "E:", "--all", "--to", dir.File("out"), "-v"});
    ASSERT_EQ(recovered.status, 0) << recovered.err;
    EXPECT_EQ(recovered.err.find('\x1b'), std::string::npos) << recovered.err;
    EXPECT_NE(recovered.err.find("/Dir\\u001b[2Jx/" + name), std::string::npos) << recovered.err;
}

} // namespace
