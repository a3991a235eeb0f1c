#include "storage/file_name_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "storage/string_toolbox.h"

namespace {

namespace fs = std::filesystem;

TEST(FileNameManager, AcceptsOnlyAnExistingFileAndKeepsTheLastGoodName) {
    const fs::path dir = fs::temp_directory_path() / ("vyr_fnm_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "obs.24o";
    std::ofstream(file) << "x";

    CFileNameManager names;
    EXPECT_STREQ(names.GetFileName(), "");
    EXPECT_EQ(names.SetFileName(file.c_str()), VYR_OK);
    EXPECT_EQ(names.GetFileName(), file.string());

    EXPECT_EQ(names.SetFileName(dir.c_str()), VYR_E_FILE_NOT_FOUND);
    EXPECT_EQ(names.SetFileName((dir / "missing").c_str()), VYR_E_FILE_NOT_FOUND);
    EXPECT_EQ(names.SetFileName(""), VYR_E_FILE_NOT_FOUND);
    EXPECT_EQ(names.SetFileName(nullptr), VYR_E_FILE_NOT_FOUND);
    const std::string too_long = "/" + std::string(300, 'a');
    EXPECT_EQ(names.SetFileName(too_long.c_str()), VYR_E_FILE_NOT_FOUND);
    EXPECT_EQ(names.GetFileName(), file.string());
    fs::remove_all(dir);
}

TEST(StringToolbox, BlankMeansNoLetterOrDigit) {
    CStringToolbox toolbox;
    EXPECT_TRUE(toolbox.IsBlank(std::string(" \t--  ")));
    EXPECT_TRUE(toolbox.IsBlank(""));
    EXPECT_TRUE(toolbox.IsBlank(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(toolbox.IsBlank(" - x - "));
    EXPECT_FALSE(toolbox.IsBlank(std::string("  7")));
    EXPECT_FALSE(toolbox.IsBlank("\xC3\xA9"));  // a letter outside ASCII
}

TEST(StringToolbox, ReplacesEveryOccurrenceInPlace) {
    CStringToolbox toolbox;
    char text[] = "1.0D+03 2.5D-01";
    toolbox.ReplaceChar(text, 'D', 'E');
    EXPECT_STREQ(text, "1.0E+03 2.5E-01");
    toolbox.ReplaceChar(nullptr, 'D', 'E');  // nothing to do, nothing breaks
}

}  // namespace
