// Names and paths past what the system takes (a name over 255 bytes, a path over 4,096, a
// temporary folder that cannot be used) end a command with one line naming the problem and
// exit 1, never with an abort.
#include "faults_support.h"

namespace vyr_faults {
namespace {

TEST_F(FaultTest, OverlongNamesAndPathsGiveOneLineAndExitOne) {
    const std::string longName = (dir / (std::string(300, 'n') + ".vyr")).string();
    std::string longPath = dir.string();
    while (longPath.size() < 5000) longPath += "/" + std::string(200, 'd');
    longPath += "/p.vyr";
    const std::string obs = input("obs3.rnx");
    const std::vector<std::vector<std::string>> commands{
        {"import", longName, obs},     {"import", longPath, obs}, {"import", project, longName},
        {"import", project, longPath}, {"info", longName},        {"info", longPath},
        {"create", longName},          {"create", longPath},      {"copy", project, longPath},
        {"cfb", "ls", longPath}};
    for (const auto& args : commands) {
        const Outcome outcome = vyr(args);
        std::string shown;
        for (const auto& a : args) shown += " " + a.substr(0, 40);
        EXPECT_EQ(outcome.status, 1) << shown << ": " << outcome.err;
        EXPECT_EQ(outcome.err.rfind("vyr: ", 0), 0u) << shown << ": " << outcome.err;
        EXPECT_EQ(outcome.err.find("terminate"), std::string::npos) << shown;
    }
    EXPECT_EQ(slurp(project), base);
}

// Compact files are expanded while they are read: no temporary file, so a folder for them that
// cannot be used changes nothing.
TEST_F(FaultTest, ACompactFileNeedsNoTemporaryFolder) {
    const std::string tmp =
        "TMPDIR=" + vyr_cli_test::quote(dir.string() + "/" + std::string(5000, 't'));
    const Outcome outcome = run_failing({"import", project, input("compact.crx")}, dir, tmp);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("compact.crx: station"), std::string::npos) << outcome.out;
}

}  // namespace
}  // namespace vyr_faults
