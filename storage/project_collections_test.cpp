// The error collection and the automatic-processing list as the project hands them out.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <vyr/collection.h>
#include <vyr/processing_errors.h>

#include "records/collection_test_support.h"
#include "storage/project_storage.h"

namespace {

class ProjectCollectionsTest : public vyr_test::MemoryStorageTest {
protected:
    CVyrStorage* make_project(bool create) {
        auto* project = new CVyrStorage(storage);
        EXPECT_EQ(create ? project->Create() : project->Open(), VYR_OK);
        return project;
    }
};

TEST_F(ProjectCollectionsTest, ErrorsAndTheAutoProcessingListAreHandedOutAndKept) {
    {
        CVyrIPtrSmart<IVyrStorageEx> project(make_project(true));
        CVyrIPtrSmart<IVyrErrorsEx> errors;
        ASSERT_EQ(project->GetErrorsEx(errors), VYR_OK);
        ASSERT_EQ(errors->AddError(0x2006, 0x2006), VYR_OK);
        errors.Reset();

        CVyrIPtrSmart<IVyrCollection<VYR_STATION_KEY>> auto_proc;
        ASSERT_EQ(project->GetAutoProcStations(auto_proc), VYR_OK);
        VYR_STATION_KEY key{};
        key.type = VYR_KEY_TEXT;
        std::memcpy(key.value, "ROVER", 6);
        ASSERT_EQ(auto_proc->Add(key), VYR_OK);
    }
    reopen_read_only();
    CVyrIPtrSmart<IVyrStorage> project(make_project(false));
    CVyrIPtrSmart<IVyrErrors> errors;
    ASSERT_EQ(project->GetErrors(errors), VYR_OK);
    std::vector<VYR_PROCESSING_ERROR> general;
    ASSERT_EQ(errors->GetGeneralErrors(general), VYR_OK);
    ASSERT_EQ(general.size(), 1u);
    EXPECT_EQ(general[0].code, 0x2006u);
    CVyrIPtrSmart<IVyrCollection<VYR_STATION_KEY>> auto_proc;
    ASSERT_EQ(project->GetAutoProcStations(auto_proc), VYR_OK);
    uint32_t count = 0;
    ASSERT_EQ(auto_proc->GetCount(count), VYR_OK);
    EXPECT_EQ(count, 1u);
}

TEST_F(ProjectCollectionsTest, AReadOnlyProjectWithoutErrorsReportsThemNotFound) {
    { CVyrIPtrSmart<IVyrStorage> project(make_project(true)); }
    reopen_read_only();
    CVyrIPtrSmart<IVyrStorage> project(make_project(false));
    CVyrIPtrSmart<IVyrErrors> errors;
    EXPECT_EQ(project->GetErrors(errors), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_FALSE(errors.IsValid());
    CVyrIPtrSmart<IVyrCollection<VYR_STATION_KEY>> auto_proc;
    EXPECT_EQ(project->GetAutoProcStations(auto_proc), VYR_E_ENTRY_NOT_FOUND);
}

}  // namespace
