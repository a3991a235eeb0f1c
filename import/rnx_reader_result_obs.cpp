#include "import/rnx_reader_result_obs.h"

#include <vyr/mjd_time.h>
#include <vyr/rinex_conversions.h>
#include "gnss/rinex_codes.h"

int CRnxReaderResultObs::keep(VYR_ERROR result) {
    if (VyrFailed(result) && m_sinkResult == VYR_OK) m_sinkResult = result;
    return VyrFailed(result) ? 1 : 0;
}

int CRnxReaderResultObs::OnMarkerName(const char* name) {
    m_builder.set_marker_name(name);
    return 0;
}

int CRnxReaderResultObs::OnReceiver(const char* number, const char* type, const char*) {
    m_builder.set_receiver(number, type);
    return 0;
}

int CRnxReaderResultObs::OnAntenna(const char* number, const char* type) {
    m_builder.set_antenna(number, type);
    return 0;
}

int CRnxReaderResultObs::OnApproxPosition(const RNX_COORD& position) {
    m_builder.set_approx_position(position.x, position.y, position.z, ++m_positions);
    return 0;
}

int CRnxReaderResultObs::OnAntennaDeltaHEN(double height, double east, double north) {
    m_builder.set_antenna_delta(height, east, north);
    return 0;
}

int CRnxReaderResultObs::OnObsTypes(eSATSYS system, char, const std::vector<RNX_OBS_CODE>& codes) {
    if (system < eSATSYS_OTHER || system > eSATSYS_SBAS) return 0;
    for (const RNX_OBS_CODE& code : codes) {
        if (code.kind != vyr_gnss::kRnxKindStrength) continue;
        const VYR_OBSTYPE type = Vyr_Rnx2VyrObsType(system, code);
        if (type > VYR_OBS_NONE && type < 12) m_strength[system][type] = true;
    }
    return 0;
}

int CRnxReaderResultObs::OnEpoch(const RNX_OBS_EPOCH& epoch) {
    Vyr_ConvertToObsEpoch(epoch, m_strength, m_epoch);
    // The reader delivers an epoch once all its satellite lines are read.
    return keep(
        m_builder.add_epoch(m_epoch, epoch.lineNumber, epoch.lineNumber + epoch.recordCount));
}

// Only the event record acts on a new site; the header lines that follow it (announced once
// more by OnHeaderBegin) fill the fresh station.
int CRnxReaderResultObs::OnEventEpoch(const RNX_OBS_EPOCH& epoch) {
    if (epoch.flag == eEPOCHFLAG_START_MOVING) {
        double time = 0.0;
        if (epoch.time.year != 0) {
            uint32_t day = 0;
            double milliseconds = 0.0;
            CalendarToMjd(epoch.time.year, epoch.time.month, epoch.time.day, epoch.time.hour,
                          epoch.time.minute, epoch.time.seconds, day, milliseconds);
            time = day + milliseconds / mjd::kMillisecondsPerDay;
        }
        m_builder.start_moving(time);
    } else if (epoch.flag == eEPOCHFLAG_NEW_SITE) {
        return keep(m_builder.start_new_site());
    }
    return 0;
}

int CRnxReaderResultObs::OnEndOfData() {
    return keep(m_builder.finish());
}
