#include "records/result_formats.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "records/stream_fixture_test_support.h"
#include "tests/support/packed_value.h"

namespace {

// Expected stored bytes, built value by value.
struct Bytes {
    std::vector<uint8_t> data;
    template <class... T>
    Bytes& put(T... values) {
        (data.insert(data.end(), reinterpret_cast<const uint8_t*>(&values),
                     reinterpret_cast<const uint8_t*>(&values) + sizeof values),
         ...);
        return *this;
    }
    Bytes& sat(int32_t system, uint8_t prn) { return put(system, prn); }
    Bytes& zeros(size_t n) {
        data.insert(data.end(), n, 0);
        return *this;
    }
};

class ResultFormat : public vyr_test::MemoryStreamTest {
protected:
    template <class T>
    std::vector<uint8_t> written(const T& record) {
        put_bytes({});
        EXPECT_EQ(AppendRecord(stream, record), VYR_OK);
        return stream_bytes();
    }
    template <class T>
    bool read_back(const std::vector<uint8_t>& bytes, uint32_t version, T& record) {
        put_bytes(bytes);
        EXPECT_TRUE(stream.SeekToBegin());
        return RecordFormat<T>::Read(stream, version, record);
    }
};

TEST_F(ResultFormat, ResidualIsTimeThenCountedThirteenByteEntries) {
    VYR_RESIDUAL residual;
    residual.time = 55000.25;
    residual.residuals = {{{VYR_SATSYS_GPS, 5}, 1.5}, {{VYR_SATSYS_GLONASS, 3}, -0.25}};
    const auto expected =
        Bytes().put(55000.25, uint32_t{2}).sat(1, 5).put(1.5).sat(2, 3).put(-0.25).data;
    ASSERT_EQ(written(residual), expected);
    ASSERT_EQ(expected.size(), 8u + 4u + 2u * 13u);
    VYR_RESIDUAL back;
    ASSERT_TRUE(read_back(expected, kStorageVersionCurrent, back));
    EXPECT_EQ(value_of(back.time), value_of(residual.time));
    ASSERT_EQ(back.residuals.size(), 2u);
    EXPECT_TRUE(back.residuals[1].sat == residual.residuals[1].sat);
    EXPECT_EQ(value_of(back.residuals[1].residual), -0.25);
}

TEST_F(ResultFormat, OlderResidualsNameSatellitesByTheirCompactNumber) {
    struct Case {
        uint8_t stored;
        VYR_SATID expected;
    };
    const Case cases[] = {{0, {VYR_SATSYS_GPS, 0}},      {32, {VYR_SATSYS_GPS, 32}},
                          {33, {VYR_SATSYS_GLONASS, 1}}, {56, {VYR_SATSYS_GLONASS, 24}},
                          {57, {VYR_SATSYS_GALILEO, 1}}, {106, {VYR_SATSYS_GALILEO, 50}},
                          {107, {VYR_SATSYS_SBAS, 1}},   {126, {VYR_SATSYS_SBAS, 20}},
                          {127, {VYR_SATSYS_NONE, 0}},   {255, {VYR_SATSYS_NONE, 0}}};
    for (uint32_t version : {1u, 2u}) {
        for (const Case& c : cases) {
            const auto stored = Bytes().put(55000.5, uint32_t{1}, c.stored, 2.75).data;
            VYR_RESIDUAL back;
            ASSERT_TRUE(read_back(stored, version, back)) << int(c.stored);
            ASSERT_EQ(back.residuals.size(), 1u);
            EXPECT_EQ(value_of(back.residuals[0].sat.system), value_of(c.expected.system))
                << int(c.stored);
            EXPECT_EQ(value_of(back.residuals[0].sat.prn), value_of(c.expected.prn))
                << int(c.stored);
            EXPECT_EQ(value_of(back.residuals[0].residual), 2.75);
            // The whole older record was consumed: the stream is at its end.
            uint8_t more = 0;
            EXPECT_FALSE(stream.Read(&more, 1));
        }
    }
}

TEST_F(ResultFormat, SatelliteRecordsStoreTheSatelliteThenTheirCountedEntries) {
    VYR_TRACKING_STATUS_SV tracking;
    tracking.sat = {VYR_SATSYS_GALILEO, 11};
    tracking.intervals = {{55000.0, 55000.5, 2}};
    EXPECT_EQ(written(tracking),
              Bytes().sat(3, 11).put(uint32_t{1}, 55000.0, 55000.5, uint8_t{2}).data);

    VYR_AMBIGUITY_STATUS_SV ambiguity;
    ambiguity.sat = {VYR_SATSYS_GPS, 7};
    ambiguity.status = {{55000.125, 12.0, 1u, 0.5f}};
    EXPECT_EQ(written(ambiguity),
              Bytes().sat(1, 7).put(uint32_t{1}, 55000.125, 12.0, uint32_t{1}, 0.5f).data);

    VYR_SV_STAT stat;
    stat.sat = {VYR_SATSYS_SBAS, 4};
    stat.bands = {{VYR_BAND_L1, 900u, 0.25f}, {VYR_BAND_L5, 880u, 0.5f}};
    EXPECT_EQ(written(stat), Bytes()
                                 .sat(4, 4)
                                 .put(uint32_t{2}, int32_t{1}, uint32_t{900}, 0.25f, int32_t{3},
                                      uint32_t{880}, 0.5f)
                                 .data);

    VYR_EPOCH_SVINFO info;
    info.time = 55001.0;
    info.info = {7, 9, 1.5f, 1.0f, 2.0f, 0x10u};
    info.satellites = {{{VYR_SATSYS_GLONASS, 9}, int16_t{4512}, uint16_t{27000}}};
    const auto infoBytes =
        Bytes()
            .put(55001.0, uint8_t{7}, uint8_t{9}, 1.5f, 1.0f, 2.0f, uint32_t{0x10}, uint32_t{1})
            .sat(2, 9)
            .put(int16_t{4512}, uint16_t{27000})
            .data;
    EXPECT_EQ(written(info), infoBytes);
    EXPECT_EQ(infoBytes.size(), 8u + 18u + 4u + 9u);
    VYR_EPOCH_SVINFO infoBack;
    ASSERT_TRUE(read_back(infoBytes, kStorageVersionCurrent, infoBack));
    EXPECT_EQ(value_of(infoBack.info.flags), 0x10u);
    ASSERT_EQ(infoBack.satellites.size(), 1u);
    EXPECT_EQ(value_of(infoBack.satellites[0].azimuth), 27000);
}

// Versions 1 and 2: the same records with the one-byte compact number for every VYR_SATID.
TEST_F(ResultFormat, OlderSatelliteRecordsAreConverted) {
    VYR_TRACKING_STATUS_SV tracking;
    ASSERT_TRUE(
        read_back(Bytes().put(uint8_t{40}, uint32_t{1}, 1.0, 2.0, uint8_t{1}).data, 2, tracking));
    EXPECT_TRUE((tracking.sat == VYR_SATID{VYR_SATSYS_GLONASS, 8}));
    ASSERT_EQ(tracking.intervals.size(), 1u);
    EXPECT_EQ(value_of(tracking.intervals[0].end), 2.0);

    VYR_AMBIGUITY_STATUS_SV ambiguity;
    ASSERT_TRUE(read_back(Bytes().put(uint8_t{60}, uint32_t{0}).data, 1, ambiguity));
    EXPECT_TRUE((ambiguity.sat == VYR_SATID{VYR_SATSYS_GALILEO, 4}));
    EXPECT_TRUE(ambiguity.status.empty());

    VYR_SV_STAT stat;
    ASSERT_TRUE(read_back(Bytes().put(uint8_t{110}, uint32_t{1}, int32_t{1}, uint32_t{3}, 1.f).data,
                          1, stat));
    EXPECT_TRUE((stat.sat == VYR_SATID{VYR_SATSYS_SBAS, 4}));
    ASSERT_EQ(stat.bands.size(), 1u);
    EXPECT_EQ(value_of(stat.bands[0].observations), 3u);

    VYR_EPOCH_SVINFO info;
    const auto old = Bytes()
                         .put(55000.0)
                         .zeros(18)
                         .put(uint32_t{2}, uint8_t{3}, int16_t{100}, uint16_t{200}, uint8_t{34},
                              int16_t{-5}, uint16_t{300})
                         .data;
    ASSERT_TRUE(read_back(old, 2, info));
    ASSERT_EQ(info.satellites.size(), 2u);
    EXPECT_TRUE((info.satellites[1].sat == VYR_SATID{VYR_SATSYS_GLONASS, 2}));
    EXPECT_EQ(value_of(info.satellites[1].elevation), -5);
    EXPECT_EQ(value_of(info.satellites[1].azimuth), 300);
}

TEST_F(ResultFormat, OffsetsPositionsAndStatisticsHaveOneLayoutInEveryVersion) {
    VYR_RESIDUAL_OFFSET_SV offset;
    offset.slot = 7;
    offset.intervals = {{55000.0, 55000.5, 0.125}};
    const auto offsetBytes = Bytes().put(uint8_t{7}, uint32_t{1}, 55000.0, 55000.5, 0.125).data;
    EXPECT_EQ(written(offset), offsetBytes);

    VYR_POINT_POSITION position;
    position.position.descriptionId = 0x01020304;
    position.position.x = 4.0e6;
    position.position.solutionType = 2;
    position.observations = {{9, 100}, {3, 50}};
    auto positionBytes = written(position);
    ASSERT_EQ(positionBytes.size(), 158u + 4u + 2u * 8u);
    EXPECT_EQ(std::vector<uint8_t>(positionBytes.begin(), positionBytes.begin() + 4),
              Bytes().put(uint32_t{0x01020304}).data);
    // The map follows the fixed part in ascending key order.
    EXPECT_EQ(std::vector<uint8_t>(positionBytes.begin() + 158, positionBytes.end()),
              Bytes().put(uint32_t{2}, uint32_t{3}, uint32_t{50}, uint32_t{9}, uint32_t{100}).data);

    VYR_AMBIGUITY_STAT stat;
    stat.summary.total = 10;
    stat.intervals = {{1.0, 2.0, 3, 4}};
    stat.bands = {{1, {5, 6, 0.5}}};
    stat.ambiguities = {{0x1122334455667788ull, {1.0, 2.0, 3.0, 4, 5}}};
    stat.satellites = {{33, {1.0, 2.0, 3.0, 6, 7}}};
    const auto statBytes = written(stat);
    EXPECT_EQ(statBytes.size(), 28u + (4 + 24) + (4 + 4 + 16) + (4 + 8 + 32) + (4 + 4 + 32));
    EXPECT_EQ(std::vector<uint8_t>(statBytes.begin() + 28 + 28 + 24,
                                   statBytes.begin() + 28 + 28 + 24 + 12),
              Bytes().put(uint32_t{1}, 0x1122334455667788ull).data);

    for (uint32_t version : {1u, 2u, 3u}) {
        VYR_RESIDUAL_OFFSET_SV offsetBack;
        ASSERT_TRUE(read_back(offsetBytes, version, offsetBack));
        EXPECT_EQ(value_of(offsetBack.slot), 7);
        ASSERT_EQ(offsetBack.intervals.size(), 1u);
        EXPECT_EQ(value_of(offsetBack.intervals[0].offset), 0.125);
        VYR_POINT_POSITION positionBack;
        ASSERT_TRUE(read_back(positionBytes, version, positionBack));
        EXPECT_EQ(value_of(positionBack.position.x), 4.0e6);
        EXPECT_EQ(value_of(positionBack.observations), value_of(position.observations));
        VYR_AMBIGUITY_STAT statBack;
        ASSERT_TRUE(read_back(statBytes, version, statBack));
        EXPECT_EQ(value_of(statBack.summary.total), 10u);
        EXPECT_EQ(statBack.ambiguities.begin()->second.epochs, 5u);
        EXPECT_EQ(statBack.satellites.at(33).flags, 7u);
    }
}

TEST_F(ResultFormat, CycleSlipAndKernelStatisticsArePackedBytes) {
    VYR_CYCLE_SLIP slip{55000.75, {VYR_SATSYS_GLONASS, 2}, VYR_BAND_L2, 1, -3.0f};
    EXPECT_EQ(written(slip),
              Bytes().put(55000.75).sat(2, 2).put(int32_t{2}, uint8_t{1}, -3.0f).data);
    VYR_KERNEL_STAT kernel{};
    kernel.epochsProcessed = 2880;
    kernel.ambiguitiesTotal = 77;
    const auto bytes = written(kernel);
    ASSERT_EQ(bytes.size(), 84u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4),
              Bytes().put(uint32_t{2880}).data);
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 4, bytes.end()), Bytes().put(uint32_t{77}).data);
}

