#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/stg.h"
#include "storage/storage_test_support.h"

namespace {

using storage_test::Tree;

// A small project with results, processing errors, measurements and statistics at three levels,
// and lower-case look-alikes that the exact name comparison must keep.
const Tree kProject = {
    {"StorageVersion", "3.0"},
    {"IonoUTC", "klobuchar"},
    {"BroadcastEphemeris", "navigation"},
    {"ProcessingErrorsGeneral", "errors"},
    {"Station00001", "<storage>"},
    {"Station00001/SensorSystem", "receiver"},
    {"Station00001/Observations", "epochs"},
    {"Station00001/ObservationStatistics", "statistics"},
    {"Station00001/StationResult", "<storage>"},
    {"Station00001/StationResult/ProcessingInfo", "info"},
    {"Station00001/StationResult/Residuals", "residuals"},
    {"StationAssoc00001", "<storage>"},
    {"StationAssoc00001/observations", "lower case"},
    {"StationAssoc00001/processinginfo", "lower case"},
    {"StationAssoc00001/RawData", "raw"},
    {"StationAssoc00001/StationAssocResult", "<storage>"},
    {"StationAssoc00001/StationAssocResult/ProcessingErrorsInterval", "intervals"},
    {"StationAssoc00001/StationAssocResult/ComputationIntervals", "computed"},
    {"StationAssoc00001/StationAssocResult/Positions", "positions"},
};

// The project without the given elements and everything below them.
Tree without(const std::vector<std::string>& removed) {
    Tree tree = kProject;
    for (const std::string& path : removed)
        std::erase_if(tree, [&](const auto& entry) {
            return entry.first == path || entry.first.starts_with(path + "/");
        });
    return tree;
}

void build(CStg& storage, const std::string& prefix) {
    for (const auto& [path, content] : kProject) {
        if (!path.starts_with(prefix)) continue;
        const std::string name = path.substr(prefix.size());
        if (name.find('/') != std::string::npos) continue;
        if (content != "<storage>") {
            storage_test::put_stream(storage, name.c_str(), content);
            continue;
        }
        CStg child;
        ASSERT_TRUE(storage.OpenOrCreateSubStorage(name.c_str(), 2, 1, child));
        build(child, path + "/");
    }
}

class CStgCopyToTest : public testing::Test {
protected:
    void SetUp() override {
        {
            CStg root;
            ASSERT_TRUE(root.CreateDocument(path.c_str()));
            build(root, "");
        }
        // Save-as copies from a project that may be open for reading only.
        ASSERT_TRUE(source.OpenDocument(path.c_str(), vyr::kAccessRead));
    }

    // Copies the source into a new document in memory and returns what arrived there.
    Tree CopyWith(int32_t copyMode) {
        auto bytes = storage_test::memory_bytes();
        {
            CVyrPtrSmart<CStg> destination(new CStg);
            EXPECT_TRUE(destination->CreateDocumentOnLockBytes(bytes.Get()));
            EXPECT_TRUE(source.CopyTo(destination, copyMode)) << source.GetLastError();
        }
        EXPECT_TRUE(cfb::validate_document(*bytes).empty());
        return storage_test::tree_of(bytes.Get());
    }

    storage_test::ScratchDir dir;
    const std::string path = dir.File("project.vyr");
    CStg source;
};

TEST_F(CStgCopyToTest, CopyModesLeaveOutExactlyTheirNamesAtEveryLevel) {
    EXPECT_EQ(CopyWith(vyr::kCopyAll), kProject);
    EXPECT_EQ(CopyWith(7), kProject);
    // Result storages arrive empty, so that their owners open in the copy.
    Tree withoutResults = without({"ProcessingErrorsGeneral", "Station00001/StationResult",
                                   "StationAssoc00001/StationAssocResult"});
    withoutResults.insert({"Station00001/StationResult", "<storage>"});
    withoutResults.insert({"StationAssoc00001/StationAssocResult", "<storage>"});
    EXPECT_EQ(CopyWith(vyr::kCopyWithoutResults), withoutResults);
    EXPECT_EQ(CopyWith(vyr::kCopyWithoutMeasurements),
              without({"IonoUTC", "BroadcastEphemeris", "Station00001/Observations",
                       "Station00001/ObservationStatistics", "StationAssoc00001/RawData",
                       "StationAssoc00001/StationAssocResult/ComputationIntervals"}));
}

TEST_F(CStgCopyToTest, CopyFailsWithoutAnOpenDestinationOrWhenAStepFails) {
    EXPECT_FALSE(source.CopyTo(CVyrPtrSmart<CStg>(), vyr::kCopyAll));
    EXPECT_FALSE(source.CopyTo(CVyrPtrSmart<CStg>(new CStg), vyr::kCopyAll));
    EXPECT_EQ(source.GetLastError(), S_OK);

    auto bytes = storage_test::memory_bytes();
    CVyrPtrSmart<CStg> destination(new CStg);
    ASSERT_TRUE(destination->CreateDocumentOnLockBytes(bytes.Get()));
    CStg occupied;
    ASSERT_TRUE(destination->CreateSubStorage(u"Station00001", STGM_READWRITE, occupied));
    EXPECT_FALSE(source.CopyTo(destination, vyr::kCopyAll));
    EXPECT_EQ(source.GetLastError(), STG_E_FILEALREADYEXISTS);
}

}  // namespace
