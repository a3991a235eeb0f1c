#include "import/file_converter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "import/import_test_support.h"

using namespace import_test;

namespace {

std::string small_v2(const char* marker) {
    std::string header = v2_header({"C1"});
    header.replace(header.find("TESTMARK"), 8, marker);
    return header + v2_epoch(15, 2, 13, 0, 0, 0.0, 0, {"G01"}) + obs(2.0e7) + "\n";
}

TEST(FileConverter, NamesAreCheckedBeforeAnythingIsRead) {
    ScratchDir dir;
    CVyrFileConverter converter;
    std::vector<VYR_STATION_RINEX> out(2);
    EXPECT_EQ(converter.ConvertRinexObs(nullptr, out, nullptr), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(converter.ConvertRinexObs("", out, nullptr), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(out.size(), 2u);  // untouched
    EXPECT_EQ(converter.ConvertRinexObs(dir.Path("").c_str(), out, nullptr), VYR_E_FILE_NOT_FOUND);
    EXPECT_TRUE(out.empty());
    // Existing files whose full names have 260 and 261 characters: the longer one is refused.
    const size_t folder = dir.Path("").size();
    ASSERT_LT(folder, 200u);
    const std::string longest = dir.Write(std::string(260 - folder, 'a'), small_v2("A"));
    const std::string tooLong = dir.Write(std::string(261 - folder, 'b'), small_v2("B"));
    ASSERT_EQ(longest.size(), 260u);
    ASSERT_TRUE(std::filesystem::exists(tooLong));
    EXPECT_EQ(converter.ConvertRinexObs(longest.c_str(), out, nullptr), VYR_OK);
    EXPECT_EQ(converter.ConvertRinexObs(tooLong.c_str(), out, nullptr), VYR_E_FILE_NOT_FOUND);
}

TEST(FileConverter, ConvertingTwiceKeepsOnlyTheSecondFile) {
    ScratchDir dir;
    CVyrFileConverter converter;
    std::vector<VYR_STATION_RINEX> out;
    ASSERT_EQ(converter.ConvertRinexObs(dir.Write("a", small_v2("ALPHA")).c_str(), out, nullptr),
              VYR_OK);
    ASSERT_EQ(converter.ConvertRinexObs(dir.Write("b", small_v2("BRAVO")).c_str(), out, nullptr),
              VYR_OK);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_STREQ(out[0].occupations.at(0).markerName, "BRAVO");
}

TEST(FileConverter, KlobucharReferenceTimeIsGpsWeekAndSecondsOfWeek) {
    std::vector<VYR_IONOUTC> records(2);
    vyr_import::stamp_reference_time(44244.5, records);
    EXPECT_EQ(+records[1].week, 0);
    EXPECT_EQ(+records[1].secondsOfWeek, 43200u);
    vyr_import::stamp_reference_time(44251.0, records);
    EXPECT_EQ(+records[0].week, 1);
    EXPECT_EQ(+records[0].secondsOfWeek, 0u);

    // Epochs before the GPS origin, past week 65535 or not numbers have no week to stamp.
    ScratchDir dir;
    const std::string file = dir.Write("any.nav", "not read\n");
    CVyrFileConverter converter;
    std::vector<VYR_IONOUTC> out;
    for (double epoch : {44243.999, 44244.0 + 7.0 * 65536, std::nan("")}) {
        EXPECT_EQ(converter.ConvertRinexIonoKlobuchar(file.c_str(), epoch, out),
                  VYR_E_INVALID_PARAMETER)
            << epoch;
    }
}

}  // namespace

// The leading text tells a file's kind; damage after it is the importer's to find and name, so
// that the complete epochs of a cut compressed file can be salvaged.
TEST(FileConverter, LeadingTextComesWithDamageFoundAfterIt) {
    ScratchDir dir;
    const std::string text = "     3.04           OBSERVATION DATA    M\nline two\n";
    const std::string plain = dir.Write("lead.rnx", text);
    ASSERT_EQ(std::system(("gzip -f '" + plain + "'").c_str()), 0);
    const std::string packed = file_text(plain + ".gz");
    struct Case {
        const char* what;
        std::string bytes;
        bool ok;
        std::string text;
    };
    const Case cases[] = {
        {"whole", packed, true, text},
        {"trailer cut", packed.substr(0, packed.size() - 8), true, text},
        {"header only", packed.substr(0, 10), false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string got;
        std::string problem;
        const std::string path = dir.Write("lead.gz", c.bytes);
        EXPECT_EQ(Vyr_ReadLeadingText(path.c_str(), 4096, got, problem), c.ok) << problem;
        EXPECT_EQ(got, c.text);
        EXPECT_EQ(problem.empty(), c.ok) << problem;
    }
}