// A damaged count neither reserves its size nor reads beyond the stream: the record fails and a
// whole-stream read reports it.
TEST_F(ResultFormat, DamagedCountsEndAtTheStreamEnd) {
    const auto damaged = Bytes().put(55000.0, uint32_t{0xFFFFFFFF}).sat(1, 1).put(1.0).data;
    for (uint32_t version : {1u, 3u}) {
        VYR_RESIDUAL residual;
        EXPECT_FALSE(read_back(damaged, version, residual));
        EXPECT_LE(residual.residuals.capacity(), vyr_records::kMaxReservedElements);
    }
    VYR_SV_STAT stat;
    EXPECT_FALSE(read_back(Bytes().sat(1, 1).put(uint32_t{0x7FFFFFFF}).data, 3, stat));
    EXPECT_LE(stat.bands.capacity(), vyr_records::kMaxReservedElements);
    VYR_POINT_POSITION position;
    auto positionBytes = Bytes().zeros(158).put(uint32_t{0xFFFFFFF0}, uint32_t{1}).data;
    EXPECT_FALSE(read_back(positionBytes, 3, position));
}

TEST_F(ResultFormat, UnknownStorageVersionsFailTheRead) {
    VYR_RESIDUAL residual;
    residual.time = 1.0;
    put_bytes({});
    ASSERT_EQ(AppendRecord(stream, residual), VYR_OK);
    std::vector<VYR_RESIDUAL> records;
    EXPECT_EQ(ReadAllRecords(stream, 3, records), VYR_OK);
    EXPECT_EQ(records.size(), 1u);
    for (uint32_t version : {0u, 4u, 99u}) {
        EXPECT_EQ(ReadAllRecords(stream, version, records), VYR_E_READ_ENTRY_FAILED) << version;
        EXPECT_TRUE(records.empty());
    }
}

