#include "storage/file_name_manager.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "storage/storage_test_support.h"
#include "storage/string_toolbox.h"

namespace {

TEST(FileNameManager, AcceptsOnlyAnExistingFileOfUpTo260CharactersAndKeepsTheLastGoodName) {
    storage_test::ScratchDir scratch;
    const std::string dir = scratch.File("");
    const std::string file = dir + "obs.24o";
    const std::string longest = dir + std::string(260 - dir.size(), 'n');
    const std::string too_long = longest + "n";
    for (const std::string& path : {file, longest, too_long}) std::ofstream(path) << "x";

    CFileNameManager names;
    EXPECT_STREQ(names.GetFileName(), "");
    EXPECT_EQ(names.SetFileName(file.c_str()), VYR_OK);
    EXPECT_EQ(names.GetFileName(), file);
    for (const std::string& refused : {dir, dir + "missing", std::string(), too_long})
        EXPECT_EQ(names.SetFileName(refused.c_str()), VYR_E_FILE_NOT_FOUND) << refused;
    EXPECT_EQ(names.SetFileName(nullptr), VYR_E_FILE_NOT_FOUND);
    EXPECT_EQ(names.GetFileName(), file);
    EXPECT_EQ(names.SetFileName(longest.c_str()), VYR_OK);
    EXPECT_EQ(names.GetFileName(), longest);
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
