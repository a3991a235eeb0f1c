// Commands that write a file of their own (a picture, a packed document, the demo's project)
// under a failing file system: they say why, leave an earlier file as it was, and leave nothing
// of their own behind.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "faults_support.h"

namespace vyr_faults {
namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Found by a hostile run: on a full disk the earlier picture was cut to nothing, exit 1.
TEST_F(FaultTest, APictureThatCannotBeWrittenLeavesTheEarlierOne) {
    const std::string picture = (dir / "a.svg").string();
    const struct {
        const char* what;
        const char* env;
        const char* said;
    } cases[] = {
        {"a full disk", "VYR_FAIL_SPACE=100", "no space left on device"},
        {"a failing flush", "VYR_FAIL_CALL=2", "input/output error"},
        {"a failing rename", "VYR_FAIL_PLACE=1", "input/output error"},
    };
    for (const std::string folder : {"", "VYR_NO_TMPFILE=1 "}) {
        for (const auto& c : cases) {
            const std::string what = folder + c.what;
            vyr_cli_test::put_file(picture, "my earlier picture");
            const Outcome outcome = run_failing(
                {"plot", project, "VYRB", "availability", "-o", picture}, dir, folder + c.env);
            EXPECT_EQ(outcome.status, 1) << what;
            EXPECT_NE(lowered(outcome.err).find(lowered(picture + ": cannot write: ") + c.said),
                      std::string::npos)
                << what << ": " << outcome.err;
            EXPECT_EQ(slurp(picture), "my earlier picture") << what;
            EXPECT_EQ(leftovers(), 0) << what;
        }
    }
}

// Found by a hostile run: a pack that failed on a full disk left an empty document, and the
// retry then failed with "already exists".
TEST_F(FaultTest, APackThatFailsLeavesNoDocumentAndTheRetryWorks) {
    const std::string tree = (dir / "tree").string();
    vyr_cli_test::put_file(dir / "tree" / "x" / "y", std::string(5000, 'y'));
    const std::string packed = (dir / "t.cfb").string();
    const std::vector<std::string> args{"cfb", "pack", tree, packed};
    for (const std::string folder : {"", "VYR_NO_TMPFILE=1 "}) {
        const long calls = calls_of(args, folder);
        std::filesystem::remove(packed);
        ASSERT_GT(calls, 1) << folder;
        for (long k = 1; k <= calls; ++k) {
            const std::string what = folder + "call " + std::to_string(k);
            const Outcome outcome =
                run_failing(args, dir, folder + "VYR_FAIL_CALL=" + std::to_string(k));
            EXPECT_EQ(outcome.status, 1) << what;
            EXPECT_NE(outcome.err.find(packed), std::string::npos) << what << outcome.err;
            EXPECT_FALSE(std::filesystem::exists(packed)) << what;
            EXPECT_EQ(leftovers(), 0) << what;
            std::filesystem::remove(packed);
        }
        EXPECT_EQ(vyr(args).status, 0) << folder;
        std::filesystem::remove(packed);
    }
}

// Found by a hostile run: on a full disk the demo said only "cannot create a project".
TEST_F(FaultTest, ADemoOnAFullDiskSaysWhy) {
    const std::string folder = (dir / "demo").string();
    const Outcome outcome = run_failing({"demo", folder}, dir, "VYR_FAIL_SPACE=1024");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(lowered(outcome.err).find("no space left on device"), std::string::npos)
        << outcome.err;
    EXPECT_FALSE(std::filesystem::exists(folder));
}

// An unpack whose disk fills up says why and leaves no part of the file it was writing (made by
// it, so its own to remove); files written whole before stay.
TEST_F(FaultTest, AnUnpackThatCannotWriteAFileLeavesNoPartOfIt) {
    const std::string tree = (dir / "tree").string();
    vyr_cli_test::put_file(dir / "tree" / "a", "small");
    vyr_cli_test::put_file(dir / "tree" / "b", std::string(20000, 'b'));
    const std::string packed = (dir / "t.cfb").string();
    ASSERT_EQ(vyr({"cfb", "pack", tree, packed}).status, 0);
    const std::string out = (dir / "out").string();
    // Files may grow to 8 KiB; the signal that would end the process is ignored, so the write
    // fails as on a full disk.
    const std::string command = "trap '' XFSZ; ulimit -f 16; exec " +
                                vyr_cli_test::quote(VYR_CLI_PATH) + " cfb unpack " +
                                vyr_cli_test::quote(packed) + " " + vyr_cli_test::quote(out) +
                                " 2>" + vyr_cli_test::quote((dir / "stderr").string());
    const int raw = std::system(("sh -c " + vyr_cli_test::quote(command)).c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
    EXPECT_NE(slurp(dir / "stderr").find(out + "/b: write failed: File too large"),
              std::string::npos)
        << slurp(dir / "stderr");
    EXPECT_EQ(slurp(dir / "out" / "a"), "small");
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "b"));
}

}  // namespace
}  // namespace vyr_faults
