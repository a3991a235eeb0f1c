#include "records/result_collections.h"

#include <gtest/gtest.h>

#include <optional>

#include "records/collection_test_support.h"
#include "records/hand_out_collection.h"
#include "storage/layout.h"
#include "tests/support/packed_value.h"

namespace {

using namespace vyr_storage;

constexpr uint32_t kV = kStorageVersionCurrent;
constexpr VYR_SATID kGlo3{VYR_SATSYS_GLONASS, 3};
constexpr VYR_SATID kGlo4{VYR_SATSYS_GLONASS, 4};
constexpr VYR_SATID kGlo5{VYR_SATSYS_GLONASS, 5};
constexpr VYR_SATID kGps3{VYR_SATSYS_GPS, 3};

VYR_RESIDUAL residual(double time, std::vector<VYR_RESIDUAL_SV> entries) {
    VYR_RESIDUAL r;
    r.time = time;
    r.residuals = std::move(entries);
    return r;
}

VYR_RESIDUAL_OFFSET_SV offset(uint8_t slot, std::vector<VYR_RESIDUAL_OFFSET_INTERVAL> intervals) {
    VYR_RESIDUAL_OFFSET_SV o;
    o.slot = slot;
    o.intervals = std::move(intervals);
    return o;
}

double residual_of(const VYR_RESIDUAL& r, const VYR_SATID& sat) {
    for (const auto& e : r.residuals)
        if (e.sat == sat) return e.residual;
    ADD_FAILURE() << "satellite missing";
    return 0.0;
}

class ResultCollections : public vyr_test::MemoryStorageTest {
protected:
    void add_residuals(VYR_RESIDUAL_TYPE type, const std::vector<VYR_RESIDUAL>& records) {
        CVyrCollectionResidualEx collection(storage, kV, type);
        ASSERT_EQ(collection.OpenResult(), VYR_OK);
        for (const auto& r : records) ASSERT_EQ(collection.Add(r), VYR_OK);
    }
    void add_offsets(VYR_RESIDUAL_OFFSET_TYPE type,
                     const std::vector<VYR_RESIDUAL_OFFSET_SV>& records) {
        CVyrCollectionResidualOffsetSvEx collection(storage, kV, type);
        ASSERT_EQ(collection.OpenResult(), VYR_OK);
        for (const auto& r : records) ASSERT_EQ(collection.Add(r), VYR_OK);
    }
};

TEST_F(ResultCollections, EachTypeOffsetTypeAndBandHasItsStream) {
    const std::pair<int, uint32_t> residuals[] = {
        {0, kStreamResidualsL1Code},     {1, kStreamResidualsL2Code},
        {2, kStreamResidualsL5Code},     {3, kStreamResidualsE5bCode},
        {4, kStreamResidualsE5abCode},   {5, kStreamResidualsE6Code},
        {6, kStreamResidualsL1Phase},    {7, kStreamResidualsL2Phase},
        {8, kStreamResidualsL5Phase},    {9, kStreamResidualsE5bPhase},
        {10, kStreamResidualsE5abPhase}, {11, kStreamResidualsE6Phase},
        {12, kStreamResidualsL3Code},    {13, kStreamResidualsL3Phase}};
    for (const auto& [type, id] : residuals) {
        add_residuals(static_cast<VYR_RESIDUAL_TYPE>(type), {residual(type, {})});
        EXPECT_EQ(stream_bytes(id).size(), 12u) << type;
    }
    const std::pair<int, uint32_t> offsets[] = {
        {0, kStreamResidualOffsetL1Code},  {1, kStreamResidualOffsetL2Code},
        {2, kStreamResidualOffsetL3Code},  {3, kStreamResidualOffsetL1Phase},
        {4, kStreamResidualOffsetL2Phase}, {5, kStreamResidualOffsetL3Phase}};
    for (const auto& [type, id] : offsets) {
        add_offsets(static_cast<VYR_RESIDUAL_OFFSET_TYPE>(type), {offset(1, {})});
        EXPECT_EQ(stream_bytes(id).size(), 5u) << type;
    }
    const std::tuple<int, uint32_t, uint32_t> bands[] = {
        {1, kStreamTrackingStatusL1, kStreamAmbiguityStatusL1},
        {2, kStreamTrackingStatusL2, kStreamAmbiguityStatusL2},
        {3, kStreamTrackingStatusL5E5a, kStreamAmbiguityStatusL5E5a},
        {4, kStreamTrackingStatusE5b, kStreamAmbiguityStatusE5b},
        {5, kStreamTrackingStatusE5ab, kStreamAmbiguityStatusE5ab},
        {6, kStreamTrackingStatusE5ab, kStreamAmbiguityStatusE5ab},
        {0, kStreamTrackingStatusE5ab, kStreamAmbiguityStatusE5ab}};
    for (const auto& [band, tracking, ambiguity] : bands) {
        const auto before = stream_bytes(tracking).size();
        {
            CVyrCollectionTrackingStatusSvEx t(storage, kV, static_cast<VYR_FREQUENCY_BAND>(band));
            ASSERT_EQ(t.Add(VYR_TRACKING_STATUS_SV{}), VYR_OK);
            CVyrCollectionAmbiguityStatusSvEx a(storage, kV, static_cast<VYR_FREQUENCY_BAND>(band));
            ASSERT_EQ(a.Add(VYR_AMBIGUITY_STATUS_SV{}), VYR_OK);
        }
        EXPECT_EQ(stream_bytes(tracking).size(), before + 9u) << band;
        EXPECT_EQ(stream_bytes(ambiguity).size(), before + 9u) << band;
    }
}

TEST_F(ResultCollections, ValuesWithoutAStreamCannotBeOpened) {
    for (int type : {-1, 14, 1000}) {
        CVyrCollectionResidual r(storage, kV, static_cast<VYR_RESIDUAL_TYPE>(type));
        EXPECT_EQ(r.OpenResult(), VYR_E_CANNOT_CREATE_ENTRY) << type;
        CVyrCollectionResidualEx ex(storage, kV, static_cast<VYR_RESIDUAL_TYPE>(type));
        EXPECT_EQ(ex.Add(residual(1.0, {})), VYR_E_CANNOT_CREATE_ENTRY);
    }
    for (int type : {-1, 6}) {
        CVyrCollectionResidualOffsetSv o(storage, kV, static_cast<VYR_RESIDUAL_OFFSET_TYPE>(type));
        EXPECT_EQ(o.OpenResult(), VYR_E_CANNOT_CREATE_ENTRY) << type;
    }
    CVyrIPtrSmart<IVyrCollectionResidual> out;
    EXPECT_TRUE(VyrFailed(vyr_records::hand_out_collection<CVyrCollectionResidual>(
        out, storage, kV, static_cast<VYR_RESIDUAL_TYPE>(14))));
    EXPECT_FALSE(out.IsValid());
    ASSERT_EQ(vyr_records::hand_out_collection<CVyrCollectionResidual>(out, storage, kV,
                                                                       VYR_RESIDUAL_L1_CODE),
              VYR_OK);
    EXPECT_TRUE(out.IsValid());
}

TEST_F(ResultCollections, ReadOnlyClassesRefuseChangesAndExClassesAppend) {
    {
        CVyrCollectionCycleSlipEx ex(storage, kV);
        ASSERT_EQ(ex.Add(VYR_CYCLE_SLIP{1.0, kGps3, VYR_BAND_L1, 0, 1.0f}), VYR_OK);
        ASSERT_EQ(ex.Add(VYR_CYCLE_SLIP{2.0, kGlo3, VYR_BAND_L2, 1, 2.0f}), VYR_OK);
        EXPECT_EQ(ex.Delete(VYR_CYCLE_SLIP{}), VYR_E_NOT_IMPLEMENTED);
        EXPECT_EQ(ex.DeleteAll(), VYR_E_NOT_IMPLEMENTED);
    }
    const std::string stored = stream_bytes(kStreamCycleSlips);
    ASSERT_EQ(stored.size(), 44u);
    CVyrCollectionCycleSlip slips(storage, kV);
    EXPECT_EQ(slips.Add(VYR_CYCLE_SLIP{}), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(slips.Delete(VYR_CYCLE_SLIP{}), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(slips.DeleteAll(), VYR_E_NOT_IMPLEMENTED);
    EXPECT_FALSE(slips.Contains(VYR_CYCLE_SLIP{1.0, kGps3, VYR_BAND_L1, 0, 1.0f}));
    uint32_t count = 0;
    ASSERT_EQ(slips.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 2u);
    VYR_CYCLE_SLIP slip{};
    ASSERT_EQ(slips.GetAt(1, slip), VYR_OK);
    EXPECT_EQ(value_of(slip.cycles), 2.0f);
    EXPECT_EQ(slips.GetAt(2, slip), VYR_E_READ_ENTRY_FAILED);
    EXPECT_EQ(slips.GetNext(slip), VYR_E_INVALID_STATUS);
    ASSERT_EQ(slips.GetFirst(slip), VYR_OK);
    ASSERT_EQ(slips.GetNext(slip), VYR_OK);
    EXPECT_EQ(slips.GetNext(slip), VYR_E_NO_MORE_ENTRIES);

    CVyrCollectionSvStatEx statsEx(storage, kV);
    VYR_SV_STAT stat;
    stat.sat = kGlo4;
    stat.bands = {{VYR_BAND_L1, 10, 0.5f}};
    ASSERT_EQ(statsEx.Add(stat), VYR_OK);
    ASSERT_EQ(statsEx.Add(stat), VYR_OK);
    ASSERT_EQ(statsEx.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(statsEx.GetNext(stat), VYR_E_INVALID_STATUS);
}

TEST_F(ResultCollections, GlonassResidualsAreReducedByTheOffsetOfTheirSlot) {
    const double t0 = 55000.0, t1 = 55000.5;
    add_offsets(VYR_RESIDUAL_OFFSET_L1_CODE,
                {offset(3, {{t0, t1, 0.5}, {t0, t1, 9.0}}),  // first interval holding the epoch
                 offset(4, {{t1, t0, 0.25}}),                // bounds reversed
                 offset(5, {}),                              // no interval: not entered
                 offset(5, {{t0, t1, 2.0}}),
                 offset(5, {{t0, t1, 7.0}}),  // a later record of a slot is ignored
                 offset(30, {{t0, t1, 1.0}})});
    const std::vector<VYR_RESIDUAL_SV> entries = {
        {kGlo3, 1.0}, {kGlo4, 1.0}, {kGlo5, 1.0}, {kGps3, 1.0}, {{VYR_SATSYS_GLONASS, 30}, 1.0}};
    add_residuals(VYR_RESIDUAL_L1_CODE,
                  {residual(t0, entries), residual(t1, entries), residual(55001.0, entries)});

    std::optional<CVyrCollectionResidual> corrected;
    corrected.emplace(storage, kV, VYR_RESIDUAL_L1_CODE);
    ASSERT_EQ(corrected->OpenResult(), VYR_OK);
    std::vector<VYR_RESIDUAL> all;
    ASSERT_EQ(corrected->GetAll(all), VYR_OK);
    ASSERT_EQ(all.size(), 3u);
    for (int i = 0; i < 2; ++i) {  // both bounds belong to the interval
        EXPECT_DOUBLE_EQ(residual_of(all[i], kGlo3), 0.5);
        EXPECT_DOUBLE_EQ(residual_of(all[i], kGlo4), 0.75);
        EXPECT_DOUBLE_EQ(residual_of(all[i], kGlo5), -1.0);
        EXPECT_DOUBLE_EQ(residual_of(all[i], kGps3), 1.0);
        EXPECT_DOUBLE_EQ(residual_of(all[i], {VYR_SATSYS_GLONASS, 30}), 1.0);
    }
    EXPECT_DOUBLE_EQ(residual_of(all[2], kGlo3), 1.0);  // outside every interval

    VYR_RESIDUAL one;
    ASSERT_EQ(corrected->GetFirst(one), VYR_OK);
    EXPECT_DOUBLE_EQ(residual_of(one, kGlo4), 0.75);
    ASSERT_EQ(corrected->GetNext(one), VYR_OK);
    EXPECT_DOUBLE_EQ(residual_of(one, kGlo3), 0.5);
    ASSERT_EQ(corrected->GetAt(2, one), VYR_OK);
    EXPECT_DOUBLE_EQ(residual_of(one, kGlo3), 1.0);
    ASSERT_EQ(corrected->GetAt(0, one), VYR_OK);
    EXPECT_DOUBLE_EQ(residual_of(one, kGlo5), -1.0);

    corrected.reset();  // one collection per stream at a time
    CVyrCollectionResidualEx asStored(storage, kV, VYR_RESIDUAL_L1_CODE);
    ASSERT_EQ(asStored.GetAll(all), VYR_OK);
    EXPECT_DOUBLE_EQ(residual_of(all[0], kGlo3), 1.0);
}

TEST_F(ResultCollections, OffsetsFollowTheResidualType) {
    add_offsets(VYR_RESIDUAL_OFFSET_L3_CODE, {offset(3, {{0.0, 60000.0, 0.5}})});
    add_residuals(VYR_RESIDUAL_L3_CODE, {residual(55000.0, {{kGlo3, 1.0}})});
    add_residuals(VYR_RESIDUAL_L5_CODE, {residual(55000.0, {{kGlo3, 1.0}})});
    add_residuals(VYR_RESIDUAL_L1_CODE, {residual(55000.0, {{kGlo3, 1.0}})});
    struct Case {
        VYR_RESIDUAL_TYPE type;
        double expected;
    };
    for (const Case& c : {Case{VYR_RESIDUAL_L3_CODE, 0.5}, Case{VYR_RESIDUAL_L5_CODE, 1.0},
                          Case{VYR_RESIDUAL_L1_CODE, 1.0}}) {
        CVyrCollectionResidual residuals(storage, kV, c.type);
        VYR_RESIDUAL r;
        ASSERT_EQ(residuals.GetFirst(r), VYR_OK);
        EXPECT_DOUBLE_EQ(residual_of(r, kGlo3), value_of(c.expected)) << c.type;
    }
}

TEST_F(ResultCollections, ReadOnlyProjectsWithoutResultStreams) {
    add_residuals(VYR_RESIDUAL_L1_CODE, {residual(55000.0, {{kGlo3, 1.0}})});
    reopen_read_only();
    CVyrCollectionResidual residuals(storage, kV, VYR_RESIDUAL_L1_CODE);
    ASSERT_EQ(residuals.OpenResult(), VYR_OK);
    VYR_RESIDUAL r;
    ASSERT_EQ(residuals.GetFirst(r), VYR_OK);
    EXPECT_DOUBLE_EQ(residual_of(r, kGlo3), 1.0);
    CVyrCollectionResidual missing(storage, kV, VYR_RESIDUAL_L2_CODE);
    EXPECT_EQ(missing.OpenResult(), VYR_E_CANNOT_CREATE_ENTRY);
    CVyrIPtrSmart<IVyrCollectionSvStat> stats;
    EXPECT_EQ(vyr_records::hand_out_collection<CVyrCollectionSvStat>(stats, storage, kV),
              VYR_E_ENTRY_NOT_FOUND);
}

class PointJoin : public ResultCollections {
protected:
    void add_description(uint32_t id, int32_t type) {
        VYR_POINT_DESC d{};
        d.id = id;
        d.description.type = type;
        d.description.start = 55000.0 + id;
        descriptions += vyr_test::bytes_of(d);
        put_stream(kStreamPointDescriptions, descriptions);
    }
    void add_position(uint32_t descriptionId, double x) {
        CVyrCollectionPointPosition positions(storage, kV);
        VYR_POINT_POSITION p;
        p.position.descriptionId = descriptionId;
        p.position.x = x;
        p.observations[descriptionId] = 1;
        ASSERT_EQ(positions.Add(p), VYR_OK);
    }
    std::string descriptions;
};

TEST_F(PointJoin, PositionsAreCompletedByTheirDescription) {
    add_description(7, 3);
    add_description(9, 4);
    add_position(9, 1.0);
    add_position(7, 2.0);
    CVyrCollectionPoint points(storage, kV);
    ASSERT_EQ(points.OpenResult(), VYR_OK);
    std::vector<VYR_POINT> all;
    ASSERT_EQ(points.GetAll(all), VYR_OK);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(value_of(all[0].description.type), 4);
    EXPECT_EQ(value_of(all[0].description.start), 55009.0);
    EXPECT_EQ(value_of(all[0].position.position.x), 1.0);
    EXPECT_EQ(all[1].position.observations.at(7), 1u);
    VYR_POINT point;
    ASSERT_EQ(points.GetAt(1, point), VYR_OK);
    EXPECT_EQ(value_of(point.description.type), 3);
    EXPECT_EQ(points.Add(point), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(points.DeleteAll(), VYR_E_NOT_IMPLEMENTED);
}

TEST_F(PointJoin, APositionWithoutDescriptionIsReported) {
    add_description(7, 3);
    add_position(7, 1.0);
    add_position(8, 2.0);
    CVyrCollectionPoint points(storage, kV);
    VYR_POINT point;
    ASSERT_EQ(points.GetFirst(point), VYR_OK);
    EXPECT_EQ(points.GetNext(point), VYR_E_NO_POINT_DESCRIPTION);
    EXPECT_EQ(points.GetNext(point), VYR_E_NO_MORE_ENTRIES);
    std::vector<VYR_POINT> all;
    EXPECT_EQ(points.GetAll(all), VYR_E_NO_POINT_DESCRIPTION);
    EXPECT_EQ(all.size(), 1u);
}

TEST_F(PointJoin, MissingDescriptionsGiveTheJoinFailure) {
    add_position(7, 1.0);
    reopen_read_only();
    CVyrCollectionPoint points(storage, kV);
    ASSERT_EQ(points.OpenResult(), VYR_OK);
    VYR_POINT point;
    EXPECT_EQ(points.GetFirst(point), VYR_E_NO_POINT_DESCRIPTION);
    uint32_t count = 0;
    ASSERT_EQ(points.GetCount(count), VYR_OK);
    EXPECT_EQ(count, 1u);
}

}  // namespace
