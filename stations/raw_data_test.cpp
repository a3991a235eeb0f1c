#include "stations/raw_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <vyr/observation_record.h>

#include "records/record_io.h"
#include "stations/epoch_test_support.h"
#include "stations/full_disk_storage_test_support.h"
#include "stations/observations_test_support.h"
#include "stations/raw_data_format.h"
#include "storage/factories.h"
#include "storage/layout.h"

namespace {

using namespace vyr_test;
using RawDataPtr = std::unique_ptr<CVyrRawData, void (*)(CVyrRawData*)>;

VYR_STATION_KEY text_key(const char* text) {
    VYR_STATION_KEY key{};
    key.type = VYR_KEY_TEXT;
    std::strncpy(reinterpret_cast<char*>(key.value), text, sizeof key.value - 1);
    return key;
}

VYR_RAW_DATA point_item(uint32_t id) {
    VYR_RAW_DATA item;
    item.kind = VYR_RAW_DATA::KIND_POINT_DESC;
    item.pointDesc.id = id;
    item.pointDesc.description.start = 60000.5;
    item.pointDesc.description.type = 1;
    item.pointDesc.description.detail.end = 60000.75;
    item.pointDesc.description.field = 0xBEEF;
    return item;
}

VYR_RAW_DATA epoch_item(int32_t tag, const std::vector<VYR_OBSERVATIONEPOCH>& epochs) {
    VYR_RAW_DATA item;
    item.kind = VYR_RAW_DATA::KIND_EPOCH;
    item.epochTag = tag;
    const char* names[] = {"ROVER", "BASE", "THIRD"};
    for (size_t i = 0; i < epochs.size(); ++i)
        item.epochs.push_back({text_key(names[i % 3]), epochs[i]});
    return item;
}

void expect_same_item(const VYR_RAW_DATA& read, const VYR_RAW_DATA& written) {
    EXPECT_EQ(read.kind, written.kind);
    EXPECT_EQ(std::memcmp(&read.pointDesc, &written.pointDesc, sizeof read.pointDesc), 0);
    EXPECT_EQ(read.epochTag, written.epochTag);
    ASSERT_EQ(read.epochs.size(), written.epochs.size());
    for (size_t i = 0; i < read.epochs.size(); ++i) {
        EXPECT_EQ(std::memcmp(&read.epochs[i].station, &written.epochs[i].station,
                              sizeof(VYR_STATION_KEY)),
                  0);
        EXPECT_TRUE(same_epoch(read.epochs[i].epoch, written.epochs[i].epoch)) << i;
    }
}

template <class T>
void put_value(std::vector<uint8_t>& bytes, const T& value) {
    const auto* first = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), first, first + sizeof(T));
}

void put_bytes(std::vector<uint8_t>& bytes, const std::vector<uint8_t>& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
}

// Every readable item from the first on.
std::vector<VYR_RAW_DATA> read_all(CVyrRawData& raw) {
    std::vector<VYR_RAW_DATA> items;
    VYR_RAW_DATA item;
    for (VYR_ERROR r = raw.GetFirstRawData(item); r == VYR_OK; r = raw.GetNextRawData(item))
        items.push_back(item);
    return items;
}

// A result storage "Result" in a document in memory, opened in the access mode a test needs.
class RawData : public testing::Test {
protected:
    void SetUp() override {
        root = make_memory_station();
        result = open_result(vyr::kAccessReadWrite);
    }

    CVyrPtrSmart<CStg> open_result(int32_t mode) {
        result.Reset();
        CVyrPtrSmart<CStg> child(new CStg());
        EXPECT_TRUE(
            root->OpenOrCreateSubStorage("Result", mode, vyr::kDispositionOpenAlways, *child));
        child->SetParent(root);
        return child;
    }

    RawDataPtr open(uint32_t version = kStorageVersionCurrent) {
        return {new CVyrRawData(result, version), [](CVyrRawData* o) { o->Release(); }};
    }

    std::vector<uint8_t> stored_bytes() {
        CStm stream;
        EXPECT_TRUE(CFactoryStream(result.Get()).Open(vyr_storage::kStreamRawData, stream));
        STATSTG status{};
        EXPECT_TRUE(stream.Stat(status, STATFLAG_NONAME));
        std::vector<uint8_t> bytes(status.cbSize);
        if (!bytes.empty()) {
            EXPECT_TRUE(stream.Read(bytes.data(), static_cast<uint32_t>(bytes.size())));
        }
        return bytes;
    }

