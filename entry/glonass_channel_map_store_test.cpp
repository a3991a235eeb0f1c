#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <vyr/glonass_map.h>

namespace {

VYR_GLONASS_FREQUENCYMAP map_filled_with(int16_t channel) {
    VYR_GLONASS_FREQUENCYMAP map;
    std::fill(std::begin(map.channel), std::end(map.channel), channel);
    return map;
}

// The store is process-wide: the test sets the state it starts from.
TEST(GlonassChannelMapStore, KeepsAMapWithAnyChannelSetAndAnEmptyMapClearsIt) {
    CGlonassChannelMapStore* store = CGlonassChannelMapStore::Instance();
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store, CGlonassChannelMapStore::Instance());

    VYR_GLONASS_FREQUENCYMAP map = map_filled_with(VYR_GLONASS_FREQUENCYMAP::kNotSet);
    map.channel[23] = -7;  // slot 24
    store->Set(map);
    VYR_GLONASS_FREQUENCYMAP out = map_filled_with(0);
    ASSERT_TRUE(store->Get(out));
    EXPECT_EQ(out.channel[23], -7);
    EXPECT_EQ(out.channel[0], VYR_GLONASS_FREQUENCYMAP::kNotSet);

    store->Set(map_filled_with(VYR_GLONASS_FREQUENCYMAP::kNotSet));
    out = map_filled_with(5);
    EXPECT_FALSE(store->Get(out));
    EXPECT_EQ(out.channel[0], 5);  // left alone
    EXPECT_EQ(out.channel[23], 5);
}

}  // namespace