TEST(ResultTypes, BandsResidualTypesAndOffsetTypes) {
    for (int band = 1; band <= 6; ++band) {
        const auto b = static_cast<VYR_FREQUENCY_BAND>(band);
        EXPECT_EQ(VyrFreqBandToResidualType(b, false), band - 1);
        EXPECT_EQ(VyrFreqBandToResidualType(b, true), band + 5);
        EXPECT_EQ(vyr_records::residual_type_band(VyrFreqBandToResidualType(b, true)), b);
        EXPECT_EQ(vyr_records::residual_type_band(VyrFreqBandToResidualType(b, false)), b);
    }
    EXPECT_EQ(VyrFreqBandToResidualType(VYR_BAND_NONE, true), VYR_RESIDUAL_E6_CODE);
    EXPECT_EQ(VyrFreqBandToResidualType(static_cast<VYR_FREQUENCY_BAND>(9), false), 5);

    const std::pair<int, int> withOffset[] = {{0, 0}, {1, 1}, {12, 2}, {6, 3}, {7, 4}, {13, 5}};
    for (int type = -1; type <= 14; ++type) {
        VYR_RESIDUAL_OFFSET_TYPE offset = static_cast<VYR_RESIDUAL_OFFSET_TYPE>(77);
        const bool has = VyrConvertToOffsetType(static_cast<VYR_RESIDUAL_TYPE>(type), offset);
        int expected = -1;
        for (const auto& [t, o] : withOffset)
            if (t == type) expected = o;
        EXPECT_EQ(has, expected >= 0) << type;
        EXPECT_EQ(static_cast<int>(offset), has ? expected : 77) << type;
    }
}

}  // namespace