    void store_bytes(const std::vector<uint8_t>& bytes) {
        CStm stream;
        ASSERT_TRUE(
            CFactoryStream(result.Get())
                .OpenOrCreate(vyr_storage::kStreamRawData, vyr::kDispositionCreateAlways, stream));
        ASSERT_TRUE(stream.Write(bytes.data(), static_cast<uint32_t>(bytes.size())));
    }

    CVyrPtrSmart<CStg> root;
    CVyrPtrSmart<CStg> result;
};

TEST_F(RawData, ItemsAreStoredFieldByFieldWithoutPadding) {
    VYR_RAW_DATA point = point_item(0x04030201);
    const VYR_OBSERVATIONEPOCH rover = make_epoch(multi_gnss_shape());
    const VYR_OBSERVATIONEPOCH base = make_epoch({{VYR_SATSYS_GLONASS, 3, 2}}, 60000, 0.5);
    VYR_RAW_DATA epochs = epoch_item(0x11223344, {rover, base});
    VYR_RAW_DATA empty = epoch_item(-1, {});
    {
        auto raw = open();
        ASSERT_EQ(raw->AddRawData(point), VYR_OK);
        ASSERT_EQ(raw->AddRawData(epochs), VYR_OK);
        ASSERT_EQ(raw->AddRawData(empty), VYR_OK);
    }
    std::vector<uint8_t> expected = {1, 0, 0, 0};
    put_value(expected, point.pointDesc);
    ASSERT_EQ(expected.size(), 58u);
    EXPECT_EQ(std::vector<uint8_t>(expected.begin() + 4, expected.begin() + 8),
              (std::vector<uint8_t>{1, 2, 3, 4}));
    put_bytes(expected, {2, 0, 0, 0, 0x44, 0x33, 0x22, 0x11, 2, 0, 0, 0});
    put_bytes(expected, {3, 0, 0, 0, 'R', 'O', 'V', 'E', 'R', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    put_bytes(expected, encode_epoch(rover));
    put_bytes(expected, {3, 0, 0, 0, 'B', 'A', 'S', 'E', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    put_bytes(expected, encode_epoch(base));
    // An epoch item without station epochs is its 12 fixed bytes.
    put_bytes(expected, {2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    EXPECT_EQ(stored_bytes(), expected);

    auto raw = open();
    const std::vector<VYR_RAW_DATA> items = read_all(*raw);
    ASSERT_EQ(items.size(), 3u);
    expect_same_item(items[0], point);
    expect_same_item(items[1], epochs);
    expect_same_item(items[2], empty);
}

TEST_F(RawData, ReadingFollowsThePositionRules) {
    auto raw = open();
    VYR_RAW_DATA item;
    EXPECT_EQ(raw->GetFirstRawData(item), VYR_E_NO_MORE_ENTRIES);  // an empty stream
    EXPECT_EQ(raw->GetNextRawData(item), VYR_E_NO_MORE_ENTRIES);   // next before first
    ASSERT_EQ(raw->AddRawData(point_item(1)), VYR_OK);
    ASSERT_EQ(raw->GetFirstRawData(item), VYR_OK);
    EXPECT_EQ(item.pointDesc.id, 1u);
    EXPECT_EQ(raw->GetNextRawData(item), VYR_E_NO_MORE_ENTRIES);  // one item only
    EXPECT_EQ(item.kind, 0u);                                     // nothing stale handed out

    ASSERT_EQ(raw->GetFirstRawData(item), VYR_OK);
    ASSERT_EQ(raw->AddRawData(point_item(2)), VYR_OK);
    EXPECT_EQ(raw->GetNextRawData(item), VYR_E_NO_MORE_ENTRIES);  // adding unpositions
    ASSERT_EQ(raw->GetFirstRawData(item), VYR_OK);                // and first starts over
    EXPECT_EQ(item.pointDesc.id, 1u);
    ASSERT_EQ(raw->GetNextRawData(item), VYR_OK);
    EXPECT_EQ(item.pointDesc.id, 2u);
}

TEST_F(RawData, KindsOtherThanPointAndEpochAreRefusedAndNothingIsStored) {
    auto raw = open();
    ASSERT_EQ(raw->AddRawData(point_item(1)), VYR_OK);
    for (uint32_t kind : {0u, 3u, 7u, 0xFFFFFFFFu}) {
        VYR_RAW_DATA item = point_item(2);
        item.kind = kind;
        EXPECT_EQ(raw->AddRawData(item), VYR_E_INVALID_PARAMETER) << kind;
    }
    ASSERT_EQ(raw->AddRawData(point_item(3)), VYR_OK);
    const std::vector<VYR_RAW_DATA> items = read_all(*raw);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].pointDesc.id, 3u);
}

TEST_F(RawData, AnEpochThatCouldNotBeReadBackIsRefusedWhole) {
    VYR_OBSERVATIONEPOCH early = make_epoch({{VYR_SATSYS_GPS, 2, 1}}, 100);
    VYR_OBSERVATIONEPOCH wholeDay = make_epoch({{VYR_SATSYS_GPS, 2, 1}}, 60000, 1.0);
    VYR_OBSERVATIONEPOCH unknownType = make_epoch({{VYR_SATSYS_GPS, 2, 1}});
    unknownType.satellites[1].observations[0].obsType = static_cast<VYR_OBSTYPE>(200);
    VYR_OBSERVATIONEPOCH unknownSystem =
        make_epoch({{static_cast<VYR_SATELLITE_SYSTEM>(99), 1, 1}});
    VYR_OBSERVATIONEPOCH tooManySatellites = make_epoch({{VYR_SATSYS_GPS, 256, 1}});
    VYR_OBSERVATIONEPOCH overTenThousandBytes = make_epoch({{VYR_SATSYS_GPS, 30, 10}});
    const VYR_OBSERVATIONEPOCH good = make_epoch({{VYR_SATSYS_GPS, 4, 2}});
    auto raw = open();
    ASSERT_EQ(raw->AddRawData(epoch_item(1, {good})), VYR_OK);
    for (const VYR_OBSERVATIONEPOCH& bad :
         {early, wholeDay, unknownType, unknownSystem, tooManySatellites, overTenThousandBytes}) {
        // The bad epoch comes second: the good one before it must not be left behind either.
        EXPECT_EQ(raw->AddRawData(epoch_item(2, {good, bad})), VYR_E_WRITE_ENTRY_FAILED);
    }
    ASSERT_EQ(raw->AddRawData(epoch_item(3, {good})), VYR_OK);
    const std::vector<VYR_RAW_DATA> items = read_all(*raw);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].epochTag, 1);
    EXPECT_EQ(items[1].epochTag, 3);
}

// Station epochs that are not valid observation epochs yet decode: a station without data at a
// synchronised time carries one. They were stored and then made their item, and every item after
// it, unreadable.
TEST_F(RawData, StationEpochsThatAreNotValidReadBackAsStored) {
    VYR_OBSERVATIONEPOCH statusZero = make_epoch({{VYR_SATSYS_GPS, 2, 1}});
    statusZero.status = 0;
    VYR_OBSERVATIONEPOCH dayZero = make_epoch({{VYR_SATSYS_GLONASS, 1, 2}}, 0, 0.5);
    VYR_OBSERVATIONEPOCH resetWithSatellites = make_epoch({{VYR_SATSYS_GALILEO, 1, 1}}, 0, 0.0);
    resetWithSatellites.status = 0;
    const struct {
        const char* what;
        VYR_OBSERVATIONEPOCH epoch;
    } cases[] = {
        {"reset epoch (day 0, status 0, no satellites)", VYR_OBSERVATIONEPOCH{}},
        {"valid day, status 0", statusZero},
        {"day 0, status 1", dayZero},
        {"day 0, status 0, with satellites", resetWithSatellites},
    };
    const VYR_OBSERVATIONEPOCH good = make_epoch({{VYR_SATSYS_GPS, 4, 2}});
    auto raw = open();
    std::vector<VYR_RAW_DATA> written;
    for (const auto& c : cases) {
        // A good item follows each case: it must still be reached.
        written.push_back(epoch_item(static_cast<int32_t>(written.size()), {good, c.epoch}));
        written.push_back(epoch_item(static_cast<int32_t>(written.size()), {good}));
        EXPECT_EQ(raw->AddRawData(written[written.size() - 2]), VYR_OK) << c.what;
        EXPECT_EQ(raw->AddRawData(written.back()), VYR_OK) << c.what;
    }
    const std::vector<VYR_RAW_DATA> items = read_all(*raw);
    ASSERT_EQ(items.size(), written.size());
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(cases[i / 2].what);
        expect_same_item(items[i], written[i]);
    }
}

// Bytes of an epoch item with one station epoch whose length field says length.
std::vector<uint8_t> item_with_length(uint32_t length, size_t bytesAfter) {
    std::vector<uint8_t> bytes = {2, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0};
    put_value(bytes, text_key("ROVER"));
    put_value(bytes, length);
    bytes.resize(bytes.size() + bytesAfter, 0);
    return bytes;
}

TEST_F(RawData, DamagedItemsEndTheReadWithoutReachingPastTheBuffer) {
    const std::vector<uint8_t> good = encode_epoch(make_epoch({{VYR_SATSYS_GPS, 2, 1}}));
    std::vector<uint8_t> goodItem = {2, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0};
    put_value(goodItem, text_key("ROVER"));
    put_bytes(goodItem, good);
    std::vector<uint8_t> badLength = goodItem;
    badLength[12 + 21] ^= 0x01;  // the length no longer matches what decodes
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        bool last = false;  // a cut item can only be the stream's last
    } cases[] = {
        {"length 0 (wraps below its own field)", item_with_length(0, 20000)},
        {"length 3", item_with_length(3, 20000)},
        {"length 4 (no header)", item_with_length(4, 20000)},
        {"length 31", item_with_length(31, 20000)},
        {"length 10001", item_with_length(10001, 20000)},
        {"length 0xFFFFFFFF", item_with_length(0xFFFFFFFF, 20000)},
        {"length off by one", badLength},
        {"epoch cut short", std::vector<uint8_t>(goodItem.begin(), goodItem.end() - 1), true},
        {"key cut short", std::vector<uint8_t>(goodItem.begin(), goodItem.begin() + 20), true},
        {"count above the epochs present",
         [&] {
             std::vector<uint8_t> b = goodItem;
             b[8] = 2;
             return b;
         }(),
         true},
        {"description cut short", {1, 0, 0, 0, 9, 9, 9}, true},
        {"kind 7 of an older writer", {7, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = goodItem;
        put_bytes(bytes, c.bytes);
        if (!c.last) put_bytes(bytes, goodItem);  // never reached: no read resumes inside damage
        store_bytes(bytes);
        auto raw = open();
        VYR_RAW_DATA item;
        ASSERT_EQ(raw->GetFirstRawData(item), VYR_OK) << c.what;
        EXPECT_EQ(raw->GetNextRawData(item), VYR_E_NO_MORE_ENTRIES) << c.what;
        EXPECT_EQ(item.kind, 0u) << c.what;
        EXPECT_TRUE(item.epochs.empty()) << c.what;
        EXPECT_EQ(raw->GetNextRawData(item), VYR_E_NO_MORE_ENTRIES) << c.what;
    }
}

TEST_F(RawData, OlderProjectsHoldWholeReceiverRecords) {
    VYR_OBSERVATION record{};
    record.mjd = 55000;
    record.fraction = 0.5;
    record.count = 1;
    record.flags = VYR_OBSERVATION::kL1Data;
    record.occupation = 1;
    record.satellites[0] = 7;
    VYR_OBSERVATIONEPOCH converted;
    ASSERT_EQ(Vyr_ConvertToObsEpoch(record, converted), VYR_OK);

    std::vector<uint8_t> bytes = {2, 0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0};
    put_value(bytes, text_key("OLD"));
    put_value(bytes, record);
    put_bytes(bytes, {2, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0});
    store_bytes(bytes);

    auto raw = open(2);
    const std::vector<VYR_RAW_DATA> items = read_all(*raw);
    ASSERT_EQ(items.size(), 2u);
    ASSERT_EQ(items[0].epochs.size(), 1u);
    EXPECT_EQ(items[0].epochTag, 9);
    EXPECT_STREQ(reinterpret_cast<const char*>(items[0].epochs[0].station.value), "OLD");
    EXPECT_TRUE(same_epoch(items[0].epochs[0].epoch, converted));
    EXPECT_EQ(items[1].epochTag, 10);
}

TEST_F(RawData, TheAccessModeDecidesWhatWorks) {
    {
        auto raw = open();
        ASSERT_EQ(raw->AddRawData(point_item(1)), VYR_OK);
    }
    result = open_result(vyr::kAccessRead);
    {
        auto raw = open();
        ASSERT_EQ(raw->SetupResult(), VYR_OK);
        EXPECT_EQ(raw->AddRawData(point_item(2)), VYR_E_INVALID_PARAMETER);
        EXPECT_EQ(read_all(*raw).size(), 1u);
    }
    result = open_result(vyr::kAccessWrite);
    {
        auto raw = open();
        VYR_RAW_DATA item;
        EXPECT_EQ(raw->AddRawData(point_item(2)), VYR_OK);
        EXPECT_EQ(raw->GetFirstRawData(item), VYR_E_INVALID_OPEN_MODE);
    }
}

TEST_F(RawData, AMissingStorageOrStreamIsReportedByEveryOperation) {
    VYR_RAW_DATA item;
    result = CVyrPtrSmart<CStg>();
    auto noStorage = open();
    EXPECT_EQ(noStorage->AddRawData(point_item(1)), VYR_E_INVALID_INTERFACE);
    EXPECT_EQ(noStorage->GetFirstRawData(item), VYR_E_INVALID_INTERFACE);
    EXPECT_EQ(noStorage->GetNextRawData(item), VYR_E_INVALID_INTERFACE);

    // A read-only result storage without the stream cannot create it.
    result = open_result(vyr::kAccessRead);
    auto noStream = open();
    EXPECT_EQ(noStream->SetupResult(), VYR_E_CANNOT_CREATE_ENTRY);
    EXPECT_EQ(noStream->AddRawData(point_item(1)), VYR_E_CANNOT_CREATE_ENTRY);
    EXPECT_EQ(noStream->GetFirstRawData(item), VYR_E_CANNOT_CREATE_ENTRY);
    EXPECT_EQ(noStream->GetNextRawData(item), VYR_E_CANNOT_CREATE_ENTRY);
}

// Whatever part of a large item fits before the disk is full, the item leaves nothing behind:
// the items added before it and after it (once there is room again) read back.
TEST(RawDataFaults, AFailedWriteLeavesNoPartialItem) {
    const VYR_RAW_DATA before = point_item(1);
    const VYR_RAW_DATA large =
        epoch_item(2, {make_epoch(multi_gnss_shape()), make_epoch(multi_gnss_shape(), 60000, 0.5)});
    const VYR_RAW_DATA after = point_item(3);
    std::vector<uint8_t> largeBytes;
    ASSERT_EQ(vyr_stations::encode_raw_data(large, largeBytes), VYR_OK);
    const long size = static_cast<long>(largeBytes.size());
    ASSERT_GT(size, 4096);  // crosses from the mini stream into regular sectors

    for (long room : {0L, 1L, 4L, 12L, 33L, size / 2, size - 1}) {
        IStorage* document = nullptr;
        ILockBytes* bytes = nullptr;
        ASSERT_EQ(cfb::create_memory_lock_bytes({}, &bytes), S_OK);
        ASSERT_EQ(StgCreateDocfileOnILockBytes(
                      bytes, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, &document),
                  S_OK);
        bytes->Release();
        auto budget = std::make_shared<WriteBudget>();
        auto* fullDisk = new FullDiskStorage(document, budget);
        document->Release();
        CVyrPtrSmart<CStg> storage(new CStg());
        ASSERT_TRUE(storage->Attach(fullDisk));
        fullDisk->Release();

        RawDataPtr raw(new CVyrRawData(storage, kStorageVersionCurrent),
                       [](CVyrRawData* o) { o->Release(); });
        ASSERT_EQ(raw->AddRawData(before), VYR_OK);
        budget->bytesLeft = room;
        EXPECT_EQ(raw->AddRawData(large), VYR_E_WRITE_ENTRY_FAILED) << room;
        budget->bytesLeft = -1;
        ASSERT_EQ(raw->AddRawData(after), VYR_OK) << room;
        const std::vector<VYR_RAW_DATA> items = read_all(*raw);
        ASSERT_EQ(items.size(), 2u) << "room for " << room << " bytes";
        expect_same_item(items[0], before);
        expect_same_item(items[1], after);
    }
}

}  // namespace
