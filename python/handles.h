// The objects Python holds: a project, and the stations, associations and common data handed
// out from it. Each holds the project's shared state and a key, never a library object, so
// closing the project closes the document at once, and a later use raises vyr.Error.
#pragma once

#include <string>

#include <pybind11/pybind11.h>
#include <vyr/vyr.h>

#include "project_state.h"

namespace vyr_py {

struct Project {
    State state;
};

struct Station {
    State state;
    VYR_STATION_KEY key;
    std::string name;  // the key's text, as `vyr info` shows it
};

struct Association {
    State state;
    VYR_STATION_ASSOC_KEY key;
    std::string name;
};

struct Common {
    State state;
};

// The library object of a station or an association for one operation of the session.
CVyrIPtrSmart<IVyrStationEx> open_station(Session& session, const Station& station);
CVyrIPtrSmart<IVyrStationAssocEx> open_association(Session& session, const Association& assoc);

// {key text: Station} in the project's order; empty for a project that never had a station.
pybind11::dict stations_of(const State& state);
pybind11::dict associations_of(const State& state);

// The parts of the module, one per file.
void add_project(pybind11::module_& module);
void add_imports(pybind11::class_<Project>& project);
void add_stations(pybind11::module_& module);
void add_observations(pybind11::class_<Station>& station);
void add_common(pybind11::module_& module);
void add_results(pybind11::module_& module);

}  // namespace vyr_py
