// Nothing lost, nothing claimed: an import whose file system fails at any write, flush or size
// says so and leaves the project byte for byte as it was; racing commands never delete or
// overwrite each other's project.
#include <sys/mount.h>

#include <fstream>
#include <thread>

#include "faults_support.h"

namespace vyr_faults {
namespace {

class EveryFailure : public FaultTest {
protected:
    void expect_failed_and_untouched(const Outcome& outcome, const std::string& name,
                                     const std::string& fault) {
        EXPECT_EQ(outcome.status, 1) << name << ", " << fault << ": " << outcome.out;
        EXPECT_NE(outcome.err.find(project), std::string::npos)
            << name << ", " << fault << ": the failure does not name the project: " << outcome.err;
        EXPECT_TRUE(outcome.out.find("added") == std::string::npos)
            << name << ", " << fault << ": claims " << outcome.out;
        EXPECT_TRUE(slurp(project) == base) << name << ", " << fault << ": the project changed";
    }
};

TEST_F(EveryFailure, OfAWriteResizeOrFlushLeavesTheProjectAsItWas) {
    for (const std::string& name : input_names()) {
        const long calls = calls_of({"import", project, input(name)});
        if (calls == 0) continue;  // in the project already: nothing is written
        for (long k = 1; k <= calls; ++k) {
            const Outcome outcome = run_failing({"import", project, input(name)}, dir,
                                                "VYR_FAIL_CALL=" + std::to_string(k));
            expect_failed_and_untouched(outcome, name, "call " + std::to_string(k) + " failing");
            restore_base();
        }
    }
}

TEST_F(EveryFailure, OfSpaceAtAnySizeIsReportedAndLeavesTheProjectAsItWas) {
    for (const std::string& name : input_names()) {
        ASSERT_EQ(vyr({"import", project, input(name)}).status, 0) << name;
        const std::string imported = slurp(project);
        restore_base();
        const uint64_t grown = imported.size();
        if (grown <= base.size()) continue;  // in the project already: nothing needs room
        // Space for at most the project as it was, then in steps up to the size it grows to.
        const uint64_t step = std::max<uint64_t>(512, (grown - base.size()) / 16 / 512 * 512);
        bool refused = false;
        for (uint64_t space = base.size(); space < grown + 8192; space += step) {
            const Outcome outcome = run_failing({"import", project, input(name)}, dir,
                                                "VYR_FAIL_SPACE=" + std::to_string(space));
            if (outcome.status == 0) {
                EXPECT_NE(slurp(project), base) << name << " claims success at " << space;
            } else {
                refused = true;
                expect_failed_and_untouched(outcome, name, std::to_string(space) + " bytes");
                EXPECT_NE(outcome.err.find("no space left on device"), std::string::npos)
                    << outcome.err;
            }
            restore_base();
        }
        EXPECT_TRUE(refused) << name << " never ran out of space";
    }
}

// Files the project holds already add nothing, and nothing is written: not a byte changes.
TEST_F(FaultTest, ImportingWhatTheProjectHoldsLeavesItsBytesAlone) {
    const Outcome again = vyr(
        {"import", project, input("VYRB00XXX_R_20210021200_06M_30S_MO.rnx"), input("nav3.rnx")});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("already"), std::string::npos) << again.out;
    EXPECT_TRUE(slurp(project) == base);
}

// A command making a new project (create, copy, an import into a missing one) under every
// failing write, in folders that take unnamed files and in those that do not: it says so and
// leaves no file, not even a hidden one.
TEST_F(EveryFailure, OfANewProjectLeavesNoFile) {
    const std::string fresh = (dir / "new.vyr").string();
    const std::vector<std::vector<std::string>> commands{
        {"create", fresh}, {"copy", project, fresh}, {"import", fresh, input("obs3.rnx")}};
    for (const std::string folder : {"", "VYR_NO_TMPFILE=1 "}) {
        for (const auto& args : commands) {
            const long calls = calls_of(args, folder);
            std::filesystem::remove(fresh);
            ASSERT_GT(calls, 1) << folder << args[0];
            for (long k = 1; k <= calls; ++k) {
                const std::string what = folder + args[0] + ", call " + std::to_string(k);
                const Outcome outcome =
                    run_failing(args, dir, folder + "VYR_FAIL_CALL=" + std::to_string(k));
                EXPECT_EQ(outcome.status, 1) << what;
                EXPECT_NE(outcome.err.find(fresh), std::string::npos) << outcome.err;
                EXPECT_FALSE(std::filesystem::exists(fresh)) << what;
                EXPECT_EQ(leftovers(), 0) << what;
                std::filesystem::remove(fresh);
            }
        }
    }
}

// A new project that cannot be named (the link or rename fails) is dropped whole: the file in it
// is reported as not imported, and the next file starts a new project.
TEST_F(FaultTest, ANewProjectThatCannotBeNamedIsDroppedWhole) {
    const std::string fresh = (dir / "new.vyr").string();
    for (const std::string folder : {"", "VYR_NO_TMPFILE=1 "}) {
        const Outcome outcome =
            run_failing({"import", fresh, input("obs3.rnx"), input("orbit.sp3")}, dir,
                        folder + "VYR_FAIL_PLACE=1");
        EXPECT_EQ(outcome.status, 1) << folder << outcome.err;
        EXPECT_NE(outcome.out.find("orbit.sp3"), std::string::npos) << folder << outcome.out;
        const std::string info = vyr({"info", fresh}).out;
        EXPECT_EQ(info.find("station\tSITE"), std::string::npos) << folder << info;
        EXPECT_NE(info.find("precise\t2"), std::string::npos) << folder << info;
        EXPECT_EQ(leftovers(), 0) << folder;
        std::filesystem::remove(fresh);
    }
}

// Two imports started together on a missing project: each that says it imported its file finds
// it in the project, and no temporary file is left behind.
TEST_F(FaultTest, RacingImportsIntoAMissingProjectLoseNothing) {
    const std::string racing = (dir / "race.vyr").string();
    const std::string sp3 = input("orbit.sp3");
    const std::string obs = input("obs3.rnx");
    for (int round = 0; round < 100; ++round) {
        std::filesystem::remove(racing);
        const std::string one = "'" VYR_CLI_PATH "' import '" + racing + "' '" + obs + "' >" +
                                (dir / "o1").string() + " 2>&1";
        const std::string two = "'" VYR_CLI_PATH "' import '" + racing + "' '" + sp3 + "' >" +
                                (dir / "o2").string() + " 2>&1";
        int first = -1;
        int second = -1;
        std::thread a([&] { first = std::system(one.c_str()); });
        std::thread b([&] { second = std::system(two.c_str()); });
        a.join();
        b.join();
        ASSERT_TRUE(std::filesystem::exists(racing)) << "round " << round;
        const Outcome info = vyr({"info", racing});
        ASSERT_EQ(info.status, 0) << "round " << round << ": " << info.err;
        if (first == 0) {
            EXPECT_NE(info.out.find("station\tSITE"), std::string::npos) << "round " << round;
        }
        if (second == 0) {
            EXPECT_NE(info.out.find("precise\t2"), std::string::npos)
                << "round " << round << ": " << info.out;
        }
        EXPECT_TRUE(first == 0 || second == 0) << "round " << round;
        EXPECT_EQ(leftovers(), 0) << "round " << round;
    }
}

// A real full disk: a small in-memory file system, where the machine lets the test mount one.
TEST_F(FaultTest, ImportOntoAFullDiskSaysSoAndKeepsTheProject) {
    const std::filesystem::path small = dir / "small";
    std::filesystem::create_directories(small);
    const std::string size = "size=" + std::to_string(base.size() + 8192);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, size.c_str()) != 0)
        GTEST_SKIP() << "this machine refuses to mount a small file system here";
    const std::string onDisk = (small / "p.vyr").string();
    std::ofstream(onDisk, std::ios::binary) << base;
    std::ofstream(small / "filler", std::ios::binary) << std::string(1 << 20, 'x');  // till full
    const std::string before = slurp(onDisk);
    const Outcome outcome = vyr({"import", onDisk, input("obs3.rnx")});
    const std::string after = slurp(onDisk);
    ::umount(small.c_str());
    EXPECT_EQ(outcome.status, 1) << outcome.out;
    EXPECT_NE(outcome.err.find("no space left on device"), std::string::npos) << outcome.err;
    EXPECT_TRUE(after == before) << outcome.out << outcome.err;
}

}  // namespace
}  // namespace vyr_faults
