#include "import/rinex_station_builder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include <vyr/mjd_time.h>
#include <vyr/observation_epoch.h>

namespace vyr_import {

namespace {

// "2018-05-13 00:00:30.000"
std::string epoch_time_text(uint32_t day, double fraction) {
    int year = 0, month = 0, dom = 0, hour = 0, minute = 0;
    double seconds = 0.0;
    MjdToCalendar(day, fraction * mjd::kMillisecondsPerDay, year, month, dom, hour, minute,
                  seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%06.3f", year, month, dom, hour,
                  minute, seconds);
    return text;
}

int year_of(uint32_t day) {
    int year = 0, month = 0, dom = 0, hour = 0, minute = 0;
    double seconds = 0.0;
    MjdToCalendar(day, 0.0, year, month, dom, hour, minute, seconds);
    return year;
}

// Why a station cannot take the epoch after previous (held when hasPrevious); empty when it can.
// A station keeps its epochs in time order, one per time: an epoch it cannot hold would be
// counted here but never read back.
std::string epoch_time_problem(const VYR_OBSERVATIONEPOCH& epoch, bool hasPrevious,
                               const mjd::time& previous, uint32_t previousLine) {
    if (epoch.mjd < vyr::kFirstEpochMjd || epoch.mjd >= vyr::kEndEpochMjd)
        return "epoch " + epoch_time_text(epoch.mjd, epoch.fraction) +
               " is outside the years the project can hold (" +
               std::to_string(year_of(vyr::kFirstEpochMjd)) + "-" +
               std::to_string(year_of(vyr::kEndEpochMjd - 1)) + ")";
    const mjd::time now{epoch.mjd, epoch.fraction * mjd::kMillisecondsPerDay};
    if (hasPrevious && !mjd::CMP_TIME_MILLISECONDS()(previous, now))
        return "epoch " + epoch_time_text(epoch.mjd, epoch.fraction) +
               " is not later than the epoch before it, " +
               epoch_time_text(previous.day, previous.milliseconds / mjd::kMillisecondsPerDay) +
               " (line " + std::to_string(previousLine) + ")";
    return {};
}

}  // namespace

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
    const std::string problem =
        epoch_time_problem(epoch, m_hasPrevious, m_previous, m_previousLine);
    if (!problem.empty()) return fail(VYR_E_FAILED_TO_READ, line, problem);
    m_hasPrevious = true;
    m_previous = {epoch.mjd, epoch.fraction * mjd::kMillisecondsPerDay};
    m_previousLine = line;
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
    m_hasPrevious = false;
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
