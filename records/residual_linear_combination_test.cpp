#include <gtest/gtest.h>

#include <cmath>

#include "records/collection_test_support.h"
#include "records/hand_out_collection.h"
#include "records/result_collections.h"
#include "tests/support/packed_value.h"

namespace {

constexpr uint32_t kV = kStorageVersionCurrent;
constexpr double kSecond = 1.0 / 86400.0;
constexpr double kT0 = 55000.0;
constexpr VYR_SATID kGps5{VYR_SATSYS_GPS, 5};
constexpr VYR_SATID kGps6{VYR_SATSYS_GPS, 6};
constexpr VYR_SATID kGlo1{VYR_SATSYS_GLONASS, 1};
constexpr VYR_SATID kGal2{VYR_SATSYS_GALILEO, 2};

using Combination = CVyrCollectionResidualLinearCombination;

VYR_GLONASS_FREQUENCYMAP glonass_map(int16_t slotOneChannel) {
    VYR_GLONASS_FREQUENCYMAP map{};
    for (auto& channel : map.channel) channel = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    map.channel[0] = slotOneChannel;
    return map;
}

const VYR_RESIDUAL_SV* find(const VYR_RESIDUAL& r, const VYR_SATID& sat) {
    for (const auto& e : r.residuals)
        if (e.sat == sat) return &e;
    return nullptr;
}

class LinearCombination : public vyr_test::MemoryStorageTest {
protected:
    // Epochs in seconds after kT0, each with the same satellites and values.
    void add(VYR_RESIDUAL_TYPE type, const std::vector<double>& seconds,
             const std::vector<VYR_RESIDUAL_SV>& entries) {
        CVyrCollectionResidualEx residuals(storage, kV, type);
        for (double s : seconds) {
            VYR_RESIDUAL r;
            r.time = kT0 + s * kSecond;
            r.residuals = entries;
            ASSERT_EQ(residuals.Add(r), VYR_OK);
        }
    }
    static double seconds_of(const VYR_RESIDUAL& r) { return (r.time - kT0) / kSecond; }
};

TEST_F(LinearCombination, IonosphereFreeCoefficientsFollowTheFrequencyRatio) {
    add(VYR_RESIDUAL_L1_CODE, {0}, {{kGps5, 2.0}, {kGal2, 1.0}, {kGlo1, 1.0}});
    add(VYR_RESIDUAL_L2_CODE, {0}, {{kGps5, 1.0}, {kGal2, 1.0}, {kGlo1, 1.0}});
    Combination combination(storage, VYR_RESIDUAL_COMBINATION_IONO_FREE,
                            {VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L2_CODE}, kV, nullptr);
    ASSERT_EQ(combination.Status(), VYR_OK);
    double c1 = 0, c2 = 0;  // f1² / (f1² - f2²) and -f2² / (f1² - f2²), f1 : f2 = 154 : 120
    ASSERT_TRUE(combination.Coefficients(VYR_SATSYS_GPS, c1, c2));
    EXPECT_NEAR(c1, 2.5457277801631, 1e-12);
    EXPECT_NEAR(c2, -1.5457277801631, 1e-12);
    EXPECT_FALSE(combination.Coefficients(VYR_SATSYS_GALILEO, c1, c2));  // L2 is not Galileo's
    EXPECT_FALSE(combination.Coefficients(VYR_SATSYS_GLONASS, c1, c2));  // no channel map

    VYR_RESIDUAL r;
    ASSERT_EQ(combination.GetFirst(r), VYR_OK);
    ASSERT_EQ(r.residuals.size(), 1u);
    EXPECT_TRUE(r.residuals[0].sat == kGps5);
    EXPECT_NEAR(value_of(r.residuals[0].residual), 2 * 2.5457277801631 - 1.5457277801631, 1e-9);
}

TEST_F(LinearCombination, GlonassTakesPartOnlyWithAChannelMap) {
    add(VYR_RESIDUAL_L1_PHASE, {0}, {{kGlo1, 1.0}, {kGps5, 1.0}});
    add(VYR_RESIDUAL_L2_PHASE, {0}, {{kGlo1, 1.0}, {kGps5, 1.0}});
    const VYR_GLONASS_FREQUENCYMAP map = glonass_map(-4);
    Combination combination(storage, VYR_RESIDUAL_COMBINATION_IONO_FREE,
                            {VYR_RESIDUAL_L1_PHASE, VYR_RESIDUAL_L2_PHASE}, kV, &map);
    double c1 = 0, c2 = 0;
    ASSERT_TRUE(combination.Coefficients(VYR_SATSYS_GLONASS, c1, c2));
    EXPECT_NEAR(c1, 81.0 / 32.0, 1e-9);  // GLONASS L1 : L2 is 9 : 7 on every channel
    VYR_RESIDUAL r;
    ASSERT_EQ(combination.GetFirst(r), VYR_OK);
    EXPECT_NE(find(r, kGlo1), nullptr);
    EXPECT_NE(find(r, kGps5), nullptr);
}

// Both types on one band, or an unknown GLONASS frequency, would divide by zero.
TEST_F(LinearCombination, SystemsWithoutTwoDistinctFrequenciesGetNoCoefficients) {
    add(VYR_RESIDUAL_L1_CODE, {0}, {{kGps5, 1.0}, {kGlo1, 1.0}});
    add(VYR_RESIDUAL_L1_PHASE, {0}, {{kGps5, 1.0}, {kGlo1, 1.0}});
    add(VYR_RESIDUAL_L2_CODE, {0}, {{kGps5, 1.0}, {kGlo1, 1.0}});
    const VYR_GLONASS_FREQUENCYMAP unknownSlotOne = glonass_map(VYR_GLONASS_FREQUENCYMAP::kNotSet);
    const VYR_GLONASS_FREQUENCYMAP knownSlotOne = glonass_map(1);
    struct Case {
        VYR_RESIDUAL_TYPE t2;
        const VYR_GLONASS_FREQUENCYMAP* map;
        bool gps;
        bool glonass;
    };
    const Case cases[] = {{VYR_RESIDUAL_L1_PHASE, &knownSlotOne, false, false},
                          {VYR_RESIDUAL_L2_CODE, &unknownSlotOne, true, false},
                          {VYR_RESIDUAL_L2_CODE, &knownSlotOne, true, true}};
    for (const Case& c : cases) {
        Combination combination(storage, VYR_RESIDUAL_COMBINATION_IONO_FREE,
                                {VYR_RESIDUAL_L1_CODE, c.t2}, kV, c.map);
        double c1 = 0, c2 = 0;
        EXPECT_EQ(combination.Coefficients(VYR_SATSYS_GPS, c1, c2), value_of(c.gps)) << c.t2;
        EXPECT_EQ(combination.Coefficients(VYR_SATSYS_GLONASS, c1, c2), value_of(c.glonass))
            << c.t2;
        VYR_RESIDUAL r;
        ASSERT_EQ(combination.GetFirst(r), VYR_OK);
        EXPECT_EQ(find(r, kGps5) != nullptr, value_of(c.gps));
        EXPECT_EQ(find(r, kGlo1) != nullptr, value_of(c.glonass));
        for (const auto& e : r.residuals) EXPECT_TRUE(std::isfinite(e.residual));
    }
}

TEST_F(LinearCombination, DifferencesCoverEveryCommonSatellite) {
    add(VYR_RESIDUAL_L1_CODE, {0}, {{kGps5, 3.0}, {kGlo1, 2.0}, {kGal2, 1.0}, {kGps6, 9.0}});
    add(VYR_RESIDUAL_L5_CODE, {0}, {{kGal2, 0.5}, {kGlo1, 0.25}, {kGps5, 1.0}});
    VYR_RESIDUAL r;
    {
        Combination combination(storage, VYR_RESIDUAL_COMBINATION_DIFFERENCE,
                                {VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L5_CODE}, kV, nullptr);
        ASSERT_EQ(combination.GetFirst(r), VYR_OK);
        ASSERT_EQ(r.residuals.size(), 3u);         // GPS 6 has no partner
        EXPECT_TRUE(r.residuals[0].sat == kGps5);  // in the order of the first source
        EXPECT_DOUBLE_EQ(find(r, kGps5)->residual, 2.0);
        EXPECT_DOUBLE_EQ(find(r, kGlo1)->residual, 1.75);
        EXPECT_DOUBLE_EQ(find(r, kGal2)->residual, 0.5);
    }

    Combination unknownKind(storage, 7, {VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L5_CODE}, kV, nullptr);
    ASSERT_EQ(unknownKind.GetFirst(r), VYR_OK);
    EXPECT_TRUE(r.residuals.empty());
}

TEST_F(LinearCombination, SourcesAreAlignedByEpoch) {
    struct Case {
        std::vector<double> first, second;
        std::vector<double> expected;  // combined epochs, seconds
    };
    const Case cases[] = {
        {{0, 1, 2}, {1, 2}, {1, 2}},
        {{0, 2}, {1, 2}, {2}},
        {{0, 1, 2, 3}, {0.0004, 3}, {0, 3}},  // 0.4 ms apart is one epoch
        {{5}, {6}, {}},
        {{0, 1, 2}, {}, {}},
    };
    for (const Case& c : cases) {
        SetUp();
        add(VYR_RESIDUAL_L1_CODE, c.first, {{kGps5, 1.0}});
        add(VYR_RESIDUAL_L2_CODE, c.second, {{kGps5, 0.5}});
        Combination combination(storage, VYR_RESIDUAL_COMBINATION_DIFFERENCE,
                                {VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L2_CODE}, kV, nullptr);
        std::vector<VYR_RESIDUAL> all;
        const VYR_ERROR result = combination.GetAll(all);
        EXPECT_EQ(result, c.expected.empty() ? VYR_E_NO_MORE_ENTRIES : VYR_OK);
        ASSERT_EQ(all.size(), c.expected.size());
        for (size_t i = 0; i < all.size(); ++i) {
            EXPECT_NEAR(seconds_of(all[i]), value_of(c.expected[i]), 1e-6);
            EXPECT_DOUBLE_EQ(all[i].residuals.at(0).residual, 0.5);
        }
        VYR_RESIDUAL r;
        if (c.expected.size() > 1) {
            ASSERT_EQ(combination.GetAt(1, r), VYR_OK);
            EXPECT_NEAR(seconds_of(r), value_of(c.expected[1]), 1e-6);
        }
    }
}

TEST_F(LinearCombination, FailuresAreReportedAsTheyAre) {
    add(VYR_RESIDUAL_L1_CODE, {0, 1}, {{kGps5, 1.0}});
    add(VYR_RESIDUAL_L2_CODE, {0, 1}, {{kGps5, 1.0}});
    std::vector<VYR_RESIDUAL> all;
    VYR_RESIDUAL r;

    {
        // A type without a stream: the construction failure, not "no more entries".
        Combination broken(storage, VYR_RESIDUAL_COMBINATION_DIFFERENCE,
                           {VYR_RESIDUAL_L1_CODE, static_cast<VYR_RESIDUAL_TYPE>(20)}, kV, nullptr);
        EXPECT_EQ(broken.Status(), VYR_E_CANNOT_CREATE_ENTRY);
        EXPECT_EQ(broken.GetAll(all), VYR_E_CANNOT_CREATE_ENTRY);
        EXPECT_EQ(broken.GetFirst(r), VYR_E_CANNOT_CREATE_ENTRY);
    }
    CVyrIPtrSmart<IVyrCollectionResidual> out;
    EXPECT_TRUE(VyrFailed(vyr_records::hand_out_collection<Combination>(
        out, storage, int32_t{0},
        std::vector<VYR_RESIDUAL_TYPE>{VYR_RESIDUAL_L1_CODE, static_cast<VYR_RESIDUAL_TYPE>(20)},
        kV, static_cast<const VYR_GLONASS_FREQUENCYMAP*>(nullptr))));

    {
        // One source: every aligned epoch fails to combine.
        Combination single(storage, VYR_RESIDUAL_COMBINATION_DIFFERENCE, {VYR_RESIDUAL_L1_CODE}, kV,
                           nullptr);
        EXPECT_EQ(single.Status(), VYR_OK);
        EXPECT_EQ(single.GetFirst(r), VYR_E_NO_MATCH);
        EXPECT_EQ(single.GetAll(all), VYR_E_NO_MATCH);
    }

    Combination combination(storage, VYR_RESIDUAL_COMBINATION_DIFFERENCE,
                            {VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L2_CODE}, kV, nullptr);
    EXPECT_EQ(combination.GetNext(r), VYR_E_INVALID_STATUS);
    uint32_t count = 0;
    EXPECT_EQ(combination.GetCount(count), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(combination.Add(r), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(combination.Delete(r), VYR_E_NOT_IMPLEMENTED);
    EXPECT_EQ(combination.DeleteAll(), VYR_E_NOT_IMPLEMENTED);
    EXPECT_FALSE(combination.Contains(r));
    EXPECT_EQ(combination.GetAt(2, r), VYR_E_READ_ENTRY_FAILED);
}

TEST_F(LinearCombination, SourcesApplyTheirGlonassOffsets) {
    {
        CVyrCollectionResidualOffsetSvEx offsets(storage, kV, VYR_RESIDUAL_OFFSET_L1_CODE);
        VYR_RESIDUAL_OFFSET_SV o;
        o.slot = 1;
        o.intervals = {{kT0 - 1, kT0 + 1, 0.5}};
        ASSERT_EQ(offsets.Add(o), VYR_OK);
    }
    add(VYR_RESIDUAL_L1_CODE, {0}, {{kGlo1, 1.0}});
    add(VYR_RESIDUAL_L2_CODE, {0}, {{kGlo1, 1.0}});
    CVyrIPtrSmart<IVyrCollectionResidual> out;
    ASSERT_EQ(vyr_records::hand_out_collection<Combination>(
                  out, storage, int32_t{VYR_RESIDUAL_COMBINATION_DIFFERENCE},
                  std::vector<VYR_RESIDUAL_TYPE>{VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L2_CODE}, kV,
                  static_cast<const VYR_GLONASS_FREQUENCYMAP*>(nullptr)),
              VYR_OK);
    VYR_RESIDUAL r;
    ASSERT_EQ(out->GetFirst(r), VYR_OK);
    EXPECT_DOUBLE_EQ(find(r, kGlo1)->residual, -0.5);
}

}  // namespace
