// Ctrl-C at any moment of an import: the command ends with 130, and the project holds either the
// whole file (the commit had begun, and the command said so) or nothing of it, byte for byte.
#include "faults_support.h"

namespace vyr_faults {
namespace {

TEST_F(FaultTest, CtrlCAtAnyWriteLeavesTheWholeFileOrNothing) {
    const std::string file = input("obs3.rnx");
    const std::string count = (dir / "count").string();
    ASSERT_EQ(run_failing({"import", project, file}, dir, "VYR_COUNT_FILE=" + count).status, 0);
    restore_base();
    const long calls = std::atol(slurp(count).c_str());
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

TEST_F(FaultTest, CtrlCDuringTheFirstImportIntoANewProjectLeavesNoFile) {
    const std::string fresh = (dir / "new.vyr").string();
    const Outcome outcome =
        run_failing({"import", fresh, input("obs3.rnx")}, dir, "VYR_INTERRUPT_CALL=2");
    EXPECT_EQ(outcome.status, 130);
    EXPECT_FALSE(std::filesystem::exists(fresh));
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos);
}

}  // namespace
}  // namespace vyr_faults
