// Imported records stored through the common data: a second import of the same file adds
// nothing, because the collections skip records whose key is already stored.
#include <gtest/gtest.h>

#include "import/convert_rinex_nav.h"
#include "import/convert_sp3.h"
#include "import/import_test_support.h"
#include "records/collection_test_support.h"
#include "records/common_data.h"
#include "records/record_io.h"

using namespace import_test;

namespace {

class ImportTwiceTest : public vyr_test::MemoryStorageTest {};

std::string gps_file() {
    std::string text = nav_version_line("2.10", 'N') + hdr("", "END OF HEADER");
    for (int prn = 1; prn <= 3; ++prn) {
        text += format("%2d 10  1  1  2  0  0.0", prn) + d19(1e-4) + d19(0.0) + d19(0.0) + "\n";
        for (int i = 0; i < 6; ++i) text += nav2_orbit(prn + i, 1.0, 2.0, 3.0);
        text += "   " + d19(432018.0) + "\n";
    }
    return text;
}

}  // namespace

TEST_F(ImportTwiceTest, SecondImportOfTheSameFilesAddsNothing) {
    const std::string sp3 =
        "*  2010  1  1  0  0  0.00000000\n"
        "PG05  15000.123456 -20000.500000   1234.000001     12.345678\n"
        "PR07  15000.123456 -20000.500000   1234.000001     12.345678\n";
    CVyrCommonData common(storage, kStorageVersionCurrent);
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<VYR_BROADCASTEPHEMERIS> ephemerides;
        ASSERT_EQ(convert_text<CConvertFileRinexNav>(gps_file(), ephemerides), VYR_OK);
        ASSERT_EQ(ephemerides.size(), 3u);
        ASSERT_EQ(common.AddBroadcastEphemerisRecords(ephemerides), VYR_OK);
        std::vector<VYR_PRECISEEPHEMERIS> orbits;
        ASSERT_EQ(convert_text<CConvertFileSp3>(sp3, orbits), VYR_OK);
        ASSERT_EQ(orbits.size(), 2u);
        ASSERT_EQ(common.AddPreciseEphemerisRecords(orbits), VYR_OK);

        std::vector<VYR_BROADCASTEPHEMERIS> storedEphemerides;
        std::vector<VYR_PRECISEEPHEMERIS> storedOrbits;
        ASSERT_EQ(common.GetBroadcastEphemerisRecords(storedEphemerides), VYR_OK);
        ASSERT_EQ(common.GetPreciseEphemerisRecords(storedOrbits), VYR_OK);
        EXPECT_EQ(storedEphemerides.size(), 3u) << "pass " << pass;
        EXPECT_EQ(storedOrbits.size(), 2u) << "pass " << pass;
    }
}
