// CRnxReaderResultObs: the notifications of the RINEX access library for an observation file,
// turned into sites, occupations and epochs.
#pragma once

#include <rinex/rnx_reader.h>

#include "import/rinex_station_builder.h"

class CRnxReaderResultObs final : public IRnxReaderResultObs {
public:
    explicit CRnxReaderResultObs(vyr_import::RinexStationBuilder& builder) : m_builder(builder) {}

    int OnMarkerName(const char* name) override;
    int OnReceiver(const char* number, const char* type, const char* version) override;
    int OnAntenna(const char* number, const char* type) override;
    int OnApproxPosition(const RNX_COORD& position) override;
    int OnAntennaDeltaHEN(double height, double east, double north) override;
    int OnObsTypes(eSATSYS system, char letter, const std::vector<RNX_OBS_CODE>& codes) override;
    int OnEpoch(const RNX_OBS_EPOCH& epoch) override;
    int OnEventEpoch(const RNX_OBS_EPOCH& epoch) override;
    int OnEndOfData() override;

    // The first failure of the sink; the run stops at it.
    VYR_ERROR SinkResult() const { return m_sinkResult; }

private:
    int keep(VYR_ERROR result);

    vyr_import::RinexStationBuilder& m_builder;
    // Whether the file carries a signal-strength observation, by eSATSYS and VYR_OBSTYPE.
    bool m_strength[5][12] = {};
    uint32_t m_positions = 0;
    VYR_OBSERVATIONEPOCH m_epoch;
    VYR_ERROR m_sinkResult = VYR_OK;
};
