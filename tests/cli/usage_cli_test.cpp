// `vyr` help and usage errors as a person meets them: usage lines in the order the words are
// typed, numbers out of range refused in words, one line per file a failed import refused.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_runner.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using vyr_cli_test::Outcome;
using vyr_cli_test::sample;

class UsageCli : public vyr_cli_test::CliTest {};

std::string hdr(const std::string& content, const std::string& label) {
    std::string line = content.substr(0, 60);
    line.resize(60, ' ');
    return line + label + "\n";
}

std::string d19(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%19.12E", value);
    std::string field = text;
    field[field.find('E')] = 'D';
    return field;
}

// A version-2 GPS message at hour of 2018-07-29; damaged: a letter in its third orbit line.
std::string gps_v2(int prn, int hour, bool damaged = false) {
    char first[40];
    std::snprintf(first, sizeof first, "%2d %02d %2d %2d %2d %2d%5.1f", prn, 18, 7, 29, hour, 0,
                  0.0);
    std::string text = first + d19(1.2e-4) + d19(-3.4e-12) + d19(0.0) + "\n";
    for (int i = 0; i < 7; ++i) {
        std::string line = "   " + d19(i + 1.0) + d19(i + 1.0) + d19(i + 1.0) + d19(i + 1.0) + "\n";
        if (damaged && i == 2) line[10] = 'X';
        text += line;
    }
    return text;
}

std::string usage_of(const std::string& help) {
    const size_t at = help.find("Usage: ");
    if (at == std::string::npos) return "(no usage line)";
    return help.substr(at, help.find('\n', at) - at);
}

