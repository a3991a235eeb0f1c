// CVyrCollectionResidualLinearCombination: two residual streams aligned by epoch and combined
// satellite by satellite.
#include <array>
#include <cmath>
#include <map>
#include <new>
#include <utility>

#include "records/result_collections.h"
#include "records/time_key.h"

namespace {

// Which systems a residual type is observed on.
bool type_suits_system(VYR_RESIDUAL_TYPE type, VYR_SATELLITE_SYSTEM system) {
    switch (type) {
        case VYR_RESIDUAL_L1_CODE:
        case VYR_RESIDUAL_L1_PHASE:
            return true;
        case VYR_RESIDUAL_L2_CODE:
        case VYR_RESIDUAL_L2_PHASE:
            return system == VYR_SATSYS_GPS || system == VYR_SATSYS_GLONASS;
        case VYR_RESIDUAL_L5_CODE:
        case VYR_RESIDUAL_E5B_CODE:
        case VYR_RESIDUAL_E5AB_CODE:
        case VYR_RESIDUAL_E6_CODE:
        case VYR_RESIDUAL_L5_PHASE:
        case VYR_RESIDUAL_E5B_PHASE:
        case VYR_RESIDUAL_E5AB_PHASE:
        case VYR_RESIDUAL_E6_PHASE:
            return system == VYR_SATSYS_GALILEO;
        default:
            return false;
    }
}

// Source numbers by epoch: times less than 1 ms apart are one epoch.
using CMultiMapTimeIndex = std::multimap<mjd::time, size_t, mjd::CMP_TIME_MILLISECONDS>;

}  // namespace

CVyrCollectionResidualLinearCombination::CVyrCollectionResidualLinearCombination(
    const CVyrPtrSmart<CStg>& resultStorage, int32_t kind,
    const std::vector<VYR_RESIDUAL_TYPE>& types, uint32_t version,
    const VYR_GLONASS_FREQUENCYMAP* glonassMap)
    : m_kind(kind), m_types(types) {
    for (VYR_RESIDUAL_TYPE type : types) {
        std::unique_ptr<CVyrCollectionResidual, SourceDeleter> source(
            new (std::nothrow) CVyrCollectionResidual(resultStorage, version, type));
        VYR_ERROR opened = source ? source->OpenResult() : VYR_E_INVALID_INTERFACE;
        if (opened != VYR_OK) {
            if (m_status == VYR_OK) m_status = opened;
            continue;
        }
        m_sources.push_back(std::move(source));
    }
    m_current.resize(m_sources.size());
    m_index.resize(m_sources.size());
    if (glonassMap != nullptr) m_frequencies.setGlonassFrequencyMap(*glonassMap);
    if (m_kind == VYR_RESIDUAL_COMBINATION_IONO_FREE && m_types.size() == 2)
        ComputeIonoFreeCoefficients(glonassMap != nullptr);
}

CVyrCollectionResidualLinearCombination::~CVyrCollectionResidualLinearCombination() = default;

// A system whose two frequencies are unknown (0) or equal (both types on one band) gets no
// coefficients: the denominator would be 0 and every combined value Inf or NaN.
void CVyrCollectionResidualLinearCombination::ComputeIonoFreeCoefficients(bool haveGlonassMap) {
    const VYR_RESIDUAL_TYPE t1 = m_types[0];
    const VYR_RESIDUAL_TYPE t2 = m_types[1];
    for (int s = VYR_SATSYS_GPS; s <= VYR_SATSYS_SBAS; ++s) {
        const auto system = static_cast<VYR_SATELLITE_SYSTEM>(s);
        if (system == VYR_SATSYS_GLONASS && !haveGlonassMap) continue;
        if (!type_suits_system(t1, system) || !type_suits_system(t2, system)) continue;
        const VYR_SATID first{system, 1};
        const double f1 =
            m_frequencies.getFrequencyValue(first, vyr_records::residual_type_band(t1));
        const double f2 =
            m_frequencies.getFrequencyValue(first, vyr_records::residual_type_band(t2));
        const double denominator = f1 * f1 - f2 * f2;
        if (!(f1 > 0.0) || !(f2 > 0.0) || denominator == 0.0 || !std::isfinite(denominator))
            continue;
        m_coefficients[s] = {true, f1 * f1 / denominator, -f2 * f2 / denominator};
    }
}

bool CVyrCollectionResidualLinearCombination::Coefficients(VYR_SATELLITE_SYSTEM system, double& c1,
                                                           double& c2) const {
    if (system < 0 || system >= kSystems || !m_coefficients[system].valid) return false;
    c1 = m_coefficients[system].c1;
    c2 = m_coefficients[system].c2;
    return true;
}

