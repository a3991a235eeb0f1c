#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include <vyr/common_data.h>
#include "entry/root.h"
#include "records/processing_parameters_format.h"
#include "storage/project_storage.h"
#include "storage/storage_test_support.h"

namespace {

using Bytes = std::string;

template <class T>
Bytes bytes_of(const T& value) {
    return Bytes(reinterpret_cast<const char*>(&value), sizeof(T));
}

Bytes bytes(std::initializer_list<uint8_t> values) {
    return Bytes(values.begin(), values.end());
}

// The platform's own document on a file, for the entry points that take a caller's storage.
IStorage* platform_document(const std::string& path, DWORD mode) {
    std::u16string name;
    EXPECT_TRUE(cfb::utf8_to_utf16(path, name));
    IStorage* document = nullptr;
    EXPECT_EQ(
        StgOpenStorage(name.c_str(), nullptr, mode | STGM_SHARE_EXCLUSIVE, nullptr, 0, &document),
        S_OK);
    return document;
}

class ProjectTest : public testing::Test {
protected:
    void create_closed_project() {
        CVyrIPtrSmart<IVyrStorage> project;
        ASSERT_EQ(root->CreateStorage(path.c_str(), project), VYR_OK);
    }

    void set_stored_version(uint16_t major, uint16_t minor) {
        storage_test::put_root_stream(path, "StorageVersion", bytes_of(VYR_VERSION{major, minor}));
    }

    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    storage_test::ScratchDir dir;
    const std::string path = dir.File("project.vyr");
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

TEST_F(ProjectTest, AFileThatIsNoProjectIsNeitherOpenedNorReplaced) {
    CVyrIPtrSmart<IVyrStorage> project;
    EXPECT_EQ(root->OpenStorage(path.c_str(), project), VYR_E_STORAGE_NOT_FOUND);
    { std::ofstream(path) << "not a project"; }
    EXPECT_EQ(root->OpenStorage(path.c_str(), project), VYR_E_STORAGE_NOT_FOUND);
    EXPECT_EQ(root->CreateStorage(path.c_str(), project), VYR_E_STORAGE_NOT_CREATED);
    EXPECT_FALSE(project.IsValid());
    EXPECT_EQ(storage_test::read_file(path), "not a project");
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

TEST_F(ProjectTest, AProjectWithAMissingOrShortVersionOrStatusDoesNotOpen) {
    const struct {
        const char* stream;
        std::optional<Bytes> content;  // none: removed
        VYR_ERROR result;
    } cases[] = {
        {"StorageStatus", std::nullopt, VYR_E_ENTRY_NOT_FOUND},
        {"StorageVersion", std::nullopt, VYR_E_ENTRY_NOT_FOUND},
        {"StorageVersion", bytes({3, 0}), VYR_E_READ_ENTRY_FAILED},
        {"StorageStatus", bytes({0, 0}), VYR_E_READ_ENTRY_FAILED},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(path);
        create_closed_project();
        if (c.content)
            storage_test::put_root_stream(path, c.stream, *c.content);
        else
            storage_test::remove_root_entry(path, c.stream);
        CVyrIPtrSmart<IVyrStorage> project;
        EXPECT_EQ(root->OpenStorage(path.c_str(), project), c.result) << c.stream;
        EXPECT_FALSE(project.IsValid()) << c.stream;
    }
}

TEST_F(ProjectTest, AProjectOpenedReadOnlyRefusesChangesAndIsUnchangedAfterClose) {
    create_closed_project();
    const Bytes before = storage_test::read_file(path);
    IStorage* document = platform_document(path, STGM_READ);
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
    auto bytes = storage_test::memory_bytes();
    {
        CVyrIPtrSmart<IVyrStorage> project;
        ASSERT_EQ(root->CreateStorageOnLockBytes(bytes.Get(), project), VYR_OK);
    }
    {
        CVyrIPtrSmart<IVyrStorageEx> project;
        ASSERT_EQ(root->OpenStorageExOnLockBytes(bytes.Get(), project), VYR_OK);
        VYR_STORAGE_STATUS status = static_cast<VYR_STORAGE_STATUS>(7);
        EXPECT_EQ(project->GetStorageStatus(status), VYR_OK);
        EXPECT_EQ(status, VYR_STORAGE_STATUS_NONE);
        CVyrIPtrSmart<IVyrCommonDataEx> common;
        ASSERT_EQ(project->GetCommonDataEx(common), VYR_OK);
        VYR_UTC_LEAP_SECONDS leap{};
        EXPECT_EQ(common->GetUtcLeapSeconds(leap), VYR_OK);
        EXPECT_EQ(leap.leapSeconds, 15);
    }

    std::u16string name;
    ASSERT_TRUE(cfb::utf8_to_utf16(path, name));
    IStorage* caller = nullptr;
    ASSERT_EQ(StgCreateDocfile(name.c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &caller),
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

VYR_GLONASS_FREQUENCYMAP map_with(int16_t slot1) {
    VYR_GLONASS_FREQUENCYMAP map;
    std::fill(std::begin(map.channel), std::end(map.channel), VYR_GLONASS_FREQUENCYMAP::kNotSet);
    map.channel[0] = slot1;
    return map;
}

int16_t stored_slot1() {
    VYR_GLONASS_FREQUENCYMAP out = map_with(99);
    return CGlonassChannelMapStore::Instance()->Get(out) ? out.channel[0] : 99;
}

TEST_F(ProjectTest, OpeningHandsAStoredChannelMapToTheStoreAndAProjectWithoutOneLeavesIt) {
    CGlonassChannelMapStore::Instance()->Set(map_with(-4));
    create_closed_project();
    const struct {
        std::optional<int16_t> stored;  // none: the project holds no map
        int16_t after;                  // 99: the store holds no usable map
    } cases[] = {{std::nullopt, -4}, {6, 6}, {VYR_GLONASS_FREQUENCYMAP::kNotSet, 99}};
    for (const auto& c : cases) {
        if (c.stored)
            storage_test::put_root_stream(path, "FrequencyChannelMapGlo",
                                          bytes_of(map_with(*c.stored)));
        CVyrIPtrSmart<IVyrStorage> project;
        ASSERT_EQ(root->OpenStorage(path.c_str(), project), VYR_OK);
        EXPECT_EQ(stored_slot1(), c.after) << c.after;
    }
}

TEST_F(ProjectTest, SettingTheChannelMapUpdatesTheStoreAndTheProject) {
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

// Which names of each copy-mode list reach the copy is the storage copy's test; here the
// project passes its mode on and copies from a project opened read-only.
TEST_F(ProjectTest, SaveAsCopiesWhatItsModeKeepsAndLeavesTheSourceUnchanged) {
    create_closed_project();
    for (const char* name : {"ProcessingInfo", "IonoUTC"})
        storage_test::put_root_stream(path, name, "\x01\x02\x03");
    const Bytes before = storage_test::read_file(path);
    IStorage* document = platform_document(path, STGM_READ);
    CVyrIPtrSmart<IVyrStorage> project;
    ASSERT_EQ(root->OpenStorageOnStorage(document, project), VYR_OK);
    const struct {
        int32_t mode;
        bool results, measurements;
    } cases[] = {{VYR_COPY_ALL, true, true},
                 {7, true, true},  // unknown modes copy everything
                 {VYR_COPY_WITHOUT_RESULTS, false, true},
                 {VYR_COPY_WITHOUT_MEASUREMENTS, true, false}};
    for (const auto& c : cases) {
        const std::string copy = dir.File("copy" + std::to_string(c.mode) + ".vyr");
        ASSERT_EQ(project->SaveAs(copy.c_str(), c.mode), VYR_OK) << c.mode;
        const auto entries = storage_test::tree_of_file(copy);
        EXPECT_EQ(entries.count("ProcessingInfo"), c.results ? 1u : 0u) << c.mode;
        EXPECT_EQ(entries.count("IonoUTC"), c.measurements ? 1u : 0u) << c.mode;
        EXPECT_EQ(entries.count("StorageVersion"), 1u) << c.mode;
        CVyrIPtrSmart<IVyrStorage> copied;
        EXPECT_EQ(root->OpenStorage(copy.c_str(), copied), VYR_OK) << c.mode;
    }
    project.Reset();
    document->Release();
    EXPECT_EQ(storage_test::read_file(path), before);
}

TEST_F(ProjectTest, ACopyNeverReplacesAnExistingFile) {
    create_closed_project();
    const std::string copy = dir.File("copy.vyr");
    { std::ofstream(copy) << "keep me"; }
    CVyrIPtrSmart<IVyrStorage> project;
    ASSERT_EQ(root->OpenStorage(path.c_str(), project), VYR_OK);
    EXPECT_EQ(project->SaveAs(copy.c_str(), VYR_COPY_WITHOUT_RESULTS), VYR_E_STORAGE_NOT_CREATED);
    EXPECT_EQ(project->SaveAs(static_cast<const char*>(nullptr), VYR_COPY_ALL),
              VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(project->SaveAs(static_cast<IStorage*>(nullptr), VYR_COPY_ALL),
              VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(storage_test::read_file(copy), "keep me");
}

}  // namespace
