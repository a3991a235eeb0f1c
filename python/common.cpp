// project.common: how many records each common-data list holds, and the precise orbits and GPS
// broadcast ephemerides as arrays.
#include <vector>

#include "columns.h"
#include "errors.h"
#include "handles.h"

namespace py = pybind11;

namespace vyr_py {
namespace {

CVyrIPtrSmart<IVyrCommonData> common_of(Session& session) {
    CVyrIPtrSmart<IVyrCommonData> common;
    check(session.project->GetCommonData(common), session.path);
    return common;
}

// A list the project never received holds nothing.
template <class T>
uint32_t count_of(Session& session, IVyrCommonData& common,
                  VYR_ERROR (IVyrCommonData::*get)(CVyrIPtrSmart<IVyrCollection<T>>&)) {
    CVyrIPtrSmart<IVyrCollection<T>> collection;
    const VYR_ERROR got = (common.*get)(collection);
    if (got == VYR_E_ENTRY_NOT_FOUND) return 0;
    check(got, session.path);
    uint32_t count = 0;
    check(collection->GetCount(count), session.path);
    return count;
}

template <class T>
std::vector<T> records_of(Session& session, VYR_ERROR (IVyrCommonData::*get)(std::vector<T>&)) {
    CVyrIPtrSmart<IVyrCommonData> common = common_of(session);
    std::vector<T> records;
    VYR_ERROR got;
    {
        py::gil_scoped_release unlocked;
        got = ((*common).*get)(records);
    }
    if (got != VYR_E_ENTRY_NOT_FOUND) check(got, session.path);
    return records;
}

// Names as `vyr info` gives them.
py::dict counts(const Common& c) {
    Session session = c.state->use();
    CVyrIPtrSmart<IVyrCommonData> common = common_of(session);
    py::dict counts;
    counts["broadcast_gps"] =
        count_of(session, *common, &IVyrCommonData::GetBroadcastEphemerisCollection);
    counts["broadcast_glo"] =
        count_of(session, *common, &IVyrCommonData::GetBroadcastEphemerisGloCollection);
    counts["broadcast_gal"] =
        count_of(session, *common, &IVyrCommonData::GetBroadcastEphemerisGalCollection);
    counts["precise"] = count_of(session, *common, &IVyrCommonData::GetPreciseEphemerisCollection);
    counts["iono_utc"] = count_of(session, *common, &IVyrCommonData::GetIonoUtcCollection);
    counts["iono_models"] = count_of(session, *common, &IVyrCommonData::GetIonoGlobalRegCollection);
    return counts;
}

struct PreciseRow {
    SatelliteText sat;
    int64_t time;
    double x, y, z;  // metres
    double clock;    // seconds
};

py::array precise(const Common& c) {
    Session session = c.state->use();
    const std::vector<VYR_PRECISEEPHEMERIS> records =
        records_of(session, &IVyrCommonData::GetPreciseEphemerisRecords);
    std::vector<PreciseRow> rows;
    rows.reserve(records.size());
    const std::string what = session.path + ": a precise orbit record";
    for (const VYR_PRECISEEPHEMERIS& r : records) {
        PreciseRow row{{}, unix_ms(r.epoch, what), r.x, r.y, r.z, r.clock};
        satellite_text(vyr::satellite_from_compact_number(r.satellite), row.sat);
        rows.push_back(row);
    }
    static const py::dtype& dtype = row_dtype({{"sat", "U3", offsetof(PreciseRow, sat)},
                                               {"time", "M8[ms]", offsetof(PreciseRow, time)},
                                               {"x", "f8", offsetof(PreciseRow, x)},
                                               {"y", "f8", offsetof(PreciseRow, y)},
                                               {"z", "f8", offsetof(PreciseRow, z)},
                                               {"clock", "f8", offsetof(PreciseRow, clock)}},
                                              sizeof(PreciseRow));
    return hand_over(std::move(rows), dtype);
}

struct BroadcastGpsRow {
    SatelliteText sat;
    int64_t toe;  // from week and seconds of week
    uint32_t week, toe_s, toc_s;
    uint16_t health, iodc;
    double sqrt_a, e, m0, i0, omega0, omega;
    double af0, af1, af2;
};

py::array broadcast_gps(const Common& c) {
    Session session = c.state->use();
    const std::vector<VYR_BROADCASTEPHEMERIS> records =
        records_of(session, &IVyrCommonData::GetBroadcastEphemerisRecords);
    std::vector<BroadcastGpsRow> rows;
    rows.reserve(records.size());
    for (const VYR_BROADCASTEPHEMERIS& r : records) {
        BroadcastGpsRow row{};
        satellite_text(VYR_SATID{VYR_SATSYS_GPS, r.prn}, row.sat);
        row.week = r.week;
        row.toe_s = r.toe;
        row.toc_s = r.toc;
        row.toe = unix_ms(mjd::kGpsOriginMjd + 7u * r.week, 0.0) + int64_t{r.toe} * 1000;
        row.health = r.health;
        row.iodc = r.iodc;
        row.sqrt_a = r.sqrtA;
        row.e = r.eccentricity;
        row.m0 = r.m0;
        row.i0 = r.i0;
        row.omega0 = r.omega0;
        row.omega = r.omega;
        row.af0 = r.af0;
        row.af1 = r.af1;
        row.af2 = r.af2;
        rows.push_back(row);
    }
#define VYR_FIELD(name, format) \
    { #name, format, offsetof(BroadcastGpsRow, name) }
    static const py::dtype& dtype = row_dtype(
        {VYR_FIELD(sat, "U3"), VYR_FIELD(toe, "M8[ms]"), VYR_FIELD(week, "u4"),
         VYR_FIELD(toe_s, "u4"), VYR_FIELD(toc_s, "u4"), VYR_FIELD(health, "u2"),
         VYR_FIELD(iodc, "u2"), VYR_FIELD(sqrt_a, "f8"), VYR_FIELD(e, "f8"), VYR_FIELD(m0, "f8"),
         VYR_FIELD(i0, "f8"), VYR_FIELD(omega0, "f8"), VYR_FIELD(omega, "f8"), VYR_FIELD(af0, "f8"),
         VYR_FIELD(af1, "f8"), VYR_FIELD(af2, "f8")},
        sizeof(BroadcastGpsRow));
#undef VYR_FIELD
    return hand_over(std::move(rows), dtype);
}

}  // namespace

void add_common(py::module_& module) {
    py::class_<Common>(module, "CommonData", "The project-wide data of a project.")
        .def_property_readonly("counts", &counts,
                               "{list name: records}, the names `vyr info` gives.")
        .def_property_readonly("precise", &precise,
                               "Precise (SP3) orbits: sat, time, x, y, z (metres), clock (s).")
        .def_property_readonly(
            "broadcast_gps", &broadcast_gps,
            "GPS broadcast ephemerides: sat, toe, week, toe_s, toc_s, health, iodc, sqrt_a "
            "(m^0.5), e, m0, i0, omega0, omega (rad), af0 (s), af1 (s/s), af2 (s/s^2).");
}

}  // namespace vyr_py
