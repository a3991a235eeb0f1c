// The Python module `vyr`: projects, stations, observations and results as numpy arrays.
#include <pybind11/pybind11.h>

#include "errors.h"
#include "handles.h"

PYBIND11_MODULE(vyr, module) {
    module.doc() =
        "GNSS projects from Python: open a project, read its stations' observations and its "
        "results as numpy arrays.";
    module.attr("__version__") = vyr_version();
    vyr_py::add_errors(module);
    vyr_py::add_project(module);
    vyr_py::add_stations(module);
    vyr_py::add_common(module);
    vyr_py::add_results(module);
}