VYR_ERROR CVyrCollectionResidualLinearCombination::Combine(VYR_RESIDUAL& record) const {
    if (m_current.size() != 2) return VYR_E_NO_MATCH;
    const VYR_RESIDUAL& r1 = m_current[0];
    const VYR_RESIDUAL& r2 = m_current[1];
    record.time = r1.time;
    record.residuals.clear();
    record.residuals.reserve(r1.residuals.size());
    // Where the first entry of each satellite of R2 stands, by compact number; satellites
    // without one are searched for.
    std::array<int32_t, vyr::kCompactSatelliteMax + 1> inR2;
    inR2.fill(-1);
    for (size_t i = 0; i < r2.residuals.size(); ++i) {
        const uint8_t n = vyr::compact_satellite_number(r2.residuals[i].sat);
        if (n != 0 && inR2[n] < 0) inR2[n] = static_cast<int32_t>(i);
    }
    for (const VYR_RESIDUAL_SV& e1 : r1.residuals) {
        const VYR_RESIDUAL_SV* e2 = nullptr;
        if (const uint8_t n = vyr::compact_satellite_number(e1.sat); n != 0) {
            if (inR2[n] >= 0) e2 = &r2.residuals[inR2[n]];
        } else {
            for (const VYR_RESIDUAL_SV& candidate : r2.residuals) {
                if (candidate.sat == e1.sat) {
                    e2 = &candidate;
                    break;
                }
            }
        }
        if (e2 == nullptr) continue;
        double value = 0.0;
        if (m_kind == VYR_RESIDUAL_COMBINATION_IONO_FREE) {
            double c1 = 0.0, c2 = 0.0;
            if (!Coefficients(e1.sat.system, c1, c2)) continue;
            value = c1 * e1.residual + c2 * e2->residual;
        } else if (m_kind == VYR_RESIDUAL_COMBINATION_DIFFERENCE) {
            value = e1.residual - e2->residual;
        } else {
            continue;
        }
        record.residuals.push_back(VYR_RESIDUAL_SV{e1.sat, value});
    }
    return VYR_OK;
}

VYR_ERROR CVyrCollectionResidualLinearCombination::Advance(size_t source, Step step) {
    CVyrCollectionResidual& collection = *m_sources[source];
    switch (step) {
        case Step::First:
            return collection.GetFirst(m_current[source]);
        case Step::Next:
            return collection.GetNext(m_current[source]);
        case Step::At:
            return collection.GetAt(m_index[source], m_current[source]);
    }
    return VYR_E_INVALID_PARAMETER;
}

VYR_ERROR CVyrCollectionResidualLinearCombination::Align(Step step, uint32_t index,
                                                         VYR_RESIDUAL& record) {
    if (m_status != VYR_OK) return m_status;
    if (m_sources.empty()) return VYR_E_NO_MATCH;
    for (size_t source = 0; source < m_sources.size(); ++source) {
        m_index[source] = index;
        const VYR_ERROR result = Advance(source, step);
        if (result != VYR_OK) return result;
    }
    // Rebuilt at every call: the sources' positions are all the state kept between calls.
    const mjd::CMP_TIME_MILLISECONDS less(3);
    CMultiMapTimeIndex timeIndex(less);
    for (size_t source = 0; source < m_sources.size(); ++source)
        timeIndex.emplace(vyr_records::to_mjd_time(m_current[source].time), source);
    const Step advance = step == Step::At ? Step::At : Step::Next;
    for (;;) {
        const auto earliest = timeIndex.begin();
        if (timeIndex.count(earliest->first) == m_sources.size()) return Combine(record);
        const size_t source = earliest->second;
        timeIndex.erase(earliest);
        if (advance == Step::At) {
            if (m_index[source] == UINT32_MAX) return VYR_E_NO_MORE_ENTRIES;
            ++m_index[source];
        }
        const VYR_ERROR result = Advance(source, advance);
        if (result != VYR_OK) return result;
        timeIndex.emplace(vyr_records::to_mjd_time(m_current[source].time), source);
    }
}

VYR_ERROR CVyrCollectionResidualLinearCombination::GetFirst(VYR_RESIDUAL& record) {
    return Align(Step::First, 0, record);
}

VYR_ERROR CVyrCollectionResidualLinearCombination::GetNext(VYR_RESIDUAL& record) {
    return Align(Step::Next, 0, record);
}

VYR_ERROR CVyrCollectionResidualLinearCombination::GetAt(uint32_t index, VYR_RESIDUAL& record) {
    return Align(Step::At, index, record);
}

// A failure other than the end of a source is reported, not taken for the end: the combined
// residuals before it stay in the vector.
VYR_ERROR CVyrCollectionResidualLinearCombination::GetAll(std::vector<VYR_RESIDUAL>& records) {
    records.clear();
    VYR_RESIDUAL record;
    VYR_ERROR result = GetFirst(record);
    while (result == VYR_OK) {
        records.push_back(std::move(record));
        result = GetNext(record);
    }
    if (result != VYR_E_NO_MORE_ENTRIES) return result;
    return records.empty() ? VYR_E_NO_MORE_ENTRIES : VYR_OK;
}

VYR_ERROR CVyrCollectionResidualLinearCombination::GetCount(uint32_t& /*count*/) {
    return VYR_E_NOT_IMPLEMENTED;
}
VYR_ERROR CVyrCollectionResidualLinearCombination::Add(const VYR_RESIDUAL& /*record*/) {
    return VYR_E_NOT_IMPLEMENTED;
}
VYR_ERROR CVyrCollectionResidualLinearCombination::Delete(const VYR_RESIDUAL& /*record*/) {
    return VYR_E_NOT_IMPLEMENTED;
}
VYR_ERROR CVyrCollectionResidualLinearCombination::DeleteAll() {
    return VYR_E_NOT_IMPLEMENTED;
}