// A subcommand's help gives the words of the commands above it first; asking for it without
// those words, or through `vyr help`, gives the same help.
TEST_F(UsageCli, UsageLinesShowTheWordsInTheOrderTheyAreTyped) {
    const std::string windowsAdd = "Usage: vyr windows PROJECT STATION add FROM TO [--sat SAT]";
    const std::string resultsAdd = "Usage: vyr results PROJECT ASSOC add WHAT FILE --type TYPE";
    const struct {
        std::vector<std::string> args;
        std::string usage;
    } cases[] = {
        {{"--help"}, "Usage: vyr COMMAND ..."},
        {{"windows", "--help"}, "Usage: vyr windows PROJECT STATION add|list|clear ..."},
        {{"windows", "p.vyr", "SITE", "add", "--help"}, windowsAdd},
        {{"windows", "add", "--help"}, windowsAdd},
        {{"windows", "p.vyr", "add", "-h"}, windowsAdd},
        {{"help", "windows", "add"}, windowsAdd},
        {{"windows", "p.vyr", "SITE", "list", "--help"},
         "Usage: vyr windows PROJECT STATION list [--json]"},
        {{"results", "show", "--help"}, "Usage: vyr results PROJECT ASSOC show KIND [OPTIONS]"},
        {{"results", "p.vyr", "add", "--help"}, resultsAdd},
        {{"assoc", "add", "--help"},
         "Usage: vyr assoc PROJECT add ROVER [--reference REFERENCE] [--flags FLAGS]"},
        {{"cfb", "ls", "--help"}, "Usage: vyr cfb ls FILE [--json] [--salvage]"},
        {{"cfb", "pack", "--help"}, "Usage: vyr cfb pack DIR FILE [--v4]"},
        {{"import", "-h"}, "Usage: vyr import PROJECT FILE... [OPTIONS]"},
        {{"copy", "--help"},
         "Usage: vyr copy PROJECT DEST [--without-results|--without-measurements]"},
        {{"export", "--help"}, "Usage: vyr export PROJECT STATION [OPTIONS]"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = vyr(c.args);
        EXPECT_EQ(outcome.status, 0) << c.usage;
        EXPECT_EQ(usage_of(outcome.out), c.usage);
    }
}

// A command that takes words before its subcommands lists each subcommand by the line that runs
// it, and describes the words of its parents among its own.
TEST_F(UsageCli, HelpOfACommandWithSubcommandsListsTheirLines) {
    const Outcome windows = vyr({"help", "windows"});
    EXPECT_THAT(windows.out, HasSubstr("  vyr windows PROJECT STATION add FROM TO [--sat SAT]\n"
                                       "      Add a window"));
    EXPECT_THAT(windows.out, HasSubstr("  vyr windows PROJECT STATION clear [--sat SAT]\n"));
    const Outcome add = vyr({"windows", "add", "--help"});
    for (const char* word : {"PROJECT", "STATION", "FROM", "TO"})
        EXPECT_THAT(add.out, HasSubstr("\n  " + std::string(word) + " ")) << word;
    // The program is named as it is typed, not by the path it was started from.
    EXPECT_THAT(vyr({"--help"}).out, Not(HasSubstr("/vyr")));
}

// Every number a command takes is refused outside its range with the range in words: negative,
// too large for the command or for a double, not finite, not a number.
TEST_F(UsageCli, NumbersOutOfRangeAreRefusedWithTheRangeInWords) {
    const std::string interval = " is not a number of seconds from 0 to 2147483";
    const std::string flags = " is not a number from 0 to 4294967295 (decimal or 0x hex)";
    const struct {
        std::vector<std::string> args;
        std::string said;
    } cases[] = {
        {{"obs", project, "S", "--interval", "1e400"}, "--interval: 1e400" + interval},
        {{"obs", project, "S", "--interval", "-5"}, "--interval: -5" + interval},
        {{"obs", project, "S", "--interval", "nan"}, "--interval: nan" + interval},
        {{"obs", project, "S", "--interval", "inf"}, "--interval: inf" + interval},
        {{"obs", project, "S", "--interval", "ten"}, "--interval: ten" + interval},
        {{"obs", project, "S", "--interval", "5s"}, "--interval: 5s" + interval},
        // Milliseconds of this many seconds do not fit the filter's 32-bit word.
        {{"obs", project, "S", "--interval", "2147484"}, "--interval: 2147484" + interval},
        {{"export", project, "S", "--interval", "-0.5"}, "--interval: -0.5" + interval},
        {{"assoc", project, "add", "R", "--flags", "-1"}, "--flags: -1" + flags},
        {{"assoc", project, "add", "R", "--flags", "4294967296"}, "--flags: 4294967296" + flags},
        {{"assoc", project, "add", "R", "--flags", "0x"}, "--flags: 0x" + flags},
        {{"assoc", project, "add", "R", "--flags", "1e3"}, "--flags: 1e3" + flags},
        {{"explain", "0x100000000"}, "CODE: 0x100000000 is not a result code: 0x00000000 to"},
        {{"explain", "-2147483649"}, "CODE: -2147483649 is not a result code"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = vyr(c.args);
        EXPECT_EQ(outcome.status, 2) << c.said;
        EXPECT_THAT(outcome.err, HasSubstr(c.said));
        EXPECT_LT(outcome.err.size(), 200u) << outcome.err;
    }
}

// A failed import names each file it refused on a line of its own (with the line of the file
// where the library knows it) and ends with one summary line; a navigation record read past is
// named by its line in the summary of its file.
TEST_F(UsageCli, AFailedImportGivesALinePerFileAndASummary) {
    const std::string navHeader =
        hdr("     2.11           N: GPS NAV DATA", "RINEX VERSION / TYPE");
    const std::string nav3Header =
        hdr("     3.04           N: GNSS NAV DATA    G: GPS", "RINEX VERSION / TYPE");
    // An epoch of two satellites that breaks off after its first, on line 5 of the file.
    const std::string cutObservations =
        hdr("     3.04           OBSERVATION DATA    G", "RINEX VERSION / TYPE") +
        hdr("G    1 C1C", "SYS / # / OBS TYPES") + hdr("", "END OF HEADER") +
        "> 2020 03 01 00 00  0.0000000  0  2\nG05  20000000.000  \n";
    const std::vector<std::string> files = {
        sample("vyra0020.21o"),
        write("nav.18n", navHeader + hdr("", "END OF HEADER") + gps_v2(5, 0) + gps_v2(6, 2, true) +
                             gps_v2(7, 4)),
        write("noend.18n", navHeader + gps_v2(5, 0)),
        write("noend.rnx", nav3Header + "G05 2018 07 29 00 00 00" + d19(1e-4) + "\n"),
        write("cut.rnx", cutObservations),
        write("damaged.gz", std::string("\x1f\x8b\x08\0\0\0\0\0\0\x03garbage, not deflate")),
        (dir / "missing.rnx").string(),
    };
    std::vector<std::string> args = {"import", project};
    args.insert(args.end(), files.begin(), files.end());
    const Outcome outcome = vyr(args);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_THAT(outcome.out, HasSubstr("vyra0020.21o: station VYRA"));
    EXPECT_THAT(outcome.out,
                HasSubstr("nav.18n: RINEX navigation (GPS): GPS ephemerides 2 added; read past 1 "
                          "damaged record (line 11): a message with a value that cannot be read"));
    const std::vector<std::string> failures = {
        "noend.18n: the header has no END OF HEADER",
        "noend.rnx:2: the header has no END OF HEADER",
        "cut.rnx:5: the file ends inside the epoch of line 4",
        "damaged.gz: gzip data is damaged",
        "missing.rnx: File not found.",
        "5 of 7 files not imported",
    };
    const std::vector<std::string> lines = vyr_cli_test::lines_of(outcome.err);
    ASSERT_EQ(lines.size(), failures.size()) << outcome.err;
    for (size_t i = 0; i < failures.size(); ++i) {
        EXPECT_THAT(lines[i], HasSubstr(failures[i]));
        EXPECT_EQ(lines[i].rfind("vyr: ", 0), 0u) << lines[i];
    }
}

}  // namespace
