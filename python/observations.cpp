// station.observations(): a station's epochs through the library's filter, one row per signal,
// written in C++ straight into the rows numpy is handed (no Python object per value).
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "columns.h"
#include "errors.h"
#include "handles.h"

namespace py = pybind11;

namespace vyr_py {
namespace {

struct ObsRow {
    int64_t time;  // datetime64[ms]
    SatelliteText sat;
    uint8_t type;
    double code;  // NaN when not observed
    double phase;
    double doppler;
    uint16_t quality;
    uint16_t flags;
};

const py::dtype& obs_dtype() {
    static const py::dtype& dtype = row_dtype({{"time", "M8[ms]", offsetof(ObsRow, time)},
                                               {"sat", "U3", offsetof(ObsRow, sat)},
                                               {"type", "u1", offsetof(ObsRow, type)},
                                               {"code", "f8", offsetof(ObsRow, code)},
                                               {"phase", "f8", offsetof(ObsRow, phase)},
                                               {"doppler", "f8", offsetof(ObsRow, doppler)},
                                               {"quality", "u2", offsetof(ObsRow, quality)},
                                               {"flags", "u2", offsetof(ObsRow, flags)}},
                                              sizeof(ObsRow));
    return dtype;
}

void append_rows(const VYR_OBSERVATIONEPOCH& epoch, std::vector<ObsRow>& rows) {
    constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
    ObsRow row{};
    row.time = unix_ms(epoch.mjd, epoch.fraction);
    for (const VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
        satellite_text(sv.satId, row.sat);
        for (const VYR_OBSERVATIONEPOCH_SIGNAL& s : sv.observations) {
            const uint16_t flags = s.flags;
            row.type = static_cast<uint8_t>(s.obsType);
            row.code = flags & VYR_OBSERVATIONEPOCH_SIGNAL::kCodeValid ? s.code : kMissing;
            row.phase = flags & VYR_OBSERVATIONEPOCH_SIGNAL::kPhaseValid ? s.phase : kMissing;
            row.doppler = flags & VYR_OBSERVATIONEPOCH_SIGNAL::kDopplerValid ? s.doppler : kMissing;
            row.quality = s.quality;
            row.flags = flags;
            rows.push_back(row);
        }
    }
}

// About as many rows as the station holds signals, from its statistics, so that the rows are
// not moved as they grow: a day of 30-second data is some 250 000 of them. Bounded, so that
// damaged statistics cannot ask for a huge block; the vector grows past it when it must.
size_t expected_rows(IVyrStationEx& station) {
    constexpr uint64_t kMostReserved = uint64_t{1} << 21;
    vyr::ObservationStatistics statistics;
    if (station.GetObservationStatistics(statistics) != VYR_OK) return 0;
    uint64_t signals = 0;
    for (const auto& [system, s] : statistics)
        for (int slot = 0; slot < vyr::kStatisticsSignalSlots; ++slot)
            signals += std::max({s.phaseCount[slot], s.codeCount[slot], s.dopplerCount[slot]});
    return static_cast<size_t>(std::min(signals, kMostReserved));
}

// The systems exclude_systems names: letters in a text ("RE") or an iterable of them.
void exclude(VYR_OBSERVATION_FILTER& filter, const py::handle& systems) {
    std::string letters;
    if (py::isinstance<py::str>(systems)) {
        letters = systems.cast<std::string>();
    } else {
        for (const py::handle& item : systems) letters += item.cast<std::string>();
    }
    for (const char letter : letters) {
        switch (vyr::system_from_letter(letter)) {
            case VYR_SATSYS_GPS:
                filter.excludeGps = 1;
                break;
            case VYR_SATSYS_GLONASS:
                filter.excludeGlonass = 1;
                break;
            case VYR_SATSYS_GALILEO:
                filter.excludeGalileo = 1;
                break;
            case VYR_SATSYS_SBAS:
                filter.excludeSbas = 1;
                break;
            default:
                throw py::value_error(std::string("exclude_systems: not a system: '") + letter +
                                      "' (one of G, R, E, S)");
        }
    }
}

VYR_OBSERVATION_FILTER filter_of(const py::object& start, const py::object& end,
                                 const py::object& interval, const py::object& exclude_systems,
                                 bool windows, bool repair) {
    VYR_OBSERVATION_FILTER filter;
    if (!start.is_none() || !end.is_none()) {
        // The library takes a span only when both ends are set.
        filter.startTime = start.is_none() ? 1.0 : mjd_of(start);
        filter.endTime = end.is_none() ? 1e9 : mjd_of(end);
        // The iterator ignores a span that ends before it starts: every epoch would come out.
        if (filter.endTime < filter.startTime)
            throw py::value_error("end " + std::string(py::str(end)) + " lies before start " +
                                  std::string(py::str(start)));
    }
    if (!interval.is_none()) {
        const double seconds = interval.cast<double>();
        if (!(seconds >= 0 && seconds <= 86400))
            throw py::value_error("interval: seconds from 0 to 86400, not " +
                                  std::string(py::str(interval)));
        filter.samplingInterval = static_cast<int32_t>(std::llround(seconds * 1000.0));
    }
    exclude(filter, exclude_systems);
    filter.applyWindows = filter.applySatelliteWindows = windows ? 1 : 0;
    const uint8_t jumps = repair ? 1 : 0;
    filter.clockJumpGps = filter.clockJumpGlonass = filter.clockJumpGalileo = jumps;
    return filter;
}

py::array observations(const Station& station, const py::object& start, const py::object& end,
                       const py::object& interval, const py::object& exclude_systems, bool windows,
                       bool repair) {
    const VYR_OBSERVATION_FILTER filter =
        filter_of(start, end, interval, exclude_systems, windows, repair);
    Session session = station.state->use();
    CVyrIPtrSmart<IVyrStationEx> opened = open_station(session, station);
    CVyrIPtrSmart<IVyrObservations> iterator;
    check(opened->GetObservations(iterator), session.path + ": station " + station.name);
    std::vector<ObsRow> rows;
    VYR_ERROR result;
    {
        py::gil_scoped_release unlocked;
        rows.reserve(expected_rows(*opened));
        VYR_OBSERVATIONEPOCH epoch;
        result = iterator->StartAndGetFirst(epoch, &filter, false, 0);
        for (; result == VYR_OK; result = iterator->GetNext(epoch, false)) append_rows(epoch, rows);
    }
    if (result != VYR_E_ITERATOR_AT_END)
        check(result, session.path + ": station " + station.name + ": observations");
    return hand_over(std::move(rows), obs_dtype());
}

}  // namespace

void add_observations(py::class_<Station>& station) {
    station.def("observations", &observations, py::arg("start") = py::none(),
                py::arg("end") = py::none(), py::arg("interval") = py::none(),
                py::arg("exclude_systems") = py::tuple(), py::arg("windows") = false,
                py::arg("repair_clock_jumps") = false,
                R"(The station's observations, one row per signal, as a numpy structured array:
time (datetime64[ms]), sat ("G05"), type, code (metres), phase (cycles), doppler (Hz), quality
(0.05 dB-Hz), flags (as `vyr obs` prints them); NaN for a value not observed.

start, end: the span kept, both ends included (anything numpy.datetime64 takes).
interval: seconds between the epochs kept. exclude_systems: letters of G, R, E, S.
windows: leave out the exclusion windows. repair_clock_jumps: repair millisecond jumps.)");
}

}  // namespace vyr_py
