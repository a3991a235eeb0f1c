#include "stations/observation_epoch_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include <vyr/observation_record.h>

#include "records/stream_fixture_test_support.h"
#include "stations/epoch_test_support.h"
#include "stations/observation_record_layout.h"

// Packed fields are compared as values (+field): no reference may bind to a misaligned one.
namespace {

using vyr_test::make_epoch;
using vyr_test::same_epoch;
using ObservationsStream = vyr_test::MemoryStreamTest;

uint32_t encoded_size(const VYR_OBSERVATIONEPOCH& epoch) {
    return static_cast<uint32_t>(vyr_test::encode_epoch(epoch).size());
}

// SBAS blocks of 255 and 14 signals and three empty ones: exactly 10000 bytes. Making the last
// empty block a GPS one adds its system data byte.
VYR_OBSERVATIONEPOCH epoch_of_size(uint32_t size) {
    VYR_OBSERVATIONEPOCH epoch =
        make_epoch({{VYR_SATSYS_SBAS, 1, 255}, {VYR_SATSYS_SBAS, 1, 14}, {VYR_SATSYS_SBAS, 3, 0}});
    if (size == 10001) epoch.satellites.back().satId.system = VYR_SATSYS_GPS;
    return epoch;
}

// The multi-GNSS epoch is about 6.1 KB, beyond the 5000 bytes a writer once allowed.
TEST_F(ObservationsStream, EpochsAreLaidEndToEndAndReadBack) {
    const std::vector<VYR_OBSERVATIONEPOCH> epochs = {
        make_epoch({{VYR_SATSYS_GPS, 2, 2}}, 60000, 0.0),
        make_epoch({}, 60000, 1.0 / 86400),
        make_epoch(vyr_test::multi_gnss_shape(), 60001, 0.5),
    };
    EXPECT_GT(encoded_size(epochs[2]), 6000u);
    uint64_t total = 0;
    for (const auto& epoch : epochs) {
        ASSERT_EQ(AppendRecord(stream, epoch), VYR_OK);
        total += encoded_size(epoch);
    }
    EXPECT_EQ(stream_size(), total);

    std::vector<VYR_OBSERVATIONEPOCH> back;
    ASSERT_EQ(ReadAllRecords(stream, kStorageVersionCurrent, back), VYR_OK);
    ASSERT_EQ(back.size(), epochs.size());
    for (size_t i = 0; i < epochs.size(); ++i) EXPECT_TRUE(same_epoch(back[i], epochs[i])) << i;
    // Storage versions other than 1 to 3 are not read.
    for (const uint32_t version : {0u, 3u, 4u}) {
        EXPECT_EQ(ReadSingleRecord(stream, version, back[0]),
                  version == 3 ? VYR_OK : VYR_E_READ_ENTRY_FAILED)
            << version;
    }
}

TEST_F(ObservationsStream, TheLargestReadableEpochIsWrittenAndOneByteMoreIsRefused) {
    const VYR_OBSERVATIONEPOCH largest = epoch_of_size(10000);
    ASSERT_EQ(encoded_size(largest), 10000u);
    ASSERT_EQ(AppendRecord(stream, largest), VYR_OK);
    VYR_OBSERVATIONEPOCH back;
    ASSERT_EQ(ReadSingleRecord(stream, kStorageVersionCurrent, back), VYR_OK);
    EXPECT_EQ(back.satellites.size(), 2u);  // the empty blocks are dropped

    const VYR_OBSERVATIONEPOCH tooLarge = epoch_of_size(10001);
    ASSERT_EQ(encoded_size(tooLarge), 10001u);
    EXPECT_EQ(vyr_stations::write_observation_epoch(stream, tooLarge), VYR_E_BUFFER_TOO_SHORT);
    EXPECT_EQ(AppendRecord(stream, tooLarge), VYR_E_WRITE_ENTRY_FAILED);
    EXPECT_EQ(stream_size(), 10000u);
}

// Epochs the writer refuses, for the writer and, stored by other means, for the reader.
std::vector<std::pair<const char*, VYR_OBSERVATIONEPOCH>> refused_epochs() {
    std::vector<std::pair<const char*, VYR_OBSERVATIONEPOCH>> epochs;
    epochs.emplace_back("day 44239", make_epoch({{VYR_SATSYS_GPS, 1, 1}}, 44239, 0.5));
    epochs.emplace_back("reset time", make_epoch({{VYR_SATSYS_GPS, 1, 1}}, 0, 0.0));
    epochs.emplace_back("status 0", make_epoch({{VYR_SATSYS_GPS, 1, 1}}));
    epochs.back().second.status = 0;
    epochs.emplace_back("system 0", make_epoch({{VYR_SATSYS_NONE, 1, 1}}));
    epochs.emplace_back("type 12", make_epoch({{VYR_SATSYS_GPS, 1, 1}}));
    epochs.back().second.satellites[0].observations[0].obsType = static_cast<VYR_OBSTYPE>(12);
    return epochs;
}

// The validity rule itself is tested with the encoding; here: the writer applies it, and
// refuses what a reader would take for damage.
TEST_F(ObservationsStream, InvalidEpochsAreRefusedAndLeaveTheStreamAlone) {
    for (const auto& [what, epoch] : refused_epochs()) {
        EXPECT_EQ(vyr_stations::write_observation_epoch(stream, epoch), VYR_E_INVALID_PARAMETER)
            << what;
        EXPECT_EQ(AppendRecord(stream, epoch), VYR_E_WRITE_ENTRY_FAILED) << what;
    }
    const VYR_OBSERVATIONEPOCH tooMany = make_epoch({{VYR_SATSYS_GPS, 256, 0}});
    EXPECT_EQ(vyr_stations::write_observation_epoch(stream, tooMany), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(stream_size(), 0u);
}

// A stored epoch its writer would have refused is damage, even where it decodes.
TEST_F(ObservationsStream, StoredEpochsTheWriterRefusesAreDamage) {
    for (const auto& [what, epoch] : refused_epochs()) {
        put_bytes(vyr_test::encode_epoch(epoch));
        VYR_OBSERVATIONEPOCH back;
        EXPECT_EQ(ReadSingleRecord(stream, kStorageVersionCurrent, back), VYR_E_READ_ENTRY_FAILED)
            << what;
        EXPECT_TRUE(back.satellites.empty()) << what;
    }
}

TEST_F(ObservationsStream, DamagedLengthFieldsEndTheRead) {
    struct Case {
        uint32_t length;
        const char* what;
    };
    for (const Case& c : {Case{31, "below the header"}, Case{10001, "beyond the largest epoch"},
                          Case{0xFFFFFFFF, "garbage"}, Case{200, "beyond the stream"}}) {
        std::vector<uint8_t> bytes(100, 0);
        std::memcpy(bytes.data(), &c.length, 4);
        bytes[4] = 1;
        put_bytes(bytes);
        VYR_OBSERVATIONEPOCH back;
        EXPECT_EQ(ReadSingleRecord(stream, kStorageVersionCurrent, back), VYR_E_READ_ENTRY_FAILED)
            << c.what;
    }
}

// Older projects: 22-byte headers, each followed by its used satellite records.
class OlderObservationsStream : public vyr_test::MemoryStreamTest {
protected:
    void add_record(uint32_t mjd, uint16_t flags, int32_t count, uint8_t occupation = 1) {
        VYR_OBSERVATION record;
        std::memset(&record, 0, sizeof record);
        record.mjd = mjd;
        record.fraction = 0.25;
        record.count = count;
        record.flags = flags;
        record.occupation = occupation;
        const uint32_t size = vyr_stations::satellite_record_size(flags);
        const auto* header = reinterpret_cast<const uint8_t*>(&record);
        bytes.insert(bytes.end(), header, header + VYR_OBSERVATION::kHeaderSize);
        for (int i = 0; i < count; ++i) {
            VYR_OBSERVATION_SV_BASIC sv{};
            sv.number = static_cast<uint8_t>(i + 1);
            sv.flags = VYR_SV_L1_CA_CODE;
            sv.l1Code = 2e7 + i;
            const auto* p = reinterpret_cast<const uint8_t*>(&sv);
            std::vector<uint8_t> stored(size, 0);
            std::memcpy(stored.data(), p, std::min<size_t>(size, sizeof sv));
            bytes.insert(bytes.end(), stored.begin(), stored.end());
        }
    }

    std::vector<uint8_t> bytes;
};

TEST_F(OlderObservationsStream, SkipsInvalidRecordsAndSurplusSatellites) {
    const uint16_t dual = VYR_OBSERVATION::kL1Data | VYR_OBSERVATION::kL2Data;
    add_record(50000, dual, 2);
    add_record(44239, dual, 3);                      // invalid day: skipped
    add_record(50001, dual, 1, 3);                   // invalid occupation: skipped
    add_record(50002, dual, 30);                     // 24 kept, 6 passed over
    add_record(50003, VYR_OBSERVATION::kL1Data, 1);  // single-frequency records of 21 bytes
    put_bytes(bytes);

    for (const uint32_t version : {1u, 2u}) {
        std::vector<VYR_OBSERVATIONEPOCH> epochs;
        ASSERT_EQ(ReadAllRecords(stream, version, epochs), VYR_OK);
        ASSERT_EQ(epochs.size(), 3u) << version;
        EXPECT_EQ(epochs[0].mjd, 50000u);
        EXPECT_EQ(epochs[0].satellites.size(), 2u);
        EXPECT_EQ(epochs[1].mjd, 50002u);
        ASSERT_EQ(epochs[1].satellites.size(), 24u);
        EXPECT_EQ(+epochs[1].satellites[23].observations.at(0).code, 2e7 + 23);
        EXPECT_EQ(epochs[2].mjd, 50003u);
        EXPECT_EQ(+epochs[2].satellites.at(0).observations.at(0).code, 2e7);
    }
}

// A record cut short ends the sequence, whatever count it states: a huge count is never
// trusted for an allocation or a read size.
TEST_F(OlderObservationsStream, ATruncatedRecordEndsTheSequence) {
    add_record(50000, VYR_OBSERVATION::kL1Data, 1);
    add_record(50001, VYR_OBSERVATION::kL1Data, 2);
    bytes.erase(bytes.end() - 5, bytes.end());  // cut into the last satellite record
    for (const int32_t count : {2, 0x7FFFFF01}) {
        std::memcpy(bytes.data() + 22 + 21 + 12, &count, 4);  // the second header's count
        put_bytes(bytes);
        std::vector<VYR_OBSERVATIONEPOCH> epochs;
        ASSERT_EQ(ReadAllRecords(stream, 1, epochs), VYR_OK);
        ASSERT_EQ(epochs.size(), 1u) << count;
        EXPECT_EQ(epochs[0].mjd, 50000u);
    }
}

}  // namespace
