#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "cfb/document.h"
#include "entry/root.h"
#include "storage/storage_test_support.h"
#include "vyr/file_converter.h"

namespace {

namespace fs = std::filesystem;

class RootTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root.IsValid()); }

    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    storage_test::ScratchDir scratch;
    const fs::path dir = scratch.File("");
};

TEST_F(RootTest, EstimateSizeIsTheCountTimesOnePointSixTruncatedToLow32Bits) {
    const struct {
        uint32_t count;
        uint32_t estimate;
    } cases[] = {{0, 0}, {1, 1}, {3, 4}, {1000000, 1600000}, {0xFFFFFFFFu, 0x99999998u}};
    for (const auto& c : cases) {
        uint32_t estimate = 12345;
        EXPECT_EQ(root->EstimateSize(99, c.count, estimate), VYR_OK);
        EXPECT_EQ(estimate, c.estimate) << c.count;
    }
}

TEST_F(RootTest, ErrorTextsAreCutToTheBufferAndNothingIsWrittenPastIt) {
    std::string text;
    EXPECT_EQ(root->GetErrorText(static_cast<VYR_ERROR>(0x8000E002u), text), VYR_OK);
    EXPECT_EQ(text, "Failed to read.");

    const struct {
        uint32_t code;
        int32_t size;
        VYR_ERROR result;
        const char* text;  // nullptr: the buffer is not touched
    } cases[] = {
        {0, 5, VYR_OK, "Succ"},
        {0, 8, VYR_OK, "Success"},
        {0, 9, VYR_OK, "Success."},
        {0x80009016u, 1, VYR_E_ENTRY_NOT_FOUND, ""},   // room for no character
        {0x80002012u, 16, VYR_E_ENTRY_NOT_FOUND, ""},  // a code without text
        {0, 0, VYR_E_INVALID_PARAMETER, nullptr},
        {0, -3, VYR_E_INVALID_PARAMETER, nullptr},
    };
    for (const auto& c : cases) {
        char buffer[16];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(root->GetErrorTextBuffer(static_cast<VYR_ERROR>(c.code), buffer, c.size),
                  c.result)
            << c.code << " size " << c.size;
        std::string expected = c.text != nullptr ? std::string(c.text) + '\0' : "";
        expected.resize(sizeof buffer, 'x');
        EXPECT_EQ(std::string(buffer, sizeof buffer), expected) << c.code << " size " << c.size;
    }
    EXPECT_EQ(root->GetErrorTextBuffer(VYR_OK, nullptr, 10), VYR_E_INVALID_PARAMETER);
}

TEST_F(RootTest, DeleteStorageRemovesAFileUnlessADocumentHoldsIt) {
    const fs::path path = dir / "held.vyr";
    IStorage* document = nullptr;
    ASSERT_EQ(StgCreateDocfile(path.u16string().c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                               &document),
              S_OK);
    EXPECT_EQ(root->DeleteStorage(path.c_str()), VYR_E_STORAGE_IN_USE);
    EXPECT_TRUE(fs::exists(path));
    document->Release();
    EXPECT_EQ(root->DeleteStorage(path.c_str()), VYR_OK);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(RootTest, DeleteStorageReportsEachFailureInsteadOfSuccess) {
    const fs::path folder = dir / "a_folder";
    fs::create_directories(folder);
    std::ofstream(dir / "plain") << "content";
    const struct {
        fs::path path;
        VYR_ERROR result;
    } cases[] = {
        {dir / "missing.vyr", VYR_E_STORAGE_NOT_FOUND},
        {dir / "no_dir" / "missing.vyr", VYR_E_STORAGE_NOT_FOUND},
        {dir / "plain" / "missing.vyr", VYR_E_STORAGE_NOT_FOUND},
        {folder, VYR_E_DELETE_FAILED},
        {"", VYR_E_INVALID_PARAMETER},
    };
    for (const auto& c : cases) EXPECT_EQ(root->DeleteStorage(c.path.c_str()), c.result) << c.path;
    EXPECT_EQ(root->DeleteStorage(nullptr), VYR_E_INVALID_PARAMETER);
    EXPECT_TRUE(fs::exists(folder));
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
