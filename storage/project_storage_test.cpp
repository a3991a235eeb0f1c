#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>

#include <vyr/common_data.h>
#include "entry/root.h"
#include "records/processing_parameters_format.h"
#include "records/single_record.h"
#include "storage/layout.h"
#include "storage/project_storage.h"
#include "storage/storage_test_support.h"

namespace {

namespace fs = std::filesystem;

std::u16string utf16(const std::string& text) {
    std::u16string out;
    EXPECT_TRUE(cfb::utf8_to_utf16(text, out));
    return out;
}
using Bytes = std::string;

template <class T>
Bytes bytes_of(const T& value) {
    return Bytes(reinterpret_cast<const char*>(&value), sizeof(T));
}

Bytes bytes(std::initializer_list<uint8_t> values) {
    return Bytes(values.begin(), values.end());
}

class ProjectTest : public testing::Test {
protected:
    void SetUp() override {
        root = Vyr_GetIVyrEx();
        dir = fs::temp_directory_path() /
              ("vyr_project_test_" + std::to_string(getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        path = (dir / "project.vyr").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    void create_closed_project() {
        CVyrIPtrSmart<IVyrStorage> project;
        ASSERT_EQ(root->CreateStorage(path.c_str(), project), VYR_OK);
    }

    void set_stored_version(uint16_t major, uint16_t minor) {
        storage_test::put_root_stream(path, "StorageVersion", bytes_of(VYR_VERSION{major, minor}));
    }

    CVyrIPtrSmart<IVyrEx> root;
    fs::path dir;
    std::string path;
};

TEST_F(ProjectTest, ANewProjectHoldsExactlyTheDefaultStreamsWithTheirBytes) {
    create_closed_project();
    const auto entries = storage_test::tree_of_file(path);

    std::vector<std::string> names;
    for (const auto& [name, bytes] : entries) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{
                         "Keys", "PointDescriptionIds", "ProcessingParameters", "StorageStatus",
                         "StorageVersion", "TransformPZ90ToWGS84", "UtcLeapSeconds"}));

    EXPECT_EQ(entries.at("StorageVersion"), bytes({3, 0, 0, 0}));
    EXPECT_EQ(entries.at("StorageStatus"), bytes({0, 0, 0, 0}));
    EXPECT_EQ(entries.at("PointDescriptionIds"), bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(entries.at("Keys").empty());
    EXPECT_EQ(entries.at("TransformPZ90ToWGS84"),
              bytes_of(VYR_TRANSFORMATION_PZ90_TO_WGS84{{0, 0, 0, 1.0, 0, 1.0, 0, 0, 1.0}}));

    const Bytes leap = entries.at("UtcLeapSeconds");
    ASSERT_EQ(leap.size(), 14u);
    EXPECT_EQ(Bytes(leap.begin(), leap.begin() + 4), bytes({0x30, 0xD6, 0x00, 0x00}));  // 54832
    EXPECT_EQ(Bytes(leap.begin() + 4, leap.begin() + 12), Bytes(8, '\0'));
    EXPECT_EQ(leap[12], 15);
    EXPECT_EQ(leap[13], 0);

    // 94 outer + 120 kernel + empty map + 44 orbit + empty set.
    const Bytes parameters = entries.at("ProcessingParameters");
    ASSERT_EQ(parameters.size(), 94u + 120 + 4 + 44 + 4);
    const VYR_PROCESSING_PARAMETERS defaults;
    EXPECT_EQ(Bytes(parameters.begin(), parameters.begin() + 94), bytes_of(defaults.outer));
    EXPECT_EQ(parameters[4], 2);        // outer u32 at 4
    EXPECT_EQ(parameters[94 + 1], 64);  // kernel u16 at 1
}

TEST_F(ProjectTest, ANewProjectReadsBackItsDefaultRecords) {
    CVyrIPtrSmart<IVyrStorage> project;
    ASSERT_EQ(root->CreateStorage(path.c_str(), project), VYR_OK);
    CVyrIPtrSmart<IVyrCommonData> common;
    ASSERT_EQ(project->GetCommonData(common), VYR_OK);

    VYR_UTC_LEAP_SECONDS leap{};
    ASSERT_EQ(common->GetUtcLeapSeconds(leap), VYR_OK);
    // Packed fields are copied out before the comparisons take references to them.
    EXPECT_EQ(uint32_t{leap.mjd}, 54832u);
    EXPECT_EQ(double{leap.fractionOfDay}, 0.0);
    EXPECT_EQ(leap.leapSeconds, 15);

    VYR_PROCESSING_PARAMETERS parameters;
    parameters.outer.u32_4 = 99;
    ASSERT_EQ(common->GetProcessingParameters(parameters), VYR_OK);
    EXPECT_EQ(uint32_t{parameters.outer.u32_4}, 2u);
    EXPECT_EQ(double{parameters.kernel.fields.f64_3}, 0.2617993877991494);
    EXPECT_EQ(double{parameters.orbit.fields.f64_26}, 720.0);

    VYR_VERSION version{};
    ASSERT_EQ(project->GetVersion(version), VYR_OK);
    EXPECT_EQ(version.major, 3);
    EXPECT_EQ(version.minor, 0);
    VYR_STORAGE_STATUS status = static_cast<VYR_STORAGE_STATUS>(7);
    EXPECT_EQ(project->GetStorageStatus(status), VYR_OK);
    EXPECT_EQ(status, VYR_STORAGE_STATUS_NONE);
}

TEST_F(ProjectTest, CreatingOverAnExistingFileFailsAndLeavesItAlone) {
    { std::ofstream(path) << "not a project"; }
    CVyrIPtrSmart<IVyrStorage> project;
    EXPECT_EQ(root->CreateStorage(path.c_str(), project), VYR_E_STORAGE_NOT_CREATED);
    EXPECT_FALSE(project.IsValid());
    const Bytes bytes = storage_test::read_file(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "not a project");
}

TEST_F(ProjectTest, AProjectHeldOpenCannotBeOpenedAgain) {
    CVyrIPtrSmart<IVyrStorage> held;
    ASSERT_EQ(root->CreateStorage(path.c_str(), held), VYR_OK);
    CVyrIPtrSmart<IVyrStorage> second;
    EXPECT_EQ(root->OpenStorage(path.c_str(), second), VYR_E_STORAGE_NOT_FOUND);
    CVyrIPtrSmart<IVyrStorageEx> second_ex;
    EXPECT_EQ(root->OpenStorageEx(path.c_str(), second_ex), VYR_E_STORAGE_NOT_FOUND);
    held.Reset();
    EXPECT_EQ(root->OpenStorage(path.c_str(), second), VYR_OK);
}

TEST_F(ProjectTest, OpeningAMissingOrForeignFileIsStorageNotFound) {
    CVyrIPtrSmart<IVyrStorage> project;
    EXPECT_EQ(root->OpenStorage(path.c_str(), project), VYR_E_STORAGE_NOT_FOUND);
    { std::ofstream(path) << "plain text, not a compound document"; }
    EXPECT_EQ(root->OpenStorage(path.c_str(), project), VYR_E_STORAGE_NOT_FOUND);
}

TEST_F(ProjectTest, ANewerVersionIsRefusedAndNothingChanges) {
    create_closed_project();
    set_stored_version(3, 1);
    const Bytes before = storage_test::read_file(path);
    CVyrIPtrSmart<IVyrStorage> project;
    EXPECT_EQ(root->OpenStorage(path.c_str(), project), VYR_E_WRONG_KERNEL_VERSION);
    EXPECT_FALSE(project.IsValid());
    EXPECT_EQ(storage_test::read_file(path), before);
    set_stored_version(4, 0);
    EXPECT_EQ(root->OpenStorage(path.c_str(), project), VYR_E_WRONG_KERNEL_VERSION);
}

TEST_F(ProjectTest, OlderVersionsOpenAndReportTheirVersion) {
    create_closed_project();
    for (uint16_t major : {1, 2}) {
        set_stored_version(major, 0);
        CVyrIPtrSmart<IVyrStorageEx> project;
        ASSERT_EQ(root->OpenStorageEx(path.c_str(), project), VYR_OK) << major;
        VYR_VERSION version{};
        EXPECT_EQ(project->GetVersion(version), VYR_OK);
        EXPECT_EQ(version.major, major);
        EXPECT_EQ(version.minor, 0);
    }
}

TEST_F(ProjectTest, UpgradingACurrentProjectIsNoMatch) {
    create_closed_project();
    CVyrIPtrSmart<IVyrStorageEx> project;
    ASSERT_EQ(root->OpenStorageEx(path.c_str(), project), VYR_OK);
    EXPECT_EQ(project->Upgrade(), VYR_E_NO_MATCH);
}

TEST_F(ProjectTest, AProjectWithoutVersionOrStatusDoesNotOpen) {
    create_closed_project();
    storage_test::remove_root_entry(path, "StorageStatus");
    CVyrIPtrSmart<IVyrStorage> project;
    EXPECT_EQ(root->OpenStorage(path.c_str(), project), VYR_E_ENTRY_NOT_FOUND);
    storage_test::remove_root_entry(path, "StorageVersion");
    EXPECT_EQ(root->OpenStorage(path.c_str(), project), VYR_E_ENTRY_NOT_FOUND);
}

TEST_F(ProjectTest, ATruncatedVersionIsReadEntryFailed) {
    create_closed_project();
    storage_test::put_root_stream(path, "StorageVersion", bytes({3, 0}));
    CVyrIPtrSmart<IVyrStorage> project;
    EXPECT_EQ(root->OpenStorage(path.c_str(), project), VYR_E_READ_ENTRY_FAILED);
}

TEST_F(ProjectTest, AProjectOpenedReadOnlyIsUnchangedAfterClose) {
    create_closed_project();
    const Bytes before = storage_test::read_file(path);
    IStorage* document = nullptr;
    ASSERT_EQ(StgOpenStorage(utf16(path).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                             nullptr, 0, &document),
              S_OK);
    {
        CVyrIPtrSmart<IVyrStorage> project;
        ASSERT_EQ(root->OpenStorageOnStorage(document, project), VYR_OK);
        CVyrIPtrSmart<IVyrCommonData> common;
        ASSERT_EQ(project->GetCommonData(common), VYR_OK);
        // The stream exists and opens, but only for reading.
        EXPECT_EQ(common->SetUtcLeapSeconds(VYR_UTC_LEAP_SECONDS{60000, 0.0, 18, 0}),
                  VYR_E_INVALID_PARAMETER);
        // A missing stream cannot be made in a read-only project.
        EXPECT_EQ(common->SetApplicationInformation(VYR_APPLICATION_INFORMATION{}),
                  VYR_E_CANNOT_CREATE_ENTRY);
    }
    document->Release();
    EXPECT_EQ(storage_test::read_file(path), before);
}

TEST_F(ProjectTest, ProjectsLiveOnLockBytesAndCallerStoragesToo) {
    ILockBytes* bytes = nullptr;
    ASSERT_EQ(cfb::create_memory_lock_bytes({}, &bytes), S_OK);
    {
        CVyrIPtrSmart<IVyrStorage> project;
        ASSERT_EQ(root->CreateStorageOnLockBytes(bytes, project), VYR_OK);
    }
    {
        CVyrIPtrSmart<IVyrStorageEx> project;
        ASSERT_EQ(root->OpenStorageExOnLockBytes(bytes, project), VYR_OK);
        CVyrIPtrSmart<IVyrCommonDataEx> common;
        ASSERT_EQ(project->GetCommonDataEx(common), VYR_OK);
        VYR_UTC_LEAP_SECONDS leap{};
        EXPECT_EQ(common->GetUtcLeapSeconds(leap), VYR_OK);
        EXPECT_EQ(leap.leapSeconds, 15);
    }
    bytes->Release();

    IStorage* caller = nullptr;
    ASSERT_EQ(
        StgCreateDocfile(utf16(path).c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &caller),
        S_OK);
    {
        CVyrIPtrSmart<IVyrStorage> project;
        ASSERT_EQ(root->CreateStorageOnStorage(caller, project), VYR_OK);
    }
    {
        CVyrIPtrSmart<IVyrStorage> project;
        ASSERT_EQ(root->OpenStorageOnStorage(caller, project), VYR_OK);
    }
    caller->Release();
    EXPECT_EQ(storage_test::tree_of_file(path).count("UtcLeapSeconds"), 1u);
}

TEST_F(ProjectTest, KeysAndIdentifiersHandedOutSurviveReopening) {
    create_closed_project();
    storage_test::put_root_stream(path, "Keys", bytes_of(uint64_t{0x1122334455667788ull}));
    {
        CVyrIPtrSmart<IVyrStorage> project;
        ASSERT_EQ(root->OpenStorage(path.c_str(), project), VYR_OK);
    }
    const auto entries = storage_test::tree_of_file(path);
    EXPECT_EQ(entries.at("Keys"), bytes_of(uint64_t{0x1122334455667788ull}));
    EXPECT_EQ(entries.at("PointDescriptionIds"), bytes({0xFF, 0xFF, 0xFF, 0xFF}));
}

class GlonassStoreOnOpen : public ProjectTest {
protected:
    static VYR_GLONASS_FREQUENCYMAP map_with(int16_t slot1) {
        VYR_GLONASS_FREQUENCYMAP map;
        std::fill(std::begin(map.channel), std::end(map.channel),
                  VYR_GLONASS_FREQUENCYMAP::kNotSet);
        map.channel[0] = slot1;
        return map;
    }
    static int16_t stored_slot1() {
        VYR_GLONASS_FREQUENCYMAP out = map_with(99);
        return CGlonassChannelMapStore::Instance()->Get(out) ? out.channel[0] : 99;
    }
};

TEST_F(GlonassStoreOnOpen, AProjectWithoutAMapLeavesTheStoreAsItWas) {
    CGlonassChannelMapStore::Instance()->Set(map_with(-4));
    create_closed_project();
    CVyrIPtrSmart<IVyrStorage> project;
    ASSERT_EQ(root->OpenStorage(path.c_str(), project), VYR_OK);
    EXPECT_EQ(stored_slot1(), -4);
}

TEST_F(GlonassStoreOnOpen, AStoredMapReplacesTheStoreAndAnEmptyOneClearsIt) {
    create_closed_project();
    storage_test::put_root_stream(path, "FrequencyChannelMapGlo", bytes_of(map_with(6)));
    {
        CVyrIPtrSmart<IVyrStorage> project;
        ASSERT_EQ(root->OpenStorage(path.c_str(), project), VYR_OK);
        EXPECT_EQ(stored_slot1(), 6);
    }
    storage_test::put_root_stream(path, "FrequencyChannelMapGlo",
                                  bytes_of(map_with(VYR_GLONASS_FREQUENCYMAP::kNotSet)));
    CVyrIPtrSmart<IVyrStorage> project;
    ASSERT_EQ(root->OpenStorage(path.c_str(), project), VYR_OK);
    EXPECT_EQ(stored_slot1(), 99);  // no usable map
}

TEST_F(GlonassStoreOnOpen, SettingTheMapUpdatesTheStoreAndTheProject) {
    CVyrIPtrSmart<IVyrStorage> project;
    ASSERT_EQ(root->CreateStorage(path.c_str(), project), VYR_OK);
    CVyrIPtrSmart<IVyrCommonData> common;
    ASSERT_EQ(project->GetCommonData(common), VYR_OK);
    ASSERT_EQ(common->SetFrequencyChannelMapGlo(map_with(-7)), VYR_OK);
    EXPECT_EQ(stored_slot1(), -7);
    VYR_GLONASS_FREQUENCYMAP read = map_with(0);
    ASSERT_EQ(common->GetFrequencyChannelMapGlo(read), VYR_OK);
    EXPECT_EQ(read.channel[0], -7);
}

class SaveAsTest : public ProjectTest {
protected:
    // A project with a result storage and streams of every copy-mode list.
    void make_project_with_results() {
        create_closed_project();
        for (const char* name : {"ProcessingInfo", "ProcessingErrorsGeneral", "BroadcastEphemeris",
                                 "PreciseEphemeris", "IonoUTC"})
            storage_test::put_root_stream(path, name, "\x01\x02\x03");
        IStorage* document = nullptr;
        ASSERT_EQ(StgOpenStorage(utf16(path).c_str(), nullptr,
                                 STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0, &document),
                  S_OK);
        IStorage* result = nullptr;
        ASSERT_EQ(document->CreateStorage(u"IonoKlobucharResult",
                                          STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &result),
                  S_OK);
        result->Release();
        ASSERT_EQ(document->Commit(STGC_DEFAULT), S_OK);
        document->Release();
    }

    std::vector<std::string> copied_names(int32_t mode) {
        const std::string copy = (dir / ("copy" + std::to_string(mode) + ".vyr")).string();
        {
            CVyrIPtrSmart<IVyrStorage> project;
            EXPECT_EQ(root->OpenStorage(path.c_str(), project), VYR_OK);
            EXPECT_EQ(project->SaveAs(copy.c_str(), mode), VYR_OK);
        }
        std::vector<std::string> names;
        for (const auto& [name, bytes] : storage_test::tree_of_file(copy)) names.push_back(name);
        return names;
    }
};

TEST_F(SaveAsTest, EachCopyModeLeavesOutItsEntries) {
    make_project_with_results();
    const std::vector<std::string> everything = {"BroadcastEphemeris",
                                                 "IonoKlobucharResult",
                                                 "IonoUTC",
                                                 "Keys",
                                                 "PointDescriptionIds",
                                                 "PreciseEphemeris",
                                                 "ProcessingErrorsGeneral",
                                                 "ProcessingInfo",
                                                 "ProcessingParameters",
                                                 "StorageStatus",
                                                 "StorageVersion",
                                                 "TransformPZ90ToWGS84",
                                                 "UtcLeapSeconds"};
    EXPECT_EQ(copied_names(VYR_COPY_ALL), everything);
    EXPECT_EQ(copied_names(7), everything);  // unknown modes copy everything
    EXPECT_EQ(
        copied_names(VYR_COPY_WITHOUT_RESULTS),
        (std::vector<std::string>{"BroadcastEphemeris", "IonoUTC", "Keys", "PointDescriptionIds",
                                  "PreciseEphemeris", "ProcessingParameters", "StorageStatus",
                                  "StorageVersion", "TransformPZ90ToWGS84", "UtcLeapSeconds"}));
    EXPECT_EQ(copied_names(VYR_COPY_WITHOUT_MEASUREMENTS),
              (std::vector<std::string>{"IonoKlobucharResult", "Keys", "PointDescriptionIds",
                                        "ProcessingErrorsGeneral", "ProcessingInfo",
                                        "ProcessingParameters", "StorageStatus", "StorageVersion",
                                        "TransformPZ90ToWGS84", "UtcLeapSeconds"}));
}

TEST_F(SaveAsTest, ACopyOpensAsAProjectAndTheSourceIsUnchanged) {
    create_closed_project();
    const Bytes before = storage_test::read_file(path);
    const std::string copy = (dir / "copy.vyr").string();
    {
        IStorage* document = nullptr;
        ASSERT_EQ(StgOpenStorage(utf16(path).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                 nullptr, 0, &document),
                  S_OK);
        CVyrIPtrSmart<IVyrStorage> project;
        ASSERT_EQ(root->OpenStorageOnStorage(document, project), VYR_OK);
        EXPECT_EQ(project->SaveAs(copy.c_str(), VYR_COPY_ALL), VYR_OK);
        project.Reset();
        document->Release();
    }
    EXPECT_EQ(storage_test::read_file(path), before);
    CVyrIPtrSmart<IVyrStorage> copied;
    EXPECT_EQ(root->OpenStorage(copy.c_str(), copied), VYR_OK);
}

TEST_F(SaveAsTest, ACopyNeverReplacesAnExistingFile) {
    create_closed_project();
    const std::string copy = (dir / "copy.vyr").string();
    { std::ofstream(copy) << "keep me"; }
    CVyrIPtrSmart<IVyrStorage> project;
    ASSERT_EQ(root->OpenStorage(path.c_str(), project), VYR_OK);
    EXPECT_EQ(project->SaveAs(copy.c_str(), VYR_COPY_WITHOUT_RESULTS), VYR_E_STORAGE_NOT_CREATED);
    EXPECT_EQ(project->SaveAs(static_cast<const char*>(nullptr), VYR_COPY_ALL),
              VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(project->SaveAs(static_cast<IStorage*>(nullptr), VYR_COPY_ALL),
              VYR_E_INVALID_PARAMETER);
    const Bytes bytes = storage_test::read_file(copy);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "keep me");
}

}  // namespace
