#include <algorithm>
#include <iterator>
#include <new>

#include <vyr/glonass_map.h>

CGlonassChannelMapStore::CGlonassChannelMapStore() {
    std::fill(std::begin(m_map.channel), std::end(m_map.channel),
              VYR_GLONASS_FREQUENCYMAP::kNotSet);
}

CGlonassChannelMapStore* CGlonassChannelMapStore::Instance() {
    // Made once and never freed: projects opened late in the process still find it.
    static CGlonassChannelMapStore* const store = new (std::nothrow) CGlonassChannelMapStore();
    return store;
}

void CGlonassChannelMapStore::Set(const VYR_GLONASS_FREQUENCYMAP& map) {
    m_map = map;
    const bool any_set = std::any_of(std::begin(map.channel), std::end(map.channel), [](int16_t c) {
        return c != VYR_GLONASS_FREQUENCYMAP::kNotSet;
    });
    m_valid = any_set ? 1 : 0;
}

bool CGlonassChannelMapStore::Get(VYR_GLONASS_FREQUENCYMAP& map) const {
    if (m_valid == 0) return false;
    map = m_map;
    return true;
}
