// project.associations: each association's rover and reference, and its residuals as arrays,
// with the GLONASS offsets of their type applied as the library hands them out.
#include <vector>

#include "columns.h"
#include "errors.h"
#include "handles.h"

namespace py = pybind11;

namespace vyr_py {
namespace {

VYR_STATION_ASSOC description_of(const Association& assoc) {
    Session session = assoc.state->use();
    VYR_STATION_ASSOC description;
    check(open_association(session, assoc)->GetStationAssoc(description),
          session.path + ": association " + assoc.name);
    return description;
}

std::string station_text(const VYR_ASSOC_STATION& participant) {
    std::string text;
    VyrRecordToString(participant.station, text);
    return text;
}

struct ResidualRow {
    int64_t time;
    SatelliteText sat;
    double value;  // metres
};

py::array residuals(const Association& assoc, VYR_RESIDUAL_TYPE type) {
    Session session = assoc.state->use();
    const std::string named = session.path + ": association " + assoc.name;
    CVyrIPtrSmart<IVyrStationAssocEx> opened = open_association(session, assoc);
    CVyrIPtrSmart<IVyrCollectionResidual> collection;
    std::vector<VYR_RESIDUAL> records;
    VYR_ERROR got = opened->GetResiduals(type, collection);
    // Residuals the association never received read as none.
    if (got != VYR_E_ENTRY_NOT_FOUND) {
        check(got, named);
        {
            py::gil_scoped_release unlocked;
            got = collection->GetAll(records);
        }
        if (got != VYR_E_NO_MORE_ENTRIES) check(got, named);
    }
    std::vector<ResidualRow> rows;
    const std::string what = named + ": a residual";
    for (const VYR_RESIDUAL& epoch : records) {
        const int64_t time = unix_ms(epoch.time, what);
        for (const VYR_RESIDUAL_SV& entry : epoch.residuals) {
            ResidualRow row{time, {}, entry.residual};
            satellite_text(entry.sat, row.sat);
            rows.push_back(row);
        }
    }
    static const py::dtype& dtype = row_dtype({{"time", "M8[ms]", offsetof(ResidualRow, time)},
                                               {"sat", "U3", offsetof(ResidualRow, sat)},
                                               {"value", "f8", offsetof(ResidualRow, value)}},
                                              sizeof(ResidualRow));
    return hand_over(std::move(rows), dtype);
}

}  // namespace

void add_results(py::module_& module) {
    py::enum_<VYR_RESIDUAL_TYPE>(module, "ResidualType", "The kinds of residuals.")
        .value("L1_CODE", VYR_RESIDUAL_L1_CODE)
        .value("L2_CODE", VYR_RESIDUAL_L2_CODE)
        .value("L5_CODE", VYR_RESIDUAL_L5_CODE)
        .value("E5B_CODE", VYR_RESIDUAL_E5B_CODE)
        .value("E5AB_CODE", VYR_RESIDUAL_E5AB_CODE)
        .value("E6_CODE", VYR_RESIDUAL_E6_CODE)
        .value("L1_PHASE", VYR_RESIDUAL_L1_PHASE)
        .value("L2_PHASE", VYR_RESIDUAL_L2_PHASE)
        .value("L5_PHASE", VYR_RESIDUAL_L5_PHASE)
        .value("E5B_PHASE", VYR_RESIDUAL_E5B_PHASE)
        .value("E5AB_PHASE", VYR_RESIDUAL_E5AB_PHASE)
        .value("E6_PHASE", VYR_RESIDUAL_E6_PHASE)
        .value("L3_CODE", VYR_RESIDUAL_L3_CODE)
        .value("L3_PHASE", VYR_RESIDUAL_L3_PHASE);
    py::class_<Association>(module, "Association", "A station association and its results.")
        .def_property_readonly("key", [](const Association& a) { return a.name; })
        .def_property_readonly(
            "rover", [](const Association& a) { return station_text(description_of(a).rover); })
        .def_property_readonly(
            "reference",
            [](const Association& a) -> py::object {
                const VYR_STATION_ASSOC description = description_of(a);
                const auto& linked = description.linkedStations.stations;
                if (linked.empty()) return py::none();
                return py::str(station_text(linked.front()));
            },
            "The reference station's key text; None for none.")
        .def_property_readonly("flags",
                               [](const Association& a) { return description_of(a).flags; })
        .def("residuals", &residuals, py::arg("type"),
             "Residuals of a type with the GLONASS offsets of that type applied: time, sat, "
             "value (metres).")
        .def("__repr__", [](const Association& a) { return "<vyr.Association " + a.name + ">"; });
}

}  // namespace vyr_py
