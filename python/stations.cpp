// project.stations and the station object: receiver, antenna, epochs, first and last epoch,
// systems, exclusion windows and the RINEX export.
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "columns.h"
#include "errors.h"
#include "handles.h"

namespace py = pybind11;

namespace vyr_py {
namespace {

// A zero-terminated text field of a record, bounded by its size.
std::string text_field(const char* field, size_t size) {
    return std::string(field, strnlen(field, size));
}

// A project that never had a station or an association has no list of them.
template <class Collection>
CVyrIPtrSmart<Collection> list_of(Session& session,
                                  VYR_ERROR (IVyrStorageEx::*get)(CVyrIPtrSmart<Collection>&)) {
    CVyrIPtrSmart<Collection> list;
    const VYR_ERROR result = ((*session.project).*get)(list);
    if (result != VYR_E_ENTRY_NOT_FOUND) check(result, session.path);
    return list;
}

template <class Key, class Collection>
std::vector<Key> keys_of(Session& session, CVyrIPtrSmart<Collection>& list) {
    std::vector<Key> keys;
    if (list.IsValid()) check(list->GetAll(keys), session.path);
    return keys;
}

template <class Key>
std::string key_text(const Key& key) {
    std::string text;
    VyrRecordToString(key, text);
    return text;
}

// The statistics per system; none for a station that never had epochs.
vyr::ObservationStatistics statistics_of(const Station& station) {
    Session session = station.state->use();
    CVyrIPtrSmart<IVyrStationEx> opened = open_station(session, station);
    vyr::ObservationStatistics statistics;
    const VYR_ERROR got = opened->GetObservationStatistics(statistics);
    // Resetting a station's observations leaves an entry that does not read: no epochs.
    if (got == VYR_E_ENTRY_NOT_FOUND || got == VYR_E_READ_ENTRY_FAILED) {
        CVyrIPtrSmart<IVyrObservations> observations;
        check(opened->GetObservations(observations), session.path);
        VYR_OBSERVATIONEPOCH epoch;
        const VYR_ERROR first = observations->StartAndGetFirst(epoch, nullptr, false, 0);
        if (first == VYR_E_ITERATOR_AT_END) return {};
        check(first == VYR_OK ? got : first, session.path + ": station " + station.name);
    }
    check(got, session.path + ": station " + station.name);
    return statistics;
}

py::object first_or_last(const Station& station, bool last) {
    const vyr::ObservationStatistics statistics = statistics_of(station);
    if (statistics.empty() || statistics.begin()->second.firstMjd == 0) return py::none();
    const VYR_OBSERVATION_STAT& s = statistics.begin()->second;
    return datetime64(last ? unix_ms(s.lastMjd, s.lastFraction)
                           : unix_ms(s.firstMjd, s.firstFraction));
}

struct WindowRow {
    SatelliteText sat;  // empty for a window of the whole station
    int64_t start;
    int64_t end;
};

py::array windows_of(const Station& station) {
    Session session = station.state->use();
    CVyrIPtrSmart<IVyrStationEx> opened = open_station(session, station);
    const std::string what = session.path + ": station " + station.name + ": a window";
    VYR_WINDOWS windows;
    auto sv = std::make_unique<VYR_SV_WINDOWS>();
    VYR_ERROR got = opened->GetWindows(windows);
    if (got != VYR_E_ENTRY_NOT_FOUND) check(got, session.path);
    got = opened->GetSatelliteWindows(*sv);
    if (got != VYR_E_ENTRY_NOT_FOUND) check(got, session.path);
    std::vector<WindowRow> rows;
    for (const VYR_INTERVAL& w : windows)
        rows.push_back({{0, 0, 0}, unix_ms(w.start, what), unix_ms(w.end, what)});
    for (uint8_t n = 1; n <= vyr::kCompactSatelliteMax; ++n)
        for (const VYR_INTERVAL& w : (*sv)[n]) {
            WindowRow row{{}, unix_ms(w.start, what), unix_ms(w.end, what)};
            satellite_text(vyr::satellite_from_compact_number(n), row.sat);
            rows.push_back(row);
        }
    static const py::dtype& dtype = row_dtype({{"sat", "U3", offsetof(WindowRow, sat)},
                                               {"start", "M8[ms]", offsetof(WindowRow, start)},
                                               {"end", "M8[ms]", offsetof(WindowRow, end)}},
                                              sizeof(WindowRow));
    return hand_over(std::move(rows), dtype);
}

std::string export_rinex(const Station& station, const py::object& into, double version) {
    const std::string folder = path_text(into);
    Session session = station.state->use();
    CVyrIPtrSmart<IVyrStationEx> opened = open_station(session, station);
    VYR_RINEX_EXPORT_OPTIONS options;
    options.rinexVersion = version;
    VYR_RINEX_EXPORT_RESULT result;
    VYR_ERROR code;
    {
        py::gil_scoped_release unlocked;
        code = opened->ExportRinexEx(folder.c_str(), options, result);
    }
    const std::string named = session.path + ": station " + station.name;
    if (code == VYR_E_ITERATOR_AT_END) fail(code, named + " has no epochs to export");
    if (VyrFailed(code))
        fail(code,
             named + ": not exported" + (result.problem.empty() ? "" : ": " + result.problem));
    return result.path;
}

}  // namespace

CVyrIPtrSmart<IVyrStationEx> open_station(Session& session, const Station& station) {
    auto list = list_of(session, &IVyrStorageEx::GetStationsEx);
    CVyrIPtrSmart<IVyrStationEx> opened;
    if (!list.IsValid()) fail(VYR_E_ENTRY_NOT_FOUND, session.path + ": no station " + station.name);
    check(list->GetStationEx(station.key, opened), session.path + ": station " + station.name);
    return opened;
}

CVyrIPtrSmart<IVyrStationAssocEx> open_association(Session& session, const Association& assoc) {
    auto list = list_of(session, &IVyrStorageEx::GetStationAssocsEx);
    CVyrIPtrSmart<IVyrStationAssocEx> opened;
    if (!list.IsValid())
        fail(VYR_E_ENTRY_NOT_FOUND, session.path + ": no association " + assoc.name);
    check(list->GetAssocEx(assoc.key, opened), session.path + ": association " + assoc.name);
    return opened;
}

py::dict stations_of(const State& state) {
    Session session = state->use();
    auto list = list_of(session, &IVyrStorageEx::GetStationsEx);
    py::dict stations;
    for (const VYR_STATION_KEY& key : keys_of<VYR_STATION_KEY>(session, list)) {
        const std::string name = key_text(key);
        stations[py::str(name)] = Station{state, key, name};
    }
    return stations;
}

py::dict associations_of(const State& state) {
    Session session = state->use();
    auto list = list_of(session, &IVyrStorageEx::GetStationAssocsEx);
    py::dict assocs;
    for (const VYR_STATION_ASSOC_KEY& key : keys_of<VYR_STATION_ASSOC_KEY>(session, list)) {
        const std::string name = key_text(key);
        assocs[py::str(name)] = Association{state, key, name};
    }
    return assocs;
}

void add_stations(py::module_& module) {
    py::class_<Station> station(module, "Station", "A station of a project.");
    station.def_property_readonly("key", [](const Station& s) { return s.name; })
        .def_property_readonly(
            "receiver",
            [](const Station& s) -> py::object {
                Session session = s.state->use();
                VYR_SENSORSYSTEM sensor{};
                if (open_station(session, s)->GetSensorSystem(sensor) != VYR_OK) return py::none();
                return py::str(text_field(sensor.receiverName, sizeof sensor.receiverName));
            },
            "The receiver type; None when not stored.")
        .def_property_readonly(
            "antenna",
            [](const Station& s) -> py::object {
                Session session = s.state->use();
                VYR_ANTENNA antenna;
                if (open_station(session, s)->GetAntenna(antenna) != VYR_OK) return py::none();
                return py::str(text_field(antenna.fields.type, sizeof antenna.fields.type));
            },
            "The antenna type; None when not stored.")
        .def_property_readonly(
            "epochs",
            [](const Station& s) -> uint32_t {
                const vyr::ObservationStatistics statistics = statistics_of(s);
                return statistics.empty() ? 0 : statistics.begin()->second.stationEpochs;
            })
        .def_property_readonly(
            "first", [](const Station& s) { return first_or_last(s, false); },
            "The first epoch (numpy.datetime64, milliseconds); None without epochs.")
        .def_property_readonly(
            "last", [](const Station& s) { return first_or_last(s, true); },
            "The last epoch; None without epochs.")
        .def_property_readonly(
            "systems",
            [](const Station& s) {
                std::string letters;
                for (const auto& [system, record] : statistics_of(s))
                    if (record.satelliteEpochs != 0) letters += vyr::system_letter(system);
                return letters;
            },
            "The systems observed, as letters: \"GRE\".")
        .def_property_readonly("windows", &windows_of,
                               "The exclusion windows: sat (\"\" for the whole station), start, "
                               "end.")
        .def("export_rinex", &export_rinex, py::arg("folder"), py::arg("version") = 3.04,
             "Writes the station as a RINEX observation file (version 2.11, 3.04, 3.05 or 4.01) "
             "into folder; returns the file's path.")
        .def("__repr__", [](const Station& s) { return "<vyr.Station " + s.name + ">"; });
    add_observations(station);
}

}  // namespace vyr_py
