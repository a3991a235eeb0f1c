// `vyr plot -o` end to end: the picture never takes the place of a project, and takes the place
// of an earlier picture whole, leaving nothing of its own beside it.
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_runner.h"

namespace {

using vyr_cli_test::Outcome;
using vyr_cli_test::put_file;
using vyr_cli_test::sample;
using vyr_cli_test::slurp;

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class PlotCli : public vyr_cli_test::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        ASSERT_EQ(vyr({"import", project, sample("vyra0020.21o")}).status, 0);
    }
    Outcome plot(const std::string& output) {
        return vyr({"plot", project, "VYRA", "availability", "-o", output});
    }
    // Names in the scratch folder that no test made: the command's temporaries.
    std::vector<std::string> strays() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().filename().string().rfind('.', 0) == 0)
                found.push_back(entry.path().filename().string());
        return found;
    }
};

// Found by a hostile run: `-o p.vyr` replaced the project being read with the picture, exit 0.
TEST_F(PlotCli, AProjectIsNeverWrittenOver) {
    const std::string other = (dir / "other.vyr").string();
    ASSERT_EQ(vyr({"create", other}).status, 0);
    const std::string link = (dir / "link.vyr").string();
    fs::create_symlink(project, link);
    const std::string hard = (dir / "hard.vyr").string();
    fs::create_hard_link(project, hard);
    const struct {
        const char* what;
        std::string output;
        std::string project;  // the file whose bytes must stay
    } cases[] = {
        {"the project it reads", project, project},
        {"a link to the project", link, project},
        {"another name of the project", hard, project},
        {"another project", other, other},
    };
    for (const auto& c : cases) {
        const std::string before = slurp(c.project);
        const Outcome outcome = plot(c.output);
        EXPECT_EQ(outcome.status, 1) << c.what;
        EXPECT_THAT(outcome.err,
                    HasSubstr(c.output +
                              ": is a project (a compound document); plot will not write over it"))
            << c.what;
        EXPECT_TRUE(slurp(c.project) == before) << c.what;
        EXPECT_TRUE(fs::is_symlink(link)) << c.what;
        EXPECT_THAT(strays(), ::testing::IsEmpty()) << c.what;
    }
}

// An earlier picture is replaced whole, keeps its permissions, and a link to it stays a link.
TEST_F(PlotCli, AnEarlierPictureIsReplacedWhole) {
    const std::string file = put_file(dir / "a.svg", "my earlier picture");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    const std::string target = put_file(dir / "b.svg", "another earlier picture");
    const std::string link = (dir / "l.svg").string();
    fs::create_symlink("b.svg", link);
    const struct {
        const char* what;
        std::string output, written;
    } cases[] = {{"a file", file, file}, {"a link", link, target}};
    for (const auto& c : cases) {
        const Outcome outcome = plot(c.output);
        ASSERT_EQ(outcome.status, 0) << c.what << ": " << outcome.err;
        EXPECT_THAT(slurp(c.written), StartsWith("<?xml")) << c.what;
        EXPECT_THAT(strays(), ::testing::IsEmpty()) << c.what;
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

// A pipe or device is written as it stands: never renamed over (as root that would replace a
// device such as /dev/null with a file), never read to see whether it is a project (the read
// would wait for a writer).
TEST_F(PlotCli, APipeIsWrittenAsItStands) {
    const std::string pipe = (dir / "pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string got = (dir / "got").string();
    using vyr_cli_test::quote;
    const std::string command = "cat " + quote(pipe) + " >" + quote(got) + " & timeout 60 " +
                                quote(VYR_CLI_PATH) + " plot " + quote(project) +
                                " VYRA availability -o " + quote(pipe) + "; status=$?; wait; " +
                                "exit $status";
    const int raw = std::system(("sh -c " + quote(command)).c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 0);
    EXPECT_THAT(slurp(got), StartsWith("<?xml"));
    EXPECT_EQ(fs::symlink_status(pipe).type(), fs::file_type::fifo);
}

}  // namespace
