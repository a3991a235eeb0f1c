#include "records/point_collections.h"

#include <cmath>

#include "records/time_key.h"

namespace vyr_records {

double round_to_10_ms(double time) {
    mjd::time split = to_mjd_time(time);
    double milliseconds = std::floor(split.milliseconds / 10.0 + 0.5) * 10.0;
    int64_t day = static_cast<int32_t>(split.day);
    if (milliseconds >= mjd::kMillisecondsPerDay) {
        day += 1;
        milliseconds -= mjd::kMillisecondsPerDay;
    }
    return static_cast<double>(day) + milliseconds / mjd::kMillisecondsPerDay;
}

}  // namespace vyr_records

VYR_ERROR CVyrCollectionPointDesc::GetById(uint32_t id, VYR_POINT_DESC& record) {
    if (LoadIfNeeded() != VYR_OK) return VYR_E_CACHE_CONTAINER;
    if (!m_cacheEnabled) return VYR_E_NOT_IMPLEMENTED;
    VYR_POINT_DESC candidate{};
    for (bool more = m_cache.First(candidate); more; more = m_cache.Next(candidate)) {
        if (candidate.id == id) {
            record = candidate;
            return VYR_OK;
        }
    }
    return VYR_E_ENTRY_NOT_FOUND;
}

VYR_ERROR CVyrCollectionPointDesc::AddPointDesc(const VYR_POINT_DESCRIPTION& description,
                                                VYR_POINT_DESC& record) {
    if (description.type == 0) return VYR_E_INVALID_PARAMETER;
    if (!m_stream.Storage().IsValid() || !m_keys.IsValid()) return VYR_E_INVALID_INTERFACE;
    record.id = 0;
    record.description = description;
    if (description.type == 1 || description.type == 2) {
        record.description.start = vyr_records::round_to_10_ms(description.start);
        record.description.detail.end = vyr_records::round_to_10_ms(description.detail.end);
    }
    // A key stored already hands back the stored description: its id is the one that points
    // and results may be numbered by, not a new one nothing holds.
    const VYR_ERROR loaded = LoadIfNeeded();
    if (loaded != VYR_OK) return loaded;
    if (m_cacheEnabled && m_cache.Find(record)) return VYR_OK;
    record.id = m_keys->NewId();
    return CVyrCollectionPointDescBase::Add(record);
}
