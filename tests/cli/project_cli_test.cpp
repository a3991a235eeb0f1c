// `vyr create`, `copy` and `explain` end to end (`vyr show` in show_cli_test.cpp): exit status,
// output and the files left.
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vyr/vyr.h>
#include "cli_runner.h"

namespace {

using vyr_cli_test::Outcome;
using vyr_cli_test::slurp;

using ::testing::HasSubstr;
using ::testing::Not;

class ProjectCli : public vyr_cli_test::CliTest {};

TEST_F(ProjectCli, CreateMakesAProjectOnceAndRefusesToReplaceIt) {
    ASSERT_EQ(vyr({"create", project}).status, 0);
    const Outcome again = vyr({"create", project});
    EXPECT_EQ(again.status, 1);
    EXPECT_THAT(again.err, HasSubstr(project));
    EXPECT_THAT(again.err, HasSubstr("already exists"));
    EXPECT_EQ(vyr({"show", project, "version"}).out, "major\t3\nminor\t0\n");
}

// A first word that is no command is a usage error naming it and what was likely meant;
// `vyr help [COMMAND]` is `--help`.
TEST_F(ProjectCli, UnknownCommandsSayWhatWasLikelyMeant) {
    const std::string file = write("p.txt", "x\n");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string said;
    } cases[] = {
        {{"imprt", "p.vyr", "a.rnx"}, 2, "unknown command 'imprt'; did you mean 'import'?"},
        {{"hepl"}, 2, "unknown command 'hepl'; did you mean 'help'?"},
        {{"frobnicate"}, 2, "unknown command 'frobnicate'; vyr --help lists the commands"},
        {{file, "info"}, 2, "the command comes first (vyr info " + file},
        {{"help"}, 0, "Usage:"},
        {{"help", "import"}, 0, "Usage: vyr import PROJECT FILE... [OPTIONS]"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = vyr(c.args);
        EXPECT_EQ(outcome.status, c.status) << c.said;
        EXPECT_THAT(outcome.out + outcome.err, HasSubstr(c.said));
    }
}

// What is not a project is named in words, not as the library's "Storage not found" or a bare
// code, by the read-only commands, the writing ones, and `vyr import` with its words swapped
// (which leaves the file alone); a damaged project by what the engine found wrong.
TEST_F(ProjectCli, WhatIsNotAProjectIsNamedInWords) {
    const std::string text = write("notes.txt", "not a project\n");
    ASSERT_EQ(vyr({"create", project}).status, 0);
    std::string bytes = slurp(project);
    bytes[56 + 1] = 0x08;  // the header's mini stream cutoff: 2048 instead of 4096
    const std::string damaged = write("damaged.vyr", bytes);
    const std::string rinex = vyr_cli_test::sample("vyra0020.21o");
    const std::string rinexBytes = slurp(rinex);
    const struct {
        std::vector<std::string> args;
        std::string said;
    } cases[] = {
        {{"show", (dir / "none.vyr").string(), "version"}, "none.vyr: does not exist"},
        {{"info", dir.string()}, ": is a folder, not a project"},
        {{"info", text}, "notes.txt: is not a project (not a compound document)"},
        {{"info", rinex},
         "vyra0020.21o: looks like a RINEX observation file: did you mean `vyr import PROJECT "
         "FILE`?"},
        {{"import", rinex, project}, "vyra0020.21o: looks like a RINEX observation file"},
        // The commands that write say it the same way.
        {{"assoc", (dir / "none.vyr").string(), "add", "A", "--reference", "B"},
         "none.vyr: does not exist"},
        {{"upgrade", text}, "notes.txt: is not a project (not a compound document)"},
        {{"import", dir.string(), rinex}, ": is a folder, not a project"},
        {{"info", damaged},
         "damaged.vyr: damaged: the header's mini stream cutoff is 2048, not 4096 (0x"},
        {{"assoc", damaged, "add", "A", "--reference", "B"},
         "damaged.vyr: damaged: the header's mini stream cutoff is 2048, not 4096 (0x"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = vyr(c.args);
        EXPECT_EQ(outcome.status, 1) << c.said;
        EXPECT_THAT(outcome.err, HasSubstr(c.said));
        EXPECT_THAT(outcome.err, Not(HasSubstr("Storage not found")));
    }
    EXPECT_EQ(slurp(rinex), rinexBytes);
}

TEST_F(ProjectCli, CopyKeepsTheSourceAndNeverReplacesTheDestination) {
    ASSERT_EQ(vyr({"import", project, vyr_cli_test::sample("vyra0020.21o")}).status, 0);
    const std::string copy = (dir / "copy.vyr").string();
    ASSERT_EQ(vyr({"copy", project, copy, "--without-results"}).status, 0);
    // Its stations open, with their epochs: only the results were left out.
    const Outcome info = vyr({"info", copy});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out, vyr({"info", project}).out);
    const Outcome again = vyr({"copy", project, copy});
    EXPECT_EQ(again.status, 1);
    EXPECT_THAT(again.err, HasSubstr("already exists"));
    EXPECT_EQ(
        vyr({"copy", project, copy + "2", "--without-results", "--without-measurements"}).status,
        2);
}

TEST_F(ProjectCli, ExplainTakesHexOrDecimalAndSaysWhenThereIsNoText) {
    EXPECT_EQ(vyr({"explain", "0x8000E002"}).out, "Failed to read.\n");
    EXPECT_EQ(vyr({"explain", "--", "-2147426302"}).out, "Failed to read.\n");
    EXPECT_EQ(vyr({"explain", "2147540994"}).out, "Failed to read.\n");
    const Outcome none = vyr({"explain", "0x80008006"});
    EXPECT_EQ(none.status, 1);
    EXPECT_THAT(none.err, HasSubstr("no text for code 0x80008006"));
    EXPECT_EQ(vyr({"explain", "banana"}).status, 2);
}

}  // namespace
