#include "records/processing_parameters_format.h"

#include <gtest/gtest.h>

#include <cstring>

#include "records/stream_fixture_test_support.h"

namespace {

using ProcessingParametersStream = vyr_test::MemoryStreamTest;

VYR_PROCESSING_PARAMETERS sample_parameters() {
    VYR_PROCESSING_PARAMETERS parameters;
    parameters.outer.u32_0 = 11;
    parameters.outer.u32_90 = 0xABCDEF01;
    parameters.kernel.fields.f64_112 = 0.125;
    parameters.kernel.values = {{7, 70}, {3, 30}};
    parameters.orbit.fields.u8_43 = 9;
    parameters.orbit.fields.u8_44 = 5;  // kept in memory only
    parameters.orbit.satellites = {
        {VYR_SATSYS_GALILEO, 11}, {VYR_SATSYS_GPS, 5}, {VYR_SATSYS_GPS, 31}};
    return parameters;
}

TEST_F(ProcessingParametersStream, MapsAndSetsRoundTripIn297Bytes) {
    ASSERT_EQ(WriteSingleRecord(stream, sample_parameters()), VYR_OK);
    const std::vector<uint8_t> bytes = stream_bytes();
    ASSERT_EQ(bytes.size(), 297u);  // 94 + 120 + 4 + 16 + 44 + 4 + 15
    EXPECT_EQ(bytes[214], 2);       // map count after outer and kernel fields
    EXPECT_EQ(bytes[218], 3);       // first map key: ascending order
    EXPECT_EQ(bytes[278], 3);       // set count after the 44 stored orbit bytes
    EXPECT_EQ(bytes[282], VYR_SATSYS_GPS);
    EXPECT_EQ(bytes[286], 5);

    VYR_PROCESSING_PARAMETERS read;
    ASSERT_EQ(ReadSingleRecord(stream, kStorageVersionCurrent, read), VYR_OK);
    const VYR_PROCESSING_PARAMETERS expected = sample_parameters();
    EXPECT_EQ(std::memcmp(&read.outer, &expected.outer, sizeof read.outer), 0);
    EXPECT_EQ(std::memcmp(&read.kernel.fields, &expected.kernel.fields, 120), 0);
    EXPECT_EQ(read.kernel.values, expected.kernel.values);
    EXPECT_EQ(std::memcmp(&read.orbit.fields, &expected.orbit.fields, 44), 0);
    EXPECT_EQ(read.orbit.fields.u8_44, 0);  // the 45th orbit byte keeps its default
    EXPECT_EQ(read.orbit.satellites, expected.orbit.satellites);
}

TEST_F(ProcessingParametersStream, AShorterRecordOverALongerOneReadsBackCorrectly) {
    ASSERT_EQ(WriteSingleRecord(stream, sample_parameters()), VYR_OK);
    ASSERT_EQ(WriteSingleRecord(stream, VYR_PROCESSING_PARAMETERS{}), VYR_OK);
    EXPECT_EQ(stream_size(), 297u);  // single records are not truncated
    VYR_PROCESSING_PARAMETERS read;
    ASSERT_EQ(ReadSingleRecord(stream, kStorageVersionCurrent, read), VYR_OK);
    EXPECT_TRUE(read.kernel.values.empty());
    EXPECT_TRUE(read.orbit.satellites.empty());
}

// Old layouts: outer 0-11, kernel block, outer 12-55, orbit block, outer 56-80.
std::vector<uint8_t> old_layout(size_t kernel_size, size_t orbit_size) {
    VYR_PROCESSING_PARAMETERS_OUTER_FIELDS outer;
    outer.u32_0 = 77;
    outer.f64_48 = 1.5;
    outer.u32_56 = 5;
    outer.u8_81 = 200;  // beyond the old layout: must not be taken over
    const auto* o = reinterpret_cast<const uint8_t*>(&outer);
    std::vector<uint8_t> bytes(o, o + 12);
    std::vector<uint8_t> kernel(kernel_size, 0xEE);
    kernel[0] = 4;  // kernel u8 at 0
    bytes.insert(bytes.end(), kernel.begin(), kernel.end());
    bytes.insert(bytes.end(), o + 12, o + 56);
    std::vector<uint8_t> orbit(orbit_size, 0xDD);
    orbit[4] = 3;  // orbit u8 at 4
    bytes.insert(bytes.end(), orbit.begin(), orbit.end());
    bytes.insert(bytes.end(), o + 56, o + 81);
    return bytes;
}

TEST_F(ProcessingParametersStream, OlderLayoutsAreReadWithTheirOwnSizes) {
    const struct {
        uint32_t version;
        size_t kernel, orbit;
    } layouts[] = {{1, 129, 168}, {2, 139, 272}};
    for (const auto& layout : layouts) {
        put_bytes(old_layout(layout.kernel, layout.orbit));
        VYR_PROCESSING_PARAMETERS read;
        ASSERT_EQ(ReadSingleRecord(stream, layout.version, read), VYR_OK) << layout.version;
        EXPECT_EQ(read.outer.u32_0, 77u);
        EXPECT_EQ(read.outer.f64_48, 1.5);
        EXPECT_EQ(read.outer.u32_56, 5u);
        EXPECT_EQ(read.outer.u8_81, 25);  // default: older layouts stop at byte 80
        EXPECT_EQ(read.kernel.fields.u8_0, 4);
        EXPECT_EQ(read.orbit.fields.u8_4, 3);
        EXPECT_EQ(read.orbit.fields.u8_44, 0);
        EXPECT_TRUE(read.kernel.values.empty());
    }
}

TEST_F(ProcessingParametersStream, ATruncatedOrUnknownVersionRecordFailsToRead) {
    put_bytes(old_layout(129, 100));
    VYR_PROCESSING_PARAMETERS read;
    EXPECT_EQ(ReadSingleRecord(stream, 1, read), VYR_E_READ_ENTRY_FAILED);
    ASSERT_EQ(WriteSingleRecord(stream, sample_parameters()), VYR_OK);
    EXPECT_EQ(ReadSingleRecord(stream, 4, read), VYR_E_READ_ENTRY_FAILED);
}

}  // namespace
