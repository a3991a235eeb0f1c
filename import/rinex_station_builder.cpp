#include "import/rinex_station_builder.h"

#include <algorithm>
#include <cstring>

#include <vyr/mjd_time.h>

namespace vyr_import {

void copy_text_field(char* field, size_t size, const char* text, size_t length) {
    if (size == 0) return;
    size_t n = text == nullptr ? 0 : std::min(length, size - 1);
    while (n > 0 && text[n - 1] == ' ') --n;
    if (n > 0) std::memcpy(field, text, n);
    std::memset(field + n, 0, size - n);
}

void RinexStationBuilder::set_receiver(const char* number, const char* type) {
    copy_text_field(m_station.receiverNumber, number);
    copy_text_field(m_station.receiverType, type);
    long id = 0;
    GetReceiverTypeFromIGS(m_station.receiverType, id);
    m_station.receiverTypeId = static_cast<int32_t>(id);
}

void RinexStationBuilder::set_antenna(const char* number, const char* type) {
    copy_text_field(m_station.antennaNumber, number);
    copy_text_field(m_station.antennaType, type);
}

void RinexStationBuilder::set_antenna_delta(double height, double east, double north) {
    m_station.antennaEast = m_station.antennaEast2 = static_cast<float>(east);
    m_station.antennaNorth = m_station.antennaNorth2 = static_cast<float>(north);
    m_occupation.antennaHeight = height;
}

void RinexStationBuilder::set_approx_position(double x, double y, double z, uint32_t pointIndex) {
    m_station.aprioriX = x;
    m_station.aprioriY = y;
    m_station.aprioriZ = z;
    m_station.aprioriValid = 1;
    m_station.aprioriPointIndex = pointIndex;
    if (m_siteEventPending) m_positionSinceEvent = true;
}

void RinexStationBuilder::set_marker_name(const char* name) {
    copy_text_field(m_occupation.markerName, name);
}

VYR_ERROR RinexStationBuilder::add_epoch(VYR_OBSERVATIONEPOCH& epoch, uint32_t line,
                                         uint32_t endLine) {
    if (m_siteEventPending) {
        const VYR_ERROR settled = settle_new_site();
        if (VyrFailed(settled)) return settled;
    }
    epoch.occupation = m_mode == VYR_OCCUPATION::MODE_STATIC
                           ? VYR_OBSERVATIONEPOCH::OCCUPATION_STATIC
                           : VYR_OBSERVATIONEPOCH::OCCUPATION_KINEMATIC;
    m_latestEpoch = epoch.mjd + epoch.fraction;
    if (m_occupationEpochs == 0) {
        if (m_occupation.start == 0.0) m_occupation.start = m_latestEpoch;
        m_occupation.mode = m_mode;
    }
    ++m_occupationEpochs;
    ++m_stationEpochs;
    const VYR_ERROR result = m_sink.OnEpoch(m_station, m_occupation, epoch, line);
    if (VyrSucceeded(result)) {
        ++m_fileEpochs;
        m_lastEpochEnd = std::max(line, endLine);
    }
    return result;
}

// An occupation in which no epoch was read is no interval and is dropped.
void RinexStationBuilder::close_occupation() {
    if (m_occupationEpochs > 0) {
        m_occupation.end = m_latestEpoch;
        m_station.occupations.push_back(m_occupation);
    }
    VYR_OCCUPATION next{};
    std::memcpy(next.markerName, m_occupation.markerName, sizeof next.markerName);
    next.antennaHeight = m_occupation.antennaHeight;
    next.start = m_latestEpoch;
    next.mode = m_mode;
    m_occupation = next;
    m_occupationEpochs = 0;
}

void RinexStationBuilder::start_moving(double eventTime) {
    m_mode = VYR_OCCUPATION::MODE_KINEMATIC;
    close_occupation();
    if (eventTime > 0.0) m_latestEpoch = m_occupation.start = eventTime;
}

void RinexStationBuilder::start_static_occupation() {
    m_mode = VYR_OCCUPATION::MODE_STATIC;
    close_occupation();
}

// A site without epochs is not handed on: it would become an empty station.
VYR_ERROR RinexStationBuilder::hand_on_station() {
    close_occupation();
    VYR_ERROR result = VYR_OK;
    if (m_stationEpochs > 0) result = m_sink.OnStation(m_station);
    m_station.occupations.clear();
    m_stationEpochs = 0;
    return result;
}

VYR_ERROR RinexStationBuilder::start_new_site() {
    if (m_siteEventPending) {
        // Two events without an epoch between them: the first one's site had no epoch.
        const VYR_ERROR settled = settle_new_site();
        if (VyrFailed(settled)) return settled;
    }
    m_mode = VYR_OCCUPATION::MODE_STATIC;
    close_occupation();
    m_siteEventPending = true;
    m_positionSinceEvent = false;
    m_stationAtEvent = m_station;
    std::memcpy(m_markerAtEvent, m_occupation.markerName, sizeof m_markerAtEvent);
    std::memset(m_occupation.markerName, 0, sizeof m_occupation.markerName);
    return VYR_OK;
}

VYR_ERROR RinexStationBuilder::settle_new_site() {
    m_siteEventPending = false;
    const bool named = m_occupation.markerName[0] != '\0';
    if (!named ||
        std::strncmp(m_occupation.markerName, m_markerAtEvent, sizeof m_markerAtEvent) == 0) {
        std::memcpy(m_occupation.markerName, m_markerAtEvent, sizeof m_markerAtEvent);
        return VYR_OK;  // a new occupation of the same site
    }
    // The header lines after the event described the new site: the old one is handed on as it
    // was at the event.
    const VYR_STATION_RINEX described = std::move(m_station);
    m_station = std::move(m_stationAtEvent);
    const VYR_ERROR result = hand_on_station();
    VYR_STATION_RINEX fresh;
    std::memcpy(fresh.antennaType, described.antennaType, sizeof fresh.antennaType);
    std::memcpy(fresh.antennaNumber, described.antennaNumber, sizeof fresh.antennaNumber);
    fresh.antennaEast = fresh.antennaEast2 = described.antennaEast;
    fresh.antennaNorth = fresh.antennaNorth2 = described.antennaNorth;
    fresh.receiverTypeId = described.receiverTypeId;
    std::memcpy(fresh.receiverType, described.receiverType, sizeof fresh.receiverType);
    std::memcpy(fresh.receiverNumber, described.receiverNumber, sizeof fresh.receiverNumber);
    if (m_positionSinceEvent) {
        fresh.aprioriX = described.aprioriX;
        fresh.aprioriY = described.aprioriY;
        fresh.aprioriZ = described.aprioriZ;
        fresh.aprioriValid = described.aprioriValid;
        fresh.aprioriPointIndex = described.aprioriPointIndex;
    }
    m_station = std::move(fresh);
    return result;
}

VYR_ERROR RinexStationBuilder::finish() {
    // A new site without an epoch is no station; the one before keeps what it had.
    if (m_siteEventPending && m_occupation.markerName[0] != '\0' &&
        std::strncmp(m_occupation.markerName, m_markerAtEvent, sizeof m_markerAtEvent) != 0)
        m_station = std::move(m_stationAtEvent);
    m_siteEventPending = false;
    return hand_on_station();
}

VYR_ERROR RinexStationBuilder::fail(VYR_ERROR code, uint32_t line, const std::string& problem) {
    if (!m_failed) m_sink.OnFailure(line, problem.c_str());
    m_failed = true;
    return code;
}

VYR_ERROR RinexStationBuilder::cut(VYR_ERROR code, uint32_t line, const std::string& problem) {
    m_sink.OnCut(m_lastEpochEnd, m_fileEpochs, problem.c_str());
    if (!m_salvageCut) return fail(code, line, problem);
    return finish();
}

}  // namespace vyr_import
