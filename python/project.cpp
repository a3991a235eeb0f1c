// vyr.create, vyr.open and the project object: a context manager whose exit closes the project.
#include <filesystem>

#include <cfb/document.h>

#include "columns.h"
#include "errors.h"
#include "handles.h"

namespace py = pybind11;

namespace vyr_py {
namespace {

CVyrIPtrSmart<IVyrEx> root() {
    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    if (!root.IsValid()) fail(VYR_E_MEMORY_OVERFLOW, "vyr");
    return root;
}

// The library says "Storage not found" for a missing file, a held one and a damaged one alike:
// the first two are named in words.
[[noreturn]] void open_failed(VYR_ERROR code, const std::string& path) {
    if (cfb::is_file_locked(path.c_str())) fail(code, path + ": is in use by another program");
    std::error_code error;
    if (!std::filesystem::exists(path, error)) fail(code, path + ": does not exist");
    if (std::filesystem::is_directory(path, error)) fail(code, path + ": is a folder");
    fail(code, path);
}

Project make_project(const std::string& path, bool writable,
                     CVyrIPtrSmart<IVyrStorageEx>&& project) {
    auto state = std::make_shared<ProjectState>();
    state->path = path;
    state->writable = writable;
    state->project = project;
    project.Reset();
    return Project{state};
}

Project create(const py::object& named) {
    const std::string path = path_text(named);
    CVyrIPtrSmart<IVyrStorage> created;
    VYR_ERROR result;
    {
        py::gil_scoped_release unlocked;
        result = root()->CreateStorage(path.c_str(), created);
    }
    // An existing file is refused by the library and left as it was.
    if (VyrFailed(result)) {
        std::error_code error;
        fail(result, std::filesystem::exists(path, error) ? path + ": already exists" : path);
    }
    // Every project this library makes is the extended storage object.
    CVyrIPtrSmart<IVyrStorageEx> project;
    {
        // Reopened as the extended object: the created one commits as it goes.
        py::gil_scoped_release unlocked;
        created.Reset();
        result = root()->OpenStorageEx(path.c_str(), project);
    }
    if (VyrFailed(result)) open_failed(result, path);
    return make_project(path, true, std::move(project));
}

Project open(const py::object& named, bool write) {
    const std::string path = path_text(named);
    CVyrIPtrSmart<IVyrStorageEx> project;
    VYR_ERROR result;
    {
        py::gil_scoped_release unlocked;
        // Reading shares the file with other readers (deny-write), as the `vyr` command does.
        result = write ? root()->OpenStorageEx(path.c_str(), project)
                       : root()->OpenStorageReadOnlyShared(path.c_str(), project);
    }
    if (VyrFailed(result)) open_failed(result, path);
    return make_project(path, write, std::move(project));
}

}  // namespace

void add_project(py::module_& module) {
    py::class_<Project> project(module, "Project", "An open project; use it in a `with` block.");
    project.def_property_readonly("path", [](const Project& p) { return p.state->path; })
        .def_property_readonly("writable", [](const Project& p) { return p.state->writable; })
        .def_property_readonly("closed",
                               [](const Project& p) { return !p.state->project.IsValid(); })
        .def_property_readonly(
            "stations", [](const Project& p) { return stations_of(p.state); },
            "{key text: Station}, in the project's order.")
        .def_property_readonly(
            "associations", [](const Project& p) { return associations_of(p.state); },
            "{key text: Association}, in the project's order.")
        .def_property_readonly(
            "common",
            [](const Project& p) {
                p.state->use();  // a closed project hands out nothing
                return Common{p.state};
            },
            "The project-wide data: ephemerides, orbits, ionosphere models.")
        .def(
            "close", [](Project& p) { p.state->close(); },
            "Closes the project; a project opened for writing is saved now.")
        .def("__enter__", [](Project& p) -> Project& { return p; })
        .def("__exit__", [](Project& p, const py::args&) { p.state->close(); })
        .def("__repr__", [](const Project& p) {
            return "<vyr.Project " + p.state->path +
                   (p.state->project.IsValid() ? (p.state->writable ? " (write)>" : ">")
                                               : " (closed)>");
        });
    add_imports(project);
    module.def("create", &create, py::arg("path"),
               "Creates a new project at path (an existing file is never replaced) and opens it "
               "for writing.");
    module.def("open", &open, py::arg("path"), py::arg("write") = false,
               "Opens a project. Reading shares the file with other readers and refuses writers "
               "while it is open; write=True opens it alone.");
}

}  // namespace vyr_py
