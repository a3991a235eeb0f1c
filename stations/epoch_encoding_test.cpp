#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <tuple>
#include <vector>

#include <vyr/observation_epoch.h>

#include "stations/epoch_test_support.h"

// Packed fields are compared as values (+field): no reference may bind to a misaligned one.
namespace {

using vyr_test::encode_epoch;
using vyr_test::make_epoch;
using vyr_test::same_epoch;

uint32_t length_field(const std::vector<uint8_t>& bytes) {
    uint32_t length = 0;
    std::memcpy(&length, bytes.data(), 4);
    return length;
}

// An epoch that must decode whole: every byte its length field states is consumed.
VYR_OBSERVATIONEPOCH decoded(const std::vector<uint8_t>& bytes) {
    VYR_OBSERVATIONEPOCH back;
    uint32_t consumed = 0;
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    EXPECT_EQ(Vyr_DeserializeObsEpoch(bytes.data(), size, back, consumed), VYR_OK);
    EXPECT_EQ(consumed, length_field(bytes));
    return back;
}

// A satellite block is system, prn, the system data the system keeps (only its low bytes come
// back), the signal count and 37 bytes per signal.
TEST(EpochEncoding, BlockSizesAndSystemDataDependOnTheSystem) {
    struct Case {
        VYR_SATELLITE_SYSTEM system;
        int signals;
        uint32_t blockSize, systemData;
    };
    const Case cases[] = {
        {VYR_SATSYS_GPS, 2, 78, 0x44},  {VYR_SATSYS_GLONASS, 1, 44, 0x11223344},
        {VYR_SATSYS_SBAS, 1, 40, 0},    {VYR_SATSYS_GALILEO, 3, 116, 0x3344},
        {VYR_SATSYS_COMPASS, 1, 40, 0}, {VYR_SATSYS_GPS, 0, 4, 0},
    };
    for (const Case& c : cases) {
        VYR_OBSERVATIONEPOCH epoch = make_epoch({{c.system, 1, c.signals}});
        epoch.satellites[0].systemData = 0x11223344;
        const std::vector<uint8_t> bytes = encode_epoch(epoch);
        EXPECT_EQ(bytes.size(), 32 + c.blockSize) << c.system;
        EXPECT_EQ(length_field(bytes), 32 + c.blockSize) << c.system;
        const VYR_OBSERVATIONEPOCH back = decoded(bytes);
        if (c.signals > 0) {
            EXPECT_EQ(back.satellites.at(0).systemData, c.systemData) << c.system;
        }
    }
}

TEST(EpochEncoding, LaysOutTheHeaderAndSignalBytes) {
    VYR_OBSERVATIONEPOCH epoch = make_epoch({{VYR_SATSYS_GLONASS, 1, 1}}, 51544, 0.5);
    epoch.headerWord = 0x1234;
    epoch.sourceTag = 0x1AB;  // only the low byte is stored
    epoch.satellites[0].systemData = 0xFFFFFFF9;
    VYR_OBSERVATIONEPOCH_SIGNAL& s = epoch.satellites[0].observations[0];
    s.obsType = VYR_OBS_E6;
    s.spare3 = 7;
    const std::vector<uint8_t> bytes = encode_epoch(epoch);
    ASSERT_EQ(bytes.size(), 32u + 44u);
    auto slice = [&](size_t from, size_t to) {
        return std::vector<int>(bytes.begin() + from, bytes.begin() + to);
    };
    EXPECT_EQ(length_field(bytes), 76u);
    EXPECT_EQ(slice(4, 10), (std::vector<int>{1, 0, 0x58, 0xC9, 0, 0}));  // versions, mjd 51544
    EXPECT_EQ(slice(18, 20), (std::vector<int>{0x34, 0x12}));             // header word
    // Status, occupation, source tag (low byte), satellites; system, prn, 4 bytes of GLONASS
    // system data, signals; the signal's flags and its type in one byte.
    EXPECT_EQ(slice(28, 42),
              (std::vector<int>{1, 1, 0xAB, 1, 2, 1, 0xF9, 0xFF, 0xFF, 0xFF, 1, 0x03, 0x00, 11}));
    EXPECT_EQ(bytes[39 + 35], 7);  // spare3
    const VYR_OBSERVATIONEPOCH back = decoded(bytes);
    EXPECT_EQ(back.sourceTag, 0xABu);
    EXPECT_EQ(back.satellites[0].systemData, 0xFFFFFFF9u);
    EXPECT_EQ(+back.satellites[0].observations[0].obsType, VYR_OBS_E6);
}

TEST(EpochEncoding, RoundTripsEveryField) {
    VYR_OBSERVATIONEPOCH epoch = make_epoch(vyr_test::multi_gnss_shape(), 60123, 0.123456789);
    epoch.headerWord = 17;
    epoch.headerReal = -3.25;
    epoch.status = 200;
    epoch.sourceTag = 9;
    VYR_OBSERVATIONEPOCH_SIGNAL& s = epoch.satellites[5].observations[3];
    s.auxValue = 65535;
    s.spare1 = 1;
    s.spare2 = 2;
    s.spare3 = 3;
    s.spare4 = 4;
    s.flags = 0xFFFF;
    for (const VYR_OBSERVATIONEPOCH& e : {epoch, make_epoch({})}) {
        const std::vector<uint8_t> bytes = encode_epoch(e);
        EXPECT_EQ(length_field(bytes), bytes.size());
        EXPECT_TRUE(same_epoch(decoded(bytes), e));
    }
}

// Every capacity from 0 to the full length: an error that writes nothing beyond the capacity
// and reports nothing written, or at exactly the length, success.
TEST(EpochEncoding, NeverWritesBeyondAnyCapacity) {
    for (const auto& shape :
         {std::vector<vyr_test::SatelliteShape>{},
          std::vector<vyr_test::SatelliteShape>{
              {VYR_SATSYS_GLONASS, 2, 2}, {VYR_SATSYS_GALILEO, 1, 1}, {VYR_SATSYS_SBAS, 1, 0}}}) {
        const VYR_OBSERVATIONEPOCH epoch = make_epoch(shape);
        const uint32_t length = static_cast<uint32_t>(encode_epoch(epoch).size());
        for (uint32_t capacity = 0; capacity <= length; ++capacity) {
            std::vector<uint8_t> buffer(length + 1, 0xEE);
            uint32_t written = 7;
            const VYR_ERROR result = Vyr_SerializeObsEpoch(epoch, buffer.data(), capacity, written);
            EXPECT_EQ(result, capacity == length ? VYR_OK : VYR_E_BUFFER_TOO_SHORT) << capacity;
            EXPECT_EQ(written, capacity == length ? length : 0u) << capacity;
            for (uint32_t i = capacity; i < buffer.size(); ++i)
                ASSERT_EQ(buffer[i], 0xEE) << capacity;
        }
    }
}

// What the decoder would refuse as damage is refused before it is encoded; what is encoded
// decodes.
TEST(EpochEncoding, RefusesEpochsTheDecoderWouldRefuseAndNullBuffers) {
    std::vector<uint8_t> buffer(200000);
    const uint32_t capacity = static_cast<uint32_t>(buffer.size());
    struct Case {
        const char* what;
        int satellites, signals;
        void (*change)(VYR_OBSERVATIONEPOCH&);
        VYR_ERROR result;
    };
    const auto same = [](VYR_OBSERVATIONEPOCH&) {};
    const Case cases[] = {
        {"255 satellites", 255, 0, same, VYR_OK},
        {"256 satellites", 256, 0, same, VYR_E_INVALID_PARAMETER},
        {"255 signals", 1, 255, same, VYR_OK},
        {"256 signals", 1, 256, same, VYR_E_INVALID_PARAMETER},
        {"a reset epoch (day 0)", 1, 1, [](VYR_OBSERVATIONEPOCH& e) { e.mjd = 0; }, VYR_OK},
        {"a day before the first", 1, 1,
         [](VYR_OBSERVATIONEPOCH& e) { e.mjd = vyr::kFirstEpochMjd - 1; }, VYR_E_INVALID_PARAMETER},
        {"a NaN fraction", 1, 1, [](VYR_OBSERVATIONEPOCH& e) { e.fraction = std::nan(""); },
         VYR_E_INVALID_PARAMETER},
        {"a fraction of 1", 1, 1, [](VYR_OBSERVATIONEPOCH& e) { e.fraction = 1.0; },
         VYR_E_INVALID_PARAMETER},
        {"an unknown system", 1, 1,
         [](VYR_OBSERVATIONEPOCH& e) { e.satellites[0].satId.system = VYR_SATELLITE_SYSTEM(99); },
         VYR_E_INVALID_PARAMETER},
        {"an unknown signal type", 1, 1,
         [](VYR_OBSERVATIONEPOCH& e) { e.satellites[0].observations[0].obsType = VYR_OBSTYPE(0); },
         VYR_E_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        uint32_t written = 5;
        VYR_OBSERVATIONEPOCH epoch = make_epoch({{VYR_SATSYS_GPS, c.satellites, c.signals}});
        c.change(epoch);
        EXPECT_EQ(Vyr_SerializeObsEpoch(epoch, buffer.data(), capacity, written), c.result)
            << c.what;
        EXPECT_EQ(written == 0, c.result != VYR_OK) << c.what;
        VYR_OBSERVATIONEPOCH back;
        uint32_t consumed = 0;
        if (c.result == VYR_OK) {
            EXPECT_EQ(Vyr_DeserializeObsEpoch(buffer.data(), written, back, consumed), VYR_OK)
                << c.what;
        }
    }

    const VYR_OBSERVATIONEPOCH epoch = make_epoch({});
    uint32_t written = 3, consumed = 9, mjd = 0, length = 0;
    double fraction = 0;
    EXPECT_EQ(Vyr_SerializeObsEpoch(epoch, nullptr, capacity, written), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(written, 0u);
    VYR_OBSERVATIONEPOCH back;
    EXPECT_EQ(Vyr_DeserializeObsEpoch(nullptr, capacity, back, consumed), VYR_E_INVALID_PARAMETER);
    EXPECT_EQ(Vyr_DeserializeObsEpoch(nullptr, capacity, mjd, fraction, length),
              VYR_E_INVALID_PARAMETER);
}

// A satellite without signals is stored but not read back; the read stops at the length field
// even when more bytes follow.
TEST(EpochDecoding, DropsSatellitesWithoutSignalsAndReadsExactlyTheLength) {
    const VYR_OBSERVATIONEPOCH epoch =
        make_epoch({{VYR_SATSYS_GPS, 2, 1}, {VYR_SATSYS_GLONASS, 1, 0}, {VYR_SATSYS_SBAS, 1, 1}});
    std::vector<uint8_t> bytes = encode_epoch(epoch);
    const size_t length = bytes.size();
    EXPECT_EQ(bytes[31], 4);
    bytes.resize(length + 50, 0xEE);
    const VYR_OBSERVATIONEPOCH back = decoded(bytes);
    ASSERT_EQ(back.satellites.size(), 3u);
    EXPECT_EQ(back.satellites[2].satId, (VYR_SATID{VYR_SATSYS_SBAS, 1}));
}

// Version 0 predates sub-versions; version 1 has sub-version 0. The short form reads the time
// and the length from the first 18 bytes.
TEST(EpochDecoding, KnownVersionsAndTheShortForm) {
    std::vector<uint8_t> bytes = encode_epoch(make_epoch({{VYR_SATSYS_GPS, 3, 2}}, 59000, 0.75));
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    struct Case {
        uint8_t version, subVersion;
        VYR_ERROR result;
    };
    uint32_t consumed = 0, mjd = 0, length = 0;
    double fraction = 0;
    for (const Case& c :
         {Case{0, 7, VYR_OK}, Case{0, 0, VYR_OK}, Case{1, 0, VYR_OK},
          Case{1, 1, VYR_E_WRONG_KERNEL_VERSION}, Case{2, 0, VYR_E_WRONG_KERNEL_VERSION}}) {
        bytes[4] = c.version;
        bytes[5] = c.subVersion;
        VYR_OBSERVATIONEPOCH back;
        EXPECT_EQ(Vyr_DeserializeObsEpoch(bytes.data(), size, back, consumed), c.result)
            << int(c.version) << "." << int(c.subVersion);
        mjd = length = 0;
        EXPECT_EQ(Vyr_DeserializeObsEpoch(bytes.data(), 18, mjd, fraction, length), c.result);
        EXPECT_EQ(length, size);
        if (c.result == VYR_OK) {
            EXPECT_EQ(std::make_tuple(mjd, fraction), std::make_tuple(59000u, 0.75));
        }
    }
    length = 0;
    EXPECT_EQ(Vyr_DeserializeObsEpoch(bytes.data(), 17, mjd, fraction, length),
              VYR_E_BUFFER_TOO_SHORT);
    EXPECT_EQ(length, size) << "the length is set before the size check";
    EXPECT_EQ(Vyr_DeserializeObsEpoch(bytes.data(), 3, mjd, fraction, length),
              VYR_E_BUFFER_TOO_SHORT);
}

// Every truncation of a valid epoch fails cleanly; run under the sanitizers this also shows that
// no read goes past the stated size.
TEST(EpochDecoding, EveryShortSizeFailsBeforeReadingPastIt) {
    const std::vector<uint8_t> bytes =
        encode_epoch(make_epoch({{VYR_SATSYS_GLONASS, 2, 2}, {VYR_SATSYS_GALILEO, 1, 1}}));
    for (uint32_t size = 0; size < bytes.size(); ++size) {
        // A heap block of exactly size bytes (never null), so a sanitizer sees any overread.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[size]);
        std::copy(bytes.begin(), bytes.begin() + size, exact.get());
        VYR_OBSERVATIONEPOCH back;
        uint32_t consumed = 5;
        EXPECT_EQ(Vyr_DeserializeObsEpoch(exact.get(), size, back, consumed),
                  VYR_E_BUFFER_TOO_SHORT)
            << size;
        EXPECT_EQ(consumed, 0u);
        EXPECT_TRUE(back.satellites.empty());
    }
}

TEST(EpochDecoding, LengthFieldsThatDisagreeWithTheBlocks) {
    std::vector<uint8_t> bytes = encode_epoch(make_epoch({{VYR_SATSYS_GPS, 2, 1}}));
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    auto decode_with_length = [&](uint32_t length, uint32_t stated, uint32_t& consumed) {
        std::vector<uint8_t> copy = bytes;
        copy.resize(std::max<size_t>(copy.size(), stated), 0);
        std::memcpy(copy.data(), &length, 4);
        VYR_OBSERVATIONEPOCH back;
        return Vyr_DeserializeObsEpoch(copy.data(), stated, back, consumed);
    };
    uint32_t consumed = 0;
    // Below the header.
    EXPECT_EQ(decode_with_length(31, size, consumed), VYR_E_BUFFER_TOO_SHORT);
    // Blocks longer than the length: decoded against the size, then found to disagree.
    EXPECT_EQ(decode_with_length(size - 10, size, consumed), VYR_E_READ_ENTRY_FAILED);
    EXPECT_EQ(consumed, size);
    // Length longer than the blocks.
    EXPECT_EQ(decode_with_length(size + 5, size + 5, consumed), VYR_E_READ_ENTRY_FAILED);
    EXPECT_EQ(consumed, size);
    // A header-only length with satellites counted is short of the blocks it announces.
    bytes[31] = 0;
    EXPECT_EQ(decode_with_length(40, 40, consumed), VYR_E_READ_ENTRY_FAILED);
    EXPECT_EQ(consumed, 32u);
}

// A time, system or signal type that no writer stores is damage: nothing of it is handed out.
// The time of a reset epoch (day 0) and the day a rounded statistics time may carry into pass.
TEST(EpochDecoding, ValuesNoWriterStoresAreDamage) {
    constexpr size_t kMjd = 6, kFraction = 10, kSystem = 32;
    constexpr size_t kType = kSystem + 2 + 2 + 1 + 2;  // Galileo keeps 2 bytes of system data
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        size_t offset;
        std::vector<uint8_t> value;
        VYR_ERROR result;
    };
    const auto bytes = [](auto value) {
        std::vector<uint8_t> out(sizeof value);
        std::memcpy(out.data(), &value, sizeof value);
        return out;
    };
    const Case cases[] = {
        {"NaN fraction", kFraction, bytes(nan), VYR_E_READ_ENTRY_FAILED},
        {"infinite fraction", kFraction, bytes(inf), VYR_E_READ_ENTRY_FAILED},
        {"fraction 1", kFraction, bytes(1.0), VYR_E_READ_ENTRY_FAILED},
        {"negative fraction", kFraction, bytes(-0.25), VYR_E_READ_ENTRY_FAILED},
        {"day far ahead", kMjd, bytes(uint32_t{0xFFFFFFFF}), VYR_E_READ_ENTRY_FAILED},
        {"day before the first", kMjd, bytes(uint32_t{44239}), VYR_E_READ_ENTRY_FAILED},
        {"day after the end", kMjd, bytes(uint32_t{86001}), VYR_E_READ_ENTRY_FAILED},
        {"system 0", kSystem, {0}, VYR_E_READ_ENTRY_FAILED},
        {"system 6", kSystem, {6}, VYR_E_READ_ENTRY_FAILED},
        {"type 0", kType, {0}, VYR_E_READ_ENTRY_FAILED},
        {"type 12", kType, {12}, VYR_E_READ_ENTRY_FAILED},
        {"type 255", kType, {255}, VYR_E_READ_ENTRY_FAILED},
        {"reset day", kMjd, bytes(uint32_t{0}), VYR_OK},
        {"carried day", kMjd, bytes(uint32_t{86000}), VYR_OK},
        {"type 11", kType, {11}, VYR_OK},
    };
    const std::vector<uint8_t> sound = encode_epoch(make_epoch({{VYR_SATSYS_GALILEO, 1, 1}}));
    const uint32_t size = static_cast<uint32_t>(sound.size());
    for (const Case& c : cases) {
        std::vector<uint8_t> damaged = sound;
        std::copy(c.value.begin(), c.value.end(), damaged.begin() + c.offset);
        VYR_OBSERVATIONEPOCH back;
        uint32_t consumed = 0;
        EXPECT_EQ(Vyr_DeserializeObsEpoch(damaged.data(), size, back, consumed), c.result)
            << c.what;
        if (c.result == VYR_OK) continue;
        EXPECT_EQ(consumed, 0u) << c.what;
        EXPECT_TRUE(back.satellites.empty()) << c.what;
        EXPECT_EQ(+back.mjd, 0u) << c.what;
        if (c.offset >= kSystem) continue;
        uint32_t mjd = 7, length = 0;
        double fraction = 0.5;
        EXPECT_EQ(Vyr_DeserializeObsEpoch(damaged.data(), size, mjd, fraction, length), c.result)
            << c.what;
        EXPECT_EQ(std::make_tuple(mjd, fraction), std::make_tuple(7u, 0.5)) << c.what;
    }
}

TEST(EpochValidity, TheRuleEveryWriterApplies) {
    struct Case {
        uint32_t mjd;
        double fraction;
        int32_t status;
        bool valid;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {44240, 0.0, 1, true},  {85999, 0.999999, 1, true}, {44239, 0.5, 1, false},
        {86000, 0.0, 1, false}, {60000, 1.0, 1, false},     {60000, -1e-12, 1, false},
        {60000, nan, 1, false}, {60000, 0.5, 0, false},     {60000, 0.5, -1, true},
    };
    for (const Case& c : cases) {
        VYR_OBSERVATIONEPOCH epoch = make_epoch({}, c.mjd, c.fraction);
        epoch.status = c.status;
        EXPECT_EQ(vyr::is_valid_observation_epoch(epoch), c.valid)
            << c.mjd << " " << c.fraction << " " << c.status;
    }
}

}  // namespace
