// Station and computed-ionosphere associations: their records in both storages, the entries
// they share, raw data, and the GLONASS map handed to the linear combination.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/association_format.h"
#include "stations/iono_computed_assoc.h"
#include "stations/station_assoc.h"
#include "stations/station_test_support.h"
#include "storage/layout.h"
#include "tests/support/packed_value.h"

namespace {

using namespace vyr_storage;
using vyr_test::assoc_entry;
using vyr_test::text_key;

VYR_KEY number_key(uint8_t low) {
    VYR_KEY key{};
    key.type = VYR_KEY_NUMBER64;
    key.value[0] = low;
    return key;
}

class AssocTest : public vyr_test::StationStorageTest {
protected:
    CVyrIPtrSmart<IVyrStationAssocEx> make_assoc(const VYR_STATION_ASSOC* description,
                                                 uint8_t key = 1) {
        VYR_STATION_ASSOC_KEY assocKey{};
        static_cast<VYR_KEY&>(assocKey) = number_key(key);
        auto* object = new CVyrStationAssoc(storage, assocKey, kStorageVersionCurrent);
        EXPECT_EQ(object->Create(description), VYR_OK);
        return CVyrIPtrSmart<IVyrStationAssocEx>(object);
    }
    CVyrIPtrSmart<IVyrIonoComputedAssocEx> make_iono(const VYR_IONO_COMPUTED_ASSOC* description) {
        VYR_IONO_COMPUTED_ASSOC_KEY assocKey{};
        static_cast<VYR_KEY&>(assocKey) = number_key(2);
        auto* object = new CVyrIonoComputedAssoc(storage, assocKey, kStorageVersionCurrent);
        EXPECT_EQ(object->Create(description), VYR_OK);
        return CVyrIPtrSmart<IVyrIonoComputedAssocEx>(object);
    }
};

TEST_F(AssocTest, TheDescriptionIsStoredFieldByFieldAndTheUsedOneStartsMissing) {
    VYR_STATION_ASSOC description;
    description.first = 0x01020304;
    description.flags = VYR_STATION_ASSOC::kWithoutResultsCopy;
    description.rover = assoc_entry("ROV", 9);
    description.ionoComputedAssocKey.type = VYR_KEY_NUMBER32;
    auto assoc = make_assoc(&description);
    VYR_STATION_ASSOC read;
    EXPECT_EQ(assoc->GetUsedStationAssoc(read), VYR_E_ENTRY_NOT_FOUND);
    ASSERT_EQ(assoc->GetStationAssoc(read), VYR_OK);
    EXPECT_EQ(value_of(read.first), value_of(description.first));
    EXPECT_TRUE(read.linkedStations.stations.empty());
    EXPECT_EQ(vyr_test::bytes_of(read.rover), vyr_test::bytes_of(description.rover));

    // 4 + 4 + 29 + a count of 0 + 21 bytes.
    CStg stored;
    ASSERT_TRUE(CFactoryStorage(storage.Get())
                    .OpenOrCreateStationAssoc(number_key(1), vyr::kDispositionOpenExisting,
                                              stored) == false);  // held by the open association
    assoc.Reset();
    ASSERT_TRUE(
        CFactoryStorage(storage.Get())
            .OpenOrCreateStationAssoc(number_key(1), vyr::kDispositionOpenExisting, stored));
    CStm stream;
    ASSERT_TRUE(CFactoryStream(&stored).Open(kStreamStationAssoc, stream));
    STATSTG status{};
    ASSERT_TRUE(stream.Stat(status, STATFLAG_NONAME));
    std::string bytes(status.cbSize, '\0');
    ASSERT_TRUE(stream.Read(bytes.data(), static_cast<uint32_t>(bytes.size())));
    const std::string expected = vyr_test::bytes_of(description.first) +
                                 vyr_test::bytes_of(description.flags) +
                                 vyr_test::bytes_of(description.rover) + std::string(4, '\0') +
                                 vyr_test::bytes_of(description.ionoComputedAssocKey);
    EXPECT_EQ(bytes, expected);
}

TEST_F(AssocTest, AShorterUsedDescriptionReplacesALongerOne) {
    auto assoc = make_assoc(nullptr);
    VYR_STATION_ASSOC used = {};
    used.rover = assoc_entry("ROV");
    used.linkedStations.stations = {assoc_entry("REF")};
    ASSERT_EQ(assoc->SetUsedStationAssoc(used), VYR_OK);
    VYR_STATION_ASSOC read;
    ASSERT_EQ(assoc->GetUsedStationAssoc(read), VYR_OK);
    ASSERT_EQ(read.linkedStations.stations.size(), 1u);
    EXPECT_EQ(assoc->GetStationAssoc(read), VYR_E_ENTRY_NOT_FOUND);  // none given at create
    VYR_STATION_ASSOC longer = used;
    longer.linkedStations.stations.assign(3, assoc_entry("X"));
    ASSERT_EQ(assoc->SetUsedStationAssoc(longer), VYR_OK);
    ASSERT_EQ(assoc->SetUsedStationAssoc(used), VYR_OK);  // shorter: nothing of it stays behind
    ASSERT_EQ(assoc->GetUsedStationAssoc(read), VYR_OK);
    EXPECT_EQ(read.linkedStations.stations.size(), 1u);
}

TEST_F(AssocTest, SharedEntriesGoToTheResultStorageOfEitherKind) {
    const VYR_STATION_ASSOC description = {};
    auto assoc = make_assoc(&description);
    const VYR_IONO_COMPUTED_ASSOC stations{{assoc_entry("A")}};
    auto iono = make_iono(&stations);

    vyr::ObservationStatistics statistics;
    statistics[VYR_SATELLITE_SYSTEM(1)].dataRate = 30000;
    const std::vector<VYR_INTERVAL> intervals = {{1.0, 2.0}, {3.0, 4.0}};
    ASSERT_EQ(assoc->SetObservationStatistics(statistics), VYR_OK);
    // A system no reader knows would leave the stored map unreadable: refused, the old one kept.
    const vyr::ObservationStatistics unknownSystem{{VYR_SATELLITE_SYSTEM(9), {}}};
    EXPECT_EQ(assoc->SetObservationStatistics(unknownSystem), VYR_E_INVALID_PARAMETER);
    ASSERT_EQ(assoc->SetComputationIntervals(intervals), VYR_OK);
    ASSERT_EQ(iono->SetComputationIntervals({intervals[0]}), VYR_OK);

    vyr::ObservationStatistics read;
    ASSERT_EQ(assoc->GetObservationStatistics(read), VYR_OK);
    EXPECT_EQ(read.at(VYR_SATELLITE_SYSTEM(1)).dataRate, 30000u);
    EXPECT_EQ(iono->GetObservationStatistics(read), VYR_E_ENTRY_NOT_FOUND);
    std::vector<VYR_INTERVAL> readIntervals;
    ASSERT_EQ(iono->GetComputationIntervals(readIntervals), VYR_OK);
    EXPECT_EQ(readIntervals.size(), 1u);
    ASSERT_EQ(assoc->GetComputationIntervals(readIntervals), VYR_OK);
    EXPECT_EQ(readIntervals.size(), 2u);

    // Raw data through both, each in its own result storage.
    VYR_RAW_DATA item;
    item.kind = VYR_RAW_DATA::KIND_EPOCH;
    item.epochTag = 5;
    for (int i = 0; i < 2; ++i) {
        CVyrIPtrSmart<IVyrRawDataEx> raw;
        ASSERT_EQ(i == 0 ? assoc->GetRawData(raw) : iono->GetRawData(raw), VYR_OK);
        item.epochTag = 5 + i;
        ASSERT_EQ(raw->AddRawData(item), VYR_OK);
    }
    for (int i = 0; i < 2; ++i) {
        CVyrIPtrSmart<IVyrRawDataEx> raw;
        ASSERT_EQ(i == 0 ? assoc->GetRawData(raw) : iono->GetRawData(raw), VYR_OK);
        VYR_RAW_DATA back;
        ASSERT_EQ(raw->GetFirstRawData(back), VYR_OK);
        EXPECT_EQ(value_of(back.epochTag), 5 + i);
        EXPECT_EQ(raw->GetNextRawData(back), VYR_E_NO_MORE_ENTRIES);
    }

    CVyrIPtrSmart<IVyrErrorsEx> errors;
    ASSERT_EQ(iono->GetErrorsEx(errors), VYR_OK);
    VYR_IONO_COMPUTED_ASSOC_KEY key{};
    ASSERT_EQ(iono->GetKey(key), VYR_OK);
    EXPECT_EQ(value_of(key.type), VYR_KEY_NUMBER64);
}

TEST_F(AssocTest, SetUsedIonoComputedAssocWritesOnlyOneUsableEntry) {
    const VYR_IONO_COMPUTED_ASSOC good{{assoc_entry("A", 4)}};
    auto iono = make_iono(nullptr);
    ASSERT_EQ(iono->SetUsedIonoComputedAssoc(good), VYR_OK);
    const struct {
        const char* what;
        VYR_IONO_COMPUTED_ASSOC assoc;
    } refused[] = {
        {"none", {}},
        {"two", {{assoc_entry("A"), assoc_entry("B")}}},
        {"empty text key", {{assoc_entry("")}}},
        {"key of type 0", {{VYR_ASSOC_STATION{}}}},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(iono->SetUsedIonoComputedAssoc(c.assoc), VYR_E_INVALID_PARAMETER) << c.what;
        VYR_IONO_COMPUTED_ASSOC stored;
        ASSERT_EQ(iono->GetUsedIonoComputedAssoc(stored), VYR_OK);
        ASSERT_EQ(stored.stations.size(), 1u) << c.what;
        EXPECT_EQ(value_of(stored.stations[0].index), 4) << c.what;
    }
    EXPECT_EQ(iono->AddIonoComputedModels({}), VYR_OK);
    VYR_IONO_COMPUTED_MODEL model{};
    model.key = 3;
    ASSERT_EQ(iono->AddIonoComputedModels({model, model}), VYR_OK);
    std::vector<VYR_IONO_COMPUTED_MODEL> models;
    ASSERT_EQ(iono->GetIonoComputedModels(models), VYR_OK);
    EXPECT_EQ(models.size(), 1u);  // one per model key
    VYR_IONO_COMPUTED_ASSOC described;
    EXPECT_EQ(iono->GetIonoComputedAssoc(described), VYR_E_ENTRY_NOT_FOUND);
}

TEST_F(AssocTest, AnAssociationThatIsNotOpenRefusesEverything) {
    VYR_STATION_ASSOC_KEY none{};
    CVyrIPtrSmart<IVyrStationAssocEx> assoc(
        new CVyrStationAssoc(storage, none, kStorageVersionCurrent));
    VYR_STATION_ASSOC description;
    VYR_STATION_ASSOC_KEY key{};
    std::vector<VYR_INTERVAL> intervals;
    CVyrIPtrSmart<IVyrRawDataEx> raw;
    EXPECT_EQ(assoc->GetStationAssoc(description), VYR_E_INVALID_INTERFACE);
    EXPECT_EQ(assoc->GetKey(key), VYR_E_INVALID_INTERFACE);
    EXPECT_EQ(assoc->SetComputationIntervals(intervals), VYR_E_INVALID_INTERFACE);
    EXPECT_EQ(assoc->GetRawData(raw), VYR_E_INVALID_INTERFACE);
    auto* object = new CVyrStationAssoc(storage, none, kStorageVersionCurrent);
    EXPECT_EQ(object->Create(nullptr), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(object->Open(), VYR_E_INVALID_PARAMETER);
    object->Release();
    VYR_STATION_ASSOC_KEY absent{};
    static_cast<VYR_KEY&>(absent) = number_key(77);
    object = new CVyrStationAssoc(storage, absent, kStorageVersionCurrent);
    EXPECT_EQ(object->Open(), VYR_E_ENTRY_NOT_FOUND);
    object->Release();
}

TEST_F(AssocTest, TheLinearCombinationGetsTheOwnMapElseTheProjectsStoredOne) {
    VYR_STATION_ASSOC_KEY key{};
    static_cast<VYR_KEY&>(key) = number_key(1);
    CVyrStationAssoc* object = new CVyrStationAssoc(storage, key, kStorageVersionCurrent);
    CVyrIPtrSmart<IVyrStationAssocEx> hold(object);
    ASSERT_EQ(object->Create(nullptr), VYR_OK);
    VYR_GLONASS_FREQUENCYMAP map{};
    EXPECT_FALSE(object->GlonassMapForCombination(map));  // nothing stored

    VYR_GLONASS_FREQUENCYMAP unset{};
    for (auto& channel : unset.channel) channel = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    put_stream(kStreamFrequencyChannelMapGlo, vyr_test::bytes_of(unset));
    EXPECT_FALSE(object->GlonassMapForCombination(map));  // stored, but no channel in it

    VYR_GLONASS_FREQUENCYMAP project = unset;
    project.channel[0] = 1;
    put_stream(kStreamFrequencyChannelMapGlo, vyr_test::bytes_of(project));
    ASSERT_TRUE(object->GlonassMapForCombination(map));
    EXPECT_EQ(vyr_test::bytes_of(map), vyr_test::bytes_of(project));

    VYR_GLONASS_FREQUENCYMAP own = unset;
    own.channel[5] = -4;
    object->SetGlonassFrequencyMap(own);
    ASSERT_TRUE(object->GlonassMapForCombination(map));
    EXPECT_EQ(vyr_test::bytes_of(map), vyr_test::bytes_of(own));

    CVyrIPtrSmart<IVyrCollectionResidual> combination;
    EXPECT_EQ(hold->GetResidualLinearCombination(VYR_RESIDUAL_COMBINATION_IONO_FREE,
                                                 {VYR_RESIDUAL_L1_PHASE, VYR_RESIDUAL_L2_PHASE},
                                                 combination),
              VYR_OK);
}

}  // namespace
