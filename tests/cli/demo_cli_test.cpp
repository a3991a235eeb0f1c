// `vyr demo` end to end: run from a folder with no samples in reach, by a copy of the command
// away from the source tree, it works on the samples built into it and removes what it made.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_runner.h"

namespace {

using vyr_cli_test::Outcome;
using vyr_cli_test::quote;
using vyr_cli_test::slurp;

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Paths below folder, relative to it and sorted; folders end in '/'.
std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> found;
    if (!fs::exists(folder)) return found;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        found.push_back(fs::relative(entry.path(), folder).string() +
                        (entry.is_directory() ? "/" : ""));
    std::sort(found.begin(), found.end());
    return found;
}

class DemoCli : public vyr_cli_test::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        // The command copied away from the build and source trees, as if installed; the copy
        // finds the library by the build tree's run path.
        fs::create_directories(dir / "bin");
        command = dir / "bin" / "vyr";
        fs::copy_file(VYR_CLI_PATH, command);
        work = dir / "work";
        temporary = dir / "tmp";
        fs::create_directories(work);
        fs::create_directories(temporary);
    }

    // Runs the command in the work folder, with the temporary folder as TMPDIR.
    Outcome demo(const std::vector<std::string>& args) {
        std::string cmd = "cd " + quote(work.string()) + " && TMPDIR=" + quote(temporary) + " " +
                          quote(command.string()) + " demo";
        for (const std::string& arg : args) cmd += " " + quote(arg);
        cmd += " >" + quote((dir / "stdout").string()) + " 2>" + quote((dir / "stderr").string());
        const int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir / "stdout"),
                slurp(dir / "stderr")};
    }

    fs::path command;
    fs::path work;
    fs::path temporary;
};

TEST_F(DemoCli, RunsFromAnyFolderAndLeavesNothing) {
    const Outcome run = demo({});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_THAT(run.out, HasSubstr("/samples/vyra0020.21o: station "));
    EXPECT_THAT(run.out, HasSubstr("/samples/VYRB00XXX_R_20210021200_06M_30S_MO.rnx: station "));
    EXPECT_THAT(run.out, HasSubstr("\nvyr export "));
    EXPECT_THAT(run.out, HasSubstr("the demo's files are removed"));
    EXPECT_THAT(entries(work), IsEmpty());
    EXPECT_THAT(entries(temporary), IsEmpty());
}

TEST_F(DemoCli, KeepLeavesTheProjectAndSaysWhere) {
    const Outcome run = demo({"--keep"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> made = entries(temporary);
    ASSERT_FALSE(made.empty());
    std::string name = made.front();
    name.pop_back();  // the folder's '/'
    const fs::path folder = temporary / name;
    EXPECT_THAT(run.out, HasSubstr("the demo's files are kept in " + folder.string() + "\n"));
    EXPECT_THAT(
        entries(folder),
        ElementsAre("demo.vyr", "rinex/", ::testing::StartsWith("rinex/"), "samples/",
                    "samples/VYRB00XXX_R_20210021200_06M_30S_MO.rnx", "samples/vyra0020.21o"));
    // The samples built into the command are the bundled ones, byte for byte.
    for (const char* name : {"vyra0020.21o", "VYRB00XXX_R_20210021200_06M_30S_MO.rnx"})
        EXPECT_EQ(slurp(folder / "samples" / name), slurp(vyr_cli_test::sample(name))) << name;
    const Outcome info = vyr({"info", (folder / "demo.vyr").string()});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_THAT(entries(work), IsEmpty());
}

TEST_F(DemoCli, AFolderGivenKeepsWhatWasThereAndRefusesToOverwrite) {
    struct Case {
        const char* what;
        const char* file;  // made in the work folder first, holding "mine"; null: none
        std::vector<std::string> args;
        int status;
        std::vector<std::string> after;  // entries of the work folder
        const char* message;             // on stderr
    };
    const Case cases[] = {
        {"a folder with a file of its own", "d/mine.txt", {"d"}, 0, {"d/", "d/mine.txt"}, ""},
        {"missing folders are made and removed", nullptr, {"a/b/c/"}, 0, {}, ""},
        {"a project of the name there already",
         "d/demo.vyr",
         {"d"},
         2,
         {"d/", "d/demo.vyr"},
         "d/demo.vyr exists"},
        {"a samples folder there already",
         "d/samples/a.rnx",
         {"d"},
         2,
         {"d/", "d/samples/", "d/samples/a.rnx"},
         "d/samples exists"},
        {"a file in the folder's place", "d", {"d"}, 2, {"d"}, "d: not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(work);
        fs::create_directories(work);
        if (c.file != nullptr) vyr_cli_test::put_file(work / c.file, "mine");
        const Outcome run = demo(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_THAT(entries(work), ElementsAreArray(c.after));
        EXPECT_THAT(entries(temporary), IsEmpty());
    }
    EXPECT_EQ(slurp(work / "d"), "mine");
}

}  // namespace
