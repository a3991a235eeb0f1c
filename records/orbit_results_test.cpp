// The orbit and ionosphere access objects: their result storages, parameters, coefficient lists,
// models and error collections.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "records/collection_test_support.h"
#include "records/common_data.h"
#include "records/orbit_results.h"
#include "storage/layout.h"
#include "tests/support/packed_value.h"

namespace {

using namespace vyr_storage;

constexpr uint32_t kOrbitStorages[] = {kStorageOrbitBroadcastResult, kStorageOrbitPreciseResult,
                                       kStorageOrbitAlmanachResult};

class OrbitResultsTest : public vyr_test::MemoryStorageTest {
protected:
    // The bytes of a stream of a result storage; "<missing>" when the storage or the stream is
    // not there. Neither may be held open by an object at the time.
    std::string result_stream(uint32_t storageKind, uint32_t streamId) {
        CStg child;
        if (!CFactoryStorage(storage.Get())
                 .OpenOrCreate(storageKind, vyr::kDispositionOpenExisting, child))
            return "<missing>";
        return stream_bytes(&child, streamId, "<missing>");
    }

    bool has_storage(uint32_t storageKind) {
        CStg child;
        return CFactoryStorage(storage.Get())
            .OpenOrCreate(storageKind, vyr::kDispositionOpenExisting, child);
    }

