// What the fault tests share: the command run under a failing file system, the input files of
// every kind the command imports, and a project that already holds data.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../cli/cli_runner.h"

namespace vyr_faults {

using vyr_cli_test::Outcome;
using vyr_cli_test::slurp;

// One small file of each kind `vyr import` takes, written by the seed maker of the converters'
// fuzz target (our own samples and texts).
inline const std::vector<std::string>& input_names() {
    static const std::vector<std::string> names{"vyra0020.21o", "obs3.rnx",  "compact.crx",
                                                "nav2.rnx",     "nav3.rnx",  "nav4.rnx",
                                                "glonass2.rnx", "orbit.sp3", "model.ion"};
    return names;
}

// Runs `vyr` with the failing file system preloaded and `env` ("NAME=value ...") set.
inline Outcome run_failing(const std::vector<std::string>& args, const std::filesystem::path& dir,
                           const std::string& env) {
    std::string cmd = env + " LD_PRELOAD=" + vyr_cli_test::quote(VYR_FAILING_IO_PATH) + " " +
                      vyr_cli_test::quote(VYR_CLI_PATH);
    for (const auto& a : args) cmd += " " + vyr_cli_test::quote(a);
    cmd += " >" + vyr_cli_test::quote((dir / "stdout").string()) + " 2>" +
           vyr_cli_test::quote((dir / "stderr").string());
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir / "stdout"), slurp(dir / "stderr")};
}

// A scratch folder with the inputs and a project holding a station and navigation data, made
// over two commits so that it has free sectors inside, as projects in use do.
class FaultTest : public vyr_cli_test::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        inputs = dir / "inputs";
        const std::string make =
            vyr_cli_test::quote(VYR_FAULT_INPUTS_PATH) + " " + vyr_cli_test::quote(inputs.string());
        ASSERT_EQ(std::system(make.c_str()), 0);
        ASSERT_EQ(vyr({"import", project, input("VYRB00XXX_R_20210021200_06M_30S_MO.rnx")}).status,
                  0);
        ASSERT_EQ(vyr({"import", project, input("nav3.rnx")}).status, 0);
        base = slurp(project);
    }

    std::string input(const std::string& name) const { return (inputs / name).string(); }
    // The writes, resizes and flushes of a clean run of `args`, which must succeed; the project
    // is then put back as it was.
    long calls_of(const std::vector<std::string>& args, const std::string& env = {}) {
        const std::string count = (dir / "count").string();
        const Outcome clean = run_failing(args, dir, env + "VYR_COUNT_FILE=" + count);
        EXPECT_EQ(clean.status, 0) << args[0] << ": " << clean.err;
        restore_base();
        return std::atol(slurp(count).c_str());
    }
    void restore_base() const {
        std::ofstream(project, std::ios::binary | std::ios::trunc) << base;
    }

    // Hidden files a command made on its way to a new project and did not remove.
    int leftovers() const {
        int found = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            found += entry.path().filename().string().find(".new-") != std::string::npos ? 1 : 0;
        return found;
    }

    std::filesystem::path inputs;
    std::string base;  // the project's bytes before each import under test
};

}  // namespace vyr_faults
