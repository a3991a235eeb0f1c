#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "cfb/document.h"
#include "entry/root.h"
#include "vyr/file_converter.h"

namespace {

namespace fs = std::filesystem;

class RootTest : public testing::Test {
protected:
    void SetUp() override {
        root = Vyr_GetIVyrEx();
        ASSERT_TRUE(root.IsValid());
        dir = fs::temp_directory_path() /
              ("vyr_root_test_" + std::to_string(getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path write_file(const char* name) {
        fs::path path = dir / name;
        std::ofstream(path) << "content";
        return path;
    }

    CVyrIPtrSmart<IVyrEx> root;
    fs::path dir;
};

TEST_F(RootTest, EachEntryCallGivesADistinctRoot) {
    CVyrIPtrSmart<IVyr> first = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyr> second = Vyr_GetIVyr();
    ASSERT_TRUE(first.IsValid());
    ASSERT_TRUE(second.IsValid());
    EXPECT_NE(first.Get(), second.Get());
}

TEST_F(RootTest, EstimateSizeIsTheCountTimesOnePointSixTruncatedToLow32Bits) {
    const struct {
        uint32_t count;
        uint32_t estimate;
    } cases[] = {{0, 0}, {1, 1}, {10, 16}, {3, 4}, {1000000, 1600000}, {0xFFFFFFFFu, 0x99999998u}};
    for (const auto& c : cases) {
        uint32_t estimate = 12345;
        EXPECT_EQ(root->EstimateSize(99, c.count, estimate), VYR_OK);
        EXPECT_EQ(estimate, c.estimate) << c.count;
    }
}

TEST_F(RootTest, GetErrorTextMatchesErrorToStringDef) {
    std::string text;
    EXPECT_EQ(root->GetErrorText(static_cast<VYR_ERROR>(0x8000E002u), text), VYR_OK);
    EXPECT_EQ(text, "Failed to read.");
    EXPECT_EQ(root->GetErrorText(VYR_E_BUFFER_TOO_SHORT, text), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(text, "");
}

TEST_F(RootTest, GetErrorTextBufferCutsToTheBufferLessOne) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(root->GetErrorTextBuffer(VYR_OK, buffer, 5), VYR_OK);
    EXPECT_STREQ(buffer, "Succ");
    EXPECT_EQ(buffer[5], 'x');  // nothing written past the given size

    EXPECT_EQ(root->GetErrorTextBuffer(VYR_OK, buffer, sizeof buffer), VYR_OK);
    EXPECT_STREQ(buffer, "Success");

    char exact[9];
    EXPECT_EQ(root->GetErrorTextBuffer(VYR_OK, exact, sizeof exact), VYR_OK);
    EXPECT_STREQ(exact, "Success.");
}

TEST_F(RootTest, GetErrorTextBufferOfSizeOneFitsNoCharacter) {
    char buffer[2] = {'x', 'y'};
    EXPECT_EQ(root->GetErrorTextBuffer(VYR_E_INVALID_PARAMETER, buffer, 1), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'y');
}

TEST_F(RootTest, GetErrorTextBufferOfACodeWithoutTextIsLeftEmpty) {
    char buffer[16] = "old";
    EXPECT_EQ(root->GetErrorTextBuffer(static_cast<VYR_ERROR>(0x80002012u), buffer, 16),
              VYR_E_ENTRY_NOT_FOUND);
    EXPECT_STREQ(buffer, "");
}

TEST_F(RootTest, GetErrorTextBufferRefusesAMissingOrZeroSizedBufferWithoutWriting) {
    char buffer[4] = "abc";
    EXPECT_EQ(root->GetErrorTextBuffer(VYR_OK, nullptr, 10), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->GetErrorTextBuffer(VYR_OK, buffer, 0), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->GetErrorTextBuffer(VYR_OK, buffer, -3), VYR_E_INVALID_PARAMETER);
    EXPECT_STREQ(buffer, "abc");
}

TEST_F(RootTest, DeleteStorageRemovesAFile) {
    const fs::path path = write_file("project.vyr");
    EXPECT_EQ(root->DeleteStorage(path.c_str()), VYR_OK);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(RootTest, DeleteStorageOfAMissingFileIsStorageNotFound) {
    EXPECT_EQ(root->DeleteStorage((dir / "missing.vyr").c_str()), VYR_E_STORAGE_NOT_FOUND);
    EXPECT_EQ(root->DeleteStorage((dir / "no_dir" / "missing.vyr").c_str()),
              VYR_E_STORAGE_NOT_FOUND);
}

TEST_F(RootTest, DeleteStorageOfAFileHeldByADocumentIsInUseAndKeepsIt) {
    const fs::path path = dir / "held.vyr";
    IStorage* document = nullptr;
    ASSERT_EQ(StgCreateDocfile(path.u16string().c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                               &document),
              S_OK);
    EXPECT_EQ(root->DeleteStorage(path.c_str()), VYR_E_STORAGE_IN_USE);
    EXPECT_TRUE(fs::exists(path));
    document->Release();
    EXPECT_EQ(root->DeleteStorage(path.c_str()), VYR_OK);
}

TEST_F(RootTest, DeleteStorageReportsOtherFailuresInsteadOfSuccess) {
    const fs::path folder = dir / "a_folder";
    fs::create_directories(folder);
    EXPECT_EQ(root->DeleteStorage(folder.c_str()), VYR_E_DELETE_FAILED);
    EXPECT_TRUE(fs::exists(folder));
    EXPECT_EQ(root->DeleteStorage(nullptr), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->DeleteStorage(""), VYR_E_INVALID_PARAMETER);
}

TEST_F(RootTest, ObjectsWithoutTheirLayerYetSayNotImplementedAndEmptyTheOutPointer) {
    CVyrIPtrSmart<IVyrTools> tools;
    EXPECT_EQ(root->GetTools(tools), VYR_E_NOT_IMPLEMENTED);
    EXPECT_FALSE(tools.IsValid());
}

TEST_F(RootTest, FileConverterOutlivesTheRootAndEachCallMakesANewOne) {
    CVyrIPtrSmart<IVyrFileConverter> first, second;
    ASSERT_EQ(root->GetFileConverter(first), VYR_OK);
    ASSERT_EQ(root->GetFileConverter(second), VYR_OK);
    EXPECT_NE(first.Get(), second.Get());
    root.Reset();
    std::vector<VYR_STATION_RINEX> out;
    EXPECT_EQ(first->ConvertRinexObs("", out, nullptr), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(first->ConvertRinexObs((dir / "missing.obs").c_str(), out, nullptr),
              VYR_E_FILE_NOT_FOUND);
}

TEST_F(RootTest, ProjectOperationsCheckTheirArgumentsFirst) {
    CVyrIPtrSmart<IVyrStorage> project;
    CVyrIPtrSmart<IVyrStorageEx> project_ex;
    EXPECT_EQ(root->CreateStorage(nullptr, project), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->CreateStorage("", project), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->OpenStorage(nullptr, project), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->OpenStorageEx("", project_ex), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->CreateStorageOnStorage(nullptr, project), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->CreateStorageOnLockBytes(nullptr, project), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->OpenStorageOnStorage(nullptr, project), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->OpenStorageOnLockBytes(nullptr, project), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(root->OpenStorageExOnLockBytes(nullptr, project_ex), VYR_E_INVALID_PARAMETER);
}

}  // namespace
