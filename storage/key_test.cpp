#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "storage/create_key.h"
#include "storage/factories.h"
#include "storage/key_text.h"

namespace {

VYR_KEY number32_key(uint32_t number) {
    VYR_KEY key{};
    key.type = VYR_KEY_NUMBER32;
    std::memcpy(key.value, &number, sizeof number);
    return key;
}

VYR_KEY text_key(const char* text) {
    VYR_KEY key{};
    key.type = VYR_KEY_TEXT;
    std::strncpy(reinterpret_cast<char*>(key.value), text, sizeof key.value - 1);
    return key;
}

TEST(KeyText, KeysShowAsHexadecimalOrTextAndNameTheirStorage) {
    VYR_KEY unterminated{};  // a stored text without its terminator is cut at 16 characters
    unterminated.type = VYR_KEY_TEXT;
    std::memset(unterminated.value, 'A', sizeof unterminated.value);
    VYR_KEY unknown{};
    unknown.type = 7;
    using vyr_storage::key_from_number;
    const struct {
        VYR_KEY key;
        uint32_t kind;
        const char* display;
        const char* name;  // "<none>": no entry name
    } cases[] = {
        {number32_key(0x1F), 1, "0x0000001f", "Station1F"},
        {key_from_number(1), 1, "0x0000000000000001", "Station1"},
        {key_from_number(0xABCDEF12), 3, "0x00000000abcdef12", "StationAssocABCDEF12"},
        {key_from_number(0xFEDCBA9876543210ull), 5, "0xfedcba9876543210",
         "IonoCompAssocFEDCBA9876543210"},
        {key_from_number(5), 2, "0x0000000000000005", "<none>"},  // the kind takes no key
        {text_key("BASE"), 1, "BASE", "StationBASE"},
        {text_key(""), 1, "", "<none>"},
        {unterminated, 1, "AAAAAAAAAAAAAAAA", "StationAAAAAAAAAAAAAAAA"},
        {VYR_KEY{}, 1, "invalid key type", "<none>"},
        {unknown, 1, "unknown key type", "<none>"},
    };
    for (const auto& c : cases) {
        std::string text = "stale";
        VyrRecordToString(c.key, text);
        EXPECT_EQ(text, c.display);
        char name[273];
        EXPECT_STREQ(CFactoryStorage::MakeName(c.kind, c.key, name, sizeof name) ? name : "<none>",
                     c.name)
            << c.display;
    }
    char tiny[4];
    EXPECT_FALSE(CFactoryStorage::MakeName(1, key_from_number(5), tiny, sizeof tiny));
}

TEST(CreateKey, NewIdentifiersAndKeysAreUniqueAndRemembered) {
    CCreateKey keys;
    std::vector<uint32_t> stored_ids;
    std::vector<uint64_t> stored_keys{1};
    keys.GetIds(stored_ids);
    keys.GetKeys(stored_keys);
    EXPECT_EQ(stored_ids, std::vector<uint32_t>{0xFFFFFFFFu});  // reserved from the start
    EXPECT_TRUE(stored_keys.empty());

    std::set<uint32_t> ids;
    std::set<uint64_t> numbers;
    for (int i = 0; i < 2000; ++i) {
        const uint32_t id = keys.NewId();
        EXPECT_NE(id, 0xFFFFFFFFu);
        EXPECT_TRUE(ids.insert(id).second);
        VYR_KEY key{};
        keys.NewKey(key);
        EXPECT_EQ(key.type, VYR_KEY_NUMBER64);
        EXPECT_EQ(std::count(key.value + 8, key.value + 17, 0), 9);
        EXPECT_TRUE(numbers.insert(vyr_storage::key_number(key)).second);
    }
    keys.GetIds(stored_ids);
    keys.GetKeys(stored_keys);
    EXPECT_EQ(stored_ids.size(), 2001u);
    EXPECT_TRUE(std::is_sorted(stored_keys.begin(), stored_keys.end()));
    EXPECT_EQ(std::set<uint64_t>(stored_keys.begin(), stored_keys.end()), numbers);
}

TEST(CreateKey, RegisteredValuesAreNeverHandedOutAgain) {
    CCreateKey keys;
    std::srand(12345);
    const uint32_t first = keys.NewId();
    CCreateKey replay;
    replay.RegisterIds({first});
    std::srand(12345);
    EXPECT_NE(replay.NewId(), first);
}

VYR_STATION_ASSOC sample_assoc() {
    VYR_STATION_ASSOC assoc;
    assoc.first = 2;
    assoc.rover.value = 1;
    assoc.rover.station.type = VYR_KEY_NUMBER64;
    assoc.rover.station.value[0] = 0x42;
    assoc.rover.index = -1;
    VYR_ASSOC_STATION linked{};
    linked.station = {};
    linked.station.type = VYR_KEY_TEXT;
    std::strcpy(reinterpret_cast<char*>(linked.station.value), "REF1");
    assoc.linkedStations.stations = {linked, linked};
    assoc.ionoComputedAssocKey.type = VYR_KEY_NUMBER32;
    assoc.ionoComputedAssocKey.value[0] = 9;
    return assoc;
}

TEST(CreateKey, AnAssociationAlwaysGetsTheSameKeyWhateverItsFlags) {
    CCreateKey keys;
    VYR_STATION_ASSOC assoc = sample_assoc();
    VYR_KEY first{}, second{}, flagged{};
    keys.KeyFromStationAssoc(assoc, first);
    keys.KeyFromStationAssoc(assoc, second);
    assoc.flags = VYR_STATION_ASSOC::kWithoutResultsCopy;
    keys.KeyFromStationAssoc(assoc, flagged);
    EXPECT_EQ(first.type, VYR_KEY_NUMBER64);
    EXPECT_EQ(std::memcmp(&first, &second, sizeof first), 0);
    EXPECT_EQ(std::memcmp(&first, &flagged, sizeof first), 0);

    assoc.linkedStations.stations.pop_back();
    VYR_KEY fewer{};
    keys.KeyFromStationAssoc(assoc, fewer);
    EXPECT_NE(vyr_storage::key_number(fewer), vyr_storage::key_number(first));

    std::vector<uint64_t> used;
    keys.GetKeys(used);
    EXPECT_EQ(used.size(), 2u);  // derived keys count as used
}

TEST(CreateKey, DerivedKeysFollowTheCrcChain) {
    // The low half of an association key is the CRC-32 of the first value and the rover entry;
    // with all-zero content it is the CRC-32 of 33 zero bytes.
    CCreateKey keys;
    VYR_STATION_ASSOC empty;
    VYR_KEY key{};
    keys.KeyFromStationAssoc(empty, key);
    EXPECT_EQ(static_cast<uint32_t>(vyr_storage::key_number(key)), 0x7A7C3A8Du);

    VYR_IONO_COMPUTED_ASSOC none;
    keys.KeyFromIonoCompAssoc(none, key);
    EXPECT_EQ(vyr_storage::key_number(key), 0u);
    VYR_IONO_COMPUTED_ASSOC three;
    three.stations.resize(3);
    keys.KeyFromIonoCompAssoc(three, key);
    EXPECT_EQ(static_cast<uint32_t>(vyr_storage::key_number(key)), 3u);  // low half: the count
}

}  // namespace