    CVyrIPtrSmart<IVyrOrbitEx> orbit(uint32_t kind) {
        CVyrCommonData common(storage, kStorageVersionCurrent);
        CVyrIPtrSmart<IVyrOrbitEx> object;
        EXPECT_EQ(common.GetOrbitEx(kind, object), VYR_OK);
        return object;
    }
};

VYR_PROCESSING_PARAMETERS_ORBIT sample_parameters() {
    VYR_PROCESSING_PARAMETERS_ORBIT parameters;
    parameters.fields.u32_0 = 77;
    parameters.fields.f64_26 = 1440.0;
    parameters.fields.u8_43 = 9;
    parameters.fields.u8_44 = 5;  // kept in memory only
    parameters.satellites = {
        {VYR_SATELLITE_SYSTEM(1), 3}, {VYR_SATELLITE_SYSTEM(2), 7}, {VYR_SATELLITE_SYSTEM(1), 31}};
    return parameters;
}

TEST_F(OrbitResultsTest, EachOrbitKindHasItsStorageAndOtherKindsAreRefused) {
    for (uint32_t kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        VYR_PROCESSING_PARAMETERS_ORBIT parameters;
        parameters.fields.u32_0 = 100 + kind;
        ASSERT_EQ(orbit(kind)->SetProcessingParameters(parameters), VYR_OK);
    }
    for (uint32_t kind = 0; kind < 3; ++kind) {
        const std::string stored =
            result_stream(kOrbitStorages[kind], kStreamProcessingParametersOrbit);
        ASSERT_EQ(stored.size(), 48u);  // 44 bytes of fields and an empty satellite set
        uint32_t first = 0;
        std::memcpy(&first, stored.data(), sizeof first);
        EXPECT_EQ(first, 100 + kind);
        CVyrOrbit direct(storage, kStorageVersionCurrent, kind);
        ASSERT_EQ(direct.Init(), VYR_OK);
        EXPECT_EQ(direct.Key(), kind);
    }

    storage = new CStg();  // a fresh project holds none of the orbit storages
    ASSERT_TRUE(storage->CreateDocumentOnLockBytes(lockBytes.Get()));
    CVyrCommonData common(storage, kStorageVersionCurrent);
    for (const uint32_t kind : {3u, 11u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(kind);
        CVyrIPtrSmart<IVyrOrbit> plain(new CVyrOrbit(storage, kStorageVersionCurrent, 0));
        EXPECT_EQ(common.GetOrbit(kind, plain), VYR_E_INVALID_PARAMETER);
        EXPECT_FALSE(plain.IsValid());  // what it held is released
        CVyrIPtrSmart<IVyrOrbitEx> extended;
        EXPECT_EQ(common.GetOrbitEx(kind, extended), VYR_E_INVALID_PARAMETER);
    }
    for (const uint32_t kind : kOrbitStorages) EXPECT_FALSE(has_storage(kind));
}

// The result storage stays open while its object lives; a second object of it waits for the
// first to go.
TEST_F(OrbitResultsTest, OneObjectPerResultStorageAtATime) {
    CVyrCommonData common(storage, kStorageVersionCurrent);
    CVyrIPtrSmart<IVyrIonoKlobucharEx> first;
    ASSERT_EQ(common.GetIonoKlobucharEx(first), VYR_OK);
    CVyrIPtrSmart<IVyrIonoKlobuchar> second;
    EXPECT_EQ(common.GetIonoKlobuchar(second), VYR_E_CANNOT_CREATE_ENTRY);
    first.Reset();
    EXPECT_EQ(common.GetIonoKlobuchar(second), VYR_OK);
}

TEST_F(OrbitResultsTest, ProcessingParametersRoundTripWithoutTheirLastByte) {
    auto object = orbit(1);
    VYR_PROCESSING_PARAMETERS_ORBIT read = sample_parameters();
    EXPECT_EQ(object->GetProcessingParameters(read), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_EQ(value_of(read.fields.u32_0), 77u);  // untouched by the failed read

    ASSERT_EQ(object->SetProcessingParameters(sample_parameters()), VYR_OK);
    read = VYR_PROCESSING_PARAMETERS_ORBIT{};
    read.fields.u8_44 = 1;
    ASSERT_EQ(object->GetProcessingParameters(read), VYR_OK);
    const VYR_PROCESSING_PARAMETERS_ORBIT written = sample_parameters();
    EXPECT_EQ(value_of(read.fields.u32_0), 77u);
    EXPECT_EQ(value_of(read.fields.f64_26), 1440.0);
    EXPECT_EQ(value_of(read.fields.u8_43), 9u);
    EXPECT_EQ(value_of(read.fields.u8_44), 0u);  // the default, not what was written
    EXPECT_EQ(value_of(read.satellites), value_of(written.satellites));
    object.Reset();
    const std::string stored =
        result_stream(kStorageOrbitPreciseResult, kStreamProcessingParametersOrbit);
    ASSERT_EQ(stored.size(), 44u + 4u + 3u * 5u);
    uint32_t count = 0;
    std::memcpy(&count, stored.data() + 44, sizeof count);
    EXPECT_EQ(count, 3u);
}

// Coefficient records of both kinds: stored at their fixed size with the satellite at offset 0
// and the time at its offset; listed by satellite, then time, times less than a microsecond
// apart being one key.
template <class Record>
void check_coefficients(IVyrCollection<Record>& list) {
    auto record = [](uint8_t satellite, double time, double first) {
        Record r{};
        r.satellite = satellite;
        r.time = time;
        std::memcpy(&r.coefficients, &first, sizeof first);
        return r;
    };
    const double t = 60000.25;
    const double microsecond = 1e-6 / 86400.0;
    ASSERT_EQ(list.Add(record(5, t + 0.25, 1.0)), VYR_OK);
    ASSERT_EQ(list.Add(record(2, t + 0.5, 2.0)), VYR_OK);
    ASSERT_EQ(list.Add(record(2, t, 3.0)), VYR_OK);
    ASSERT_EQ(list.Add(record(2, t + 0.5 * microsecond, 4.0)), VYR_OK);  // same key as the last
    ASSERT_EQ(list.Add(record(2, t + 2 * microsecond, 5.0)), VYR_OK);
    ASSERT_EQ(list.Add(record(200, t - 1.0, 6.0)), VYR_OK);  // the satellite byte is unsigned
    std::vector<Record> all;
    ASSERT_EQ(list.GetAll(all), VYR_OK);
    const double expected[] = {3.0, 5.0, 2.0, 1.0, 6.0};
    ASSERT_EQ(all.size(), std::size(expected));
    for (size_t i = 0; i < all.size(); ++i) {
        double first = 0.0;
        std::memcpy(&first, &all[i].coefficients, sizeof first);
        EXPECT_EQ(first, expected[i]) << i;
    }
    EXPECT_FALSE(list.Contains(record(3, t, 0.0)));
    EXPECT_TRUE(list.Contains(record(2, t + 0.9 * microsecond, 0.0)));
}

template <class Record>
void check_stored(const std::string& stored, size_t recordSize, size_t timeOffset) {
    ASSERT_EQ(stored.size(), 5 * recordSize);  // the duplicate was not appended
    EXPECT_EQ(static_cast<uint8_t>(stored[0]), 5u);
    EXPECT_EQ(static_cast<uint8_t>(stored[recordSize]), 2u);
    double time = 0.0;
    std::memcpy(&time, stored.data() + timeOffset, sizeof time);
    EXPECT_EQ(time, 60000.5);
    std::memcpy(&time, stored.data() + recordSize + timeOffset, sizeof time);
    EXPECT_EQ(time, 60000.75);
}

TEST_F(OrbitResultsTest, CoefficientsAreKeyedBySatelliteThenTime) {
    {
        auto object = orbit(0);
        CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_COORDINATES>> coordinates;
        ASSERT_EQ(object->GetCoefficientsCoordinates(coordinates), VYR_OK);
        check_coefficients(*coordinates);
        CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_CLOCK>> clock;
        ASSERT_EQ(object->GetCoefficientsClock(clock), VYR_OK);
        check_coefficients(*clock);
    }
    check_stored<VYR_ORBIT_COEFFICIENTS_COORDINATES>(
        result_stream(kStorageOrbitBroadcastResult, kStreamOrbitCoefficientsCoordinates), 282, 265);
    check_stored<VYR_ORBIT_COEFFICIENTS_CLOCK>(
        result_stream(kStorageOrbitBroadcastResult, kStreamOrbitCoefficientsClock), 106, 89);
    // A fresh list loads the stream into the same order.
    auto object = orbit(0);
    CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_CLOCK>> clock;
    ASSERT_EQ(object->GetCoefficientsClock(clock), VYR_OK);
    VYR_ORBIT_COEFFICIENTS_CLOCK first{};
    ASSERT_EQ(clock->GetFirst(first), VYR_OK);
    EXPECT_EQ(value_of(first.satellite), 2u);
    EXPECT_EQ(value_of(first.time), 60000.25);
}

// The error collection of a result lives in its result storage; GetErrorsEx keeps one, and
// GetErrors sees that same one (a second collection could not open the general-error stream
// the first holds).
template <class Object>
void check_errors(Object& object) {
    CVyrIPtrSmart<IVyrErrorsEx> first;
    CVyrIPtrSmart<IVyrErrorsEx> second;
    ASSERT_EQ(object.GetErrorsEx(first), VYR_OK);
    ASSERT_EQ(object.GetErrorsEx(second), VYR_OK);
    EXPECT_EQ(first.Get(), second.Get());
    ASSERT_EQ(first->AddError(0x80009005u, 0), VYR_OK);
    first.Reset();
    second.Reset();
    CVyrIPtrSmart<IVyrErrors> plain;
    ASSERT_EQ(object.GetErrors(plain), VYR_OK);
    std::vector<VYR_PROCESSING_ERROR> general;
    ASSERT_EQ(plain->GetGeneralErrors(general), VYR_OK);
    ASSERT_EQ(general.size(), 1u);
    EXPECT_EQ(value_of(general[0].code), 0x80009005u);
    plain.Reset();
    ASSERT_EQ(object.GetErrors(plain), VYR_OK);  // the kept one outlives the view
    ASSERT_EQ(plain->GetGeneralErrors(general), VYR_OK);
    EXPECT_EQ(general.size(), 1u);
}

TEST_F(OrbitResultsTest, EachResultKeepsOneErrorCollectionInItsStorage) {
    CVyrCommonData common(storage, kStorageVersionCurrent);
    {
        CVyrIPtrSmart<IVyrOrbitEx> almanach;
        ASSERT_EQ(common.GetOrbitEx(2, almanach), VYR_OK);
        check_errors(*almanach);
        CVyrIPtrSmart<IVyrIonoKlobucharEx> klobuchar;
        ASSERT_EQ(common.GetIonoKlobucharEx(klobuchar), VYR_OK);
        check_errors(*klobuchar);
        CVyrIPtrSmart<IVyrIonoGlobalRegEx> globalReg;
        ASSERT_EQ(common.GetIonoGlobalRegEx(globalReg), VYR_OK);
        check_errors(*globalReg);
    }
    for (const uint32_t kind :
         {kStorageOrbitAlmanachResult, kStorageIonoKlobucharResult, kStorageIonoGlobalRegResult})
        EXPECT_NE(result_stream(kind, kStreamProcessingErrorsGeneral), "<missing>") << kind;
    EXPECT_TRUE(stream_bytes(kStreamProcessingErrorsGeneral).empty());  // not the project's
}

template <class Model>
Model model(uint16_t key, uint8_t mark) {
    Model m{};
    m.key = key;
    reinterpret_cast<uint8_t*>(&m)[sizeof m - 1] = mark;
    return m;
}

// Both ionosphere results: nothing to add makes nothing, adding skips stored keys, setting
// replaces the list and keeps the first model of a key. The object is made afresh for each look
// at the stream, as it holds its storage open while it lives.
class IonoModelsTest : public OrbitResultsTest {
protected:
    template <class Interface, class ModelsInterface, class Model>
    void check(VYR_ERROR (IVyrCommonDataEx::*get)(CVyrIPtrSmart<Interface>&), uint32_t storageKind,
               uint32_t streamId) {
        auto stored = [&] { return result_stream(storageKind, streamId); };
        auto object = [&] {
            CVyrCommonData common(storage, kStorageVersionCurrent);
            CVyrIPtrSmart<Interface> made;
            EXPECT_EQ((common.*get)(made), VYR_OK);
            return made;
        };
        EXPECT_EQ(object()->AddModels({}), VYR_OK);
        EXPECT_EQ(stored(), "<missing>");
        EXPECT_EQ(object()->AddModels({model<Model>(3, 1), model<Model>(1, 2), model<Model>(3, 3)}),
                  VYR_OK);
        EXPECT_EQ(stored().size(), 2 * sizeof(Model));
        EXPECT_EQ(object()->AddModels({}), VYR_OK);
        EXPECT_EQ(stored().size(), 2 * sizeof(Model));

        EXPECT_EQ(object()->SetModels({model<Model>(9, 4), model<Model>(2, 5), model<Model>(9, 6)}),
                  VYR_OK);
        const std::string replaced = stored();
        ASSERT_EQ(replaced.size(), 2 * sizeof(Model));
        EXPECT_EQ(replaced.substr(0, sizeof(Model)), vyr_test::bytes_of(model<Model>(9, 4)));
        {
            auto held = object();
            CVyrIPtrSmart<ModelsInterface> models;
            ASSERT_EQ(held->GetModels(models), VYR_OK);
            std::vector<Model> all;
            ASSERT_EQ(models->GetAll(all), VYR_OK);
            ASSERT_EQ(all.size(), 2u);
            EXPECT_EQ(value_of(all[0].key), 2u);
            EXPECT_EQ(value_of(all[1].key), 9u);
            EXPECT_EQ(vyr_test::bytes_of(all[1]), vyr_test::bytes_of(model<Model>(9, 4)));
            EXPECT_EQ(models->Add(model<Model>(4, 0)), VYR_E_NOT_IMPLEMENTED);  // read-only form
        }
        EXPECT_EQ(object()->SetModels({}), VYR_OK);
        EXPECT_EQ(stored(), "");
    }
};

TEST_F(IonoModelsTest, KlobucharAndGlobalRegionalModels) {
    check<IVyrIonoKlobucharEx, IVyrCollectionIonoKlobucharModel, VYR_IONO_KLOBUCHAR_MODEL>(
        &IVyrCommonDataEx::GetIonoKlobucharEx, kStorageIonoKlobucharResult,
        kStreamIonoKlobucharModel);
    check<IVyrIonoGlobalRegEx, IVyrCollectionIonoGlobalRegModel, VYR_IONO_GLOBALREG_MODEL>(
        &IVyrCommonDataEx::GetIonoGlobalRegEx, kStorageIonoGlobalRegResult,
        kStreamIonoGlobalRegModel);
}

// Every operation of an object that is not bound to an open project is refused: the project
// storage was closed, or binding never ran.
TEST_F(OrbitResultsTest, ObjectsWithoutAnOpenProjectAreInvalidInterfaces) {
    const CVyrPtrSmart<CStg> closed(new CStg());
    CVyrIPtrSmart<IVyrOrbitEx> handedOut;
    EXPECT_EQ(CVyrCommonData(closed, kStorageVersionCurrent).GetOrbitEx(0, handedOut),
              VYR_E_INVALID_INTERFACE);
    CVyrOrbit unbound(storage, kStorageVersionCurrent, 0);
    CVyrOrbit onClosed(closed, kStorageVersionCurrent, 1);
    EXPECT_EQ(onClosed.Init(), VYR_E_INVALID_INTERFACE);
    CVyrIonoKlobuchar klobuchar(closed, kStorageVersionCurrent);
    EXPECT_EQ(klobuchar.Init(), VYR_E_INVALID_INTERFACE);

    VYR_PROCESSING_PARAMETERS_ORBIT parameters;
    CVyrIPtrSmart<IVyrErrors> errors;
    CVyrIPtrSmart<IVyrErrorsEx> errorsEx;
    CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_COORDINATES>> coordinates;
    CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_CLOCK>> clock;
    CVyrIPtrSmart<IVyrCollectionIonoKlobucharModel> models;
    CVyrIPtrSmart<IVyrCollectionIonoKlobucharModelEx> modelsEx;
    const std::vector<VYR_IONO_KLOBUCHAR_MODEL> one = {model<VYR_IONO_KLOBUCHAR_MODEL>(1, 1)};
    std::vector<VYR_ERROR> results;
    for (CVyrOrbit* object : {&unbound, &onClosed}) {
        results.insert(results.end(), {object->GetProcessingParameters(parameters),
                                       object->SetProcessingParameters(parameters),
                                       object->GetErrors(errors), object->GetErrorsEx(errorsEx),
                                       object->GetCoefficientsCoordinates(coordinates),
                                       object->GetCoefficientsClock(clock)});
    }
    results.insert(results.end(),
                   {klobuchar.GetModels(models), klobuchar.GetModelsEx(modelsEx),
                    klobuchar.SetModels(one), klobuchar.AddModels(one), klobuchar.AddModels({}),
                    klobuchar.GetErrors(errors), klobuchar.GetErrorsEx(errorsEx)});
    for (size_t i = 0; i < results.size(); ++i)
        EXPECT_EQ(results[i], VYR_E_INVALID_INTERFACE) << "operation " << i;
    EXPECT_FALSE(errors.IsValid() || errorsEx.IsValid() || coordinates.IsValid() ||
                 clock.IsValid() || models.IsValid() || modelsEx.IsValid());
}

// A read-only project reads the results it has and refuses, with a clear code, what it lacks
// or what would change it.
TEST_F(OrbitResultsTest, ReadOnlyProjects) {
    {
        auto precise = orbit(1);
        ASSERT_EQ(precise->SetProcessingParameters(sample_parameters()), VYR_OK);
        CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_CLOCK>> clock;
        ASSERT_EQ(precise->GetCoefficientsClock(clock), VYR_OK);
        VYR_ORBIT_COEFFICIENTS_CLOCK record{};
        record.satellite = 7;
        ASSERT_EQ(clock->Add(record), VYR_OK);
    }
    reopen_read_only();
    CVyrCommonData common(storage, kStorageVersionCurrent);

    // Result storages that were never written.
    CVyrIPtrSmart<IVyrOrbitEx> broadcast;
    EXPECT_EQ(common.GetOrbitEx(0, broadcast), VYR_E_ENTRY_NOT_FOUND);
    CVyrIPtrSmart<IVyrIonoKlobuchar> klobuchar;
    EXPECT_EQ(common.GetIonoKlobuchar(klobuchar), VYR_E_ENTRY_NOT_FOUND);
    CVyrIPtrSmart<IVyrIonoGlobalRegEx> globalReg;
    EXPECT_EQ(common.GetIonoGlobalRegEx(globalReg), VYR_E_ENTRY_NOT_FOUND);
    EXPECT_FALSE(broadcast.IsValid() || klobuchar.IsValid() || globalReg.IsValid());

    CVyrIPtrSmart<IVyrOrbitEx> precise;
    ASSERT_EQ(common.GetOrbitEx(1, precise), VYR_OK);
    VYR_PROCESSING_PARAMETERS_ORBIT parameters;
    ASSERT_EQ(precise->GetProcessingParameters(parameters), VYR_OK);
    EXPECT_EQ(parameters.satellites.size(), 3u);
    EXPECT_EQ(precise->SetProcessingParameters(parameters), VYR_E_INVALID_PARAMETER);
    CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_CLOCK>> clock;
    ASSERT_EQ(precise->GetCoefficientsClock(clock), VYR_OK);
    uint32_t count = 0;
    ASSERT_EQ(clock->GetCount(count), VYR_OK);
    EXPECT_EQ(count, 1u);
    CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_COORDINATES>> coordinates;
    EXPECT_EQ(precise->GetCoefficientsCoordinates(coordinates), VYR_E_ENTRY_NOT_FOUND);
    CVyrIPtrSmart<IVyrErrorsEx> errors;
    EXPECT_EQ(precise->GetErrorsEx(errors), VYR_E_ENTRY_NOT_FOUND);
}

}  // namespace
