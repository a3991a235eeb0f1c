// Ctrl-C or a kill at any moment of an import: the project holds either the whole file or nothing
// of it, and it checks sound.
#include <csignal>

#include "faults_support.h"

namespace vyr_faults {
namespace {

TEST_F(FaultTest, CtrlCAtAnyWriteLeavesTheWholeFileOrNothing) {
    const std::string file = input("obs3.rnx");
    const long calls = calls_of({"import", project, file});
    ASSERT_GT(calls, 2);
    for (long k = 1; k <= calls; ++k) {
        const Outcome outcome =
            run_failing({"import", project, file}, dir, "VYR_INTERRUPT_CALL=" + std::to_string(k));
        EXPECT_EQ(outcome.status, 130) << "Ctrl-C before call " << k << ": " << outcome.err;
        const bool claimed = outcome.out.find("station") != std::string::npos;
        EXPECT_EQ(claimed, slurp(project) != base) << "Ctrl-C before call " << k;
        restore_base();
    }
}

// A kill leaves the state of the last commit; what it wrote past that end is a note of the
// check, not a defect, and the next command that writes cuts it.
TEST_F(FaultTest, AKillAtAnyWriteLeavesTheLastCommittedState) {
    const std::string file = input("obs3.rnx");
    const long calls = calls_of({"import", project, file});
    for (long k = 1; k <= calls; ++k) {
        const std::string what = "killed before call " + std::to_string(k);
        const Outcome killed =
            run_failing({"import", project, file}, dir, "VYR_KILL_CALL=" + std::to_string(k));
        EXPECT_EQ(killed.status, 128 + SIGKILL) << what;
        const Outcome check = vyr({"cfb", "check", project});
        EXPECT_EQ(check.status, 0) << what << ": " << check.out << check.err;
        const Outcome again = vyr({"import", project, file});
        EXPECT_EQ(again.status, 0) << what << ": " << again.err;
        const std::string info = vyr({"info", project}).out;
        const size_t station = info.find("station\tSITE");
        EXPECT_TRUE(station != std::string::npos &&
                    info.find("station\tSITE", station + 1) == std::string::npos)
            << what << ": " << info;
        restore_base();
    }
}

// Ctrl-C at any moment of an import into a missing project leaves either the whole project or
// no file at all.
TEST_F(FaultTest, CtrlCAtAnyWriteOfTheFirstImportLeavesTheProjectWholeOrNoFile) {
    const std::string fresh = (dir / "new.vyr").string();
    const std::vector<std::string> args{"import", fresh, input("obs3.rnx")};
    const long calls = calls_of(args);
    std::filesystem::remove(fresh);
    for (long k = 1; k <= calls; ++k) {
        const Outcome outcome = run_failing(args, dir, "VYR_INTERRUPT_CALL=" + std::to_string(k));
        EXPECT_EQ(outcome.status, 130) << "Ctrl-C before call " << k;
        const bool claimed = outcome.out.find("station") != std::string::npos;
        EXPECT_EQ(claimed, std::filesystem::exists(fresh)) << "Ctrl-C before call " << k;
        EXPECT_EQ(leftovers(), 0);
        std::filesystem::remove(fresh);
    }
}

// A kill while a failed import is being put back (after the k-th call failed) leaves a project
// that checks sound and holds the file whole or not at all.
TEST_F(FaultTest, AKillWhileAFailedImportIsPutBackLeavesASoundProject) {
    const std::string file = input("obs3.rnx");
    const long calls = calls_of({"import", project, file});
    for (long k = 1; k <= calls; ++k) {
        for (long later = 1; later <= 3; ++later) {
            const std::string what = "call " + std::to_string(k) + " failing, killed " +
                                     std::to_string(later) + " calls later";
            run_failing({"import", project, file}, dir,
                        "VYR_FAIL_CALL=" + std::to_string(k) +
                            " VYR_KILL_CALL=" + std::to_string(k + later));
            const Outcome check = vyr({"cfb", "check", project});
            EXPECT_EQ(check.status, 0) << what << ": " << check.out << check.err;
            EXPECT_EQ(vyr({"info", project}).status, 0) << what;
            restore_base();
        }
    }
}

}  // namespace
}  // namespace vyr_faults
