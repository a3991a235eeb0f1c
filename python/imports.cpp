// project.import_files: the library's import of a list of files into the project, each file all
// or nothing, with a report per file as a dict.
#include <atomic>
#include <string>
#include <vector>

#include <pybind11/stl.h>

#include "columns.h"
#include "errors.h"
#include "handles.h"

namespace py = pybind11;

namespace vyr_py {
namespace {

py::object time_or_none(uint64_t epochs, uint32_t mjd, double fraction) {
    return epochs == 0 ? py::object(py::none()) : datetime64(unix_ms(mjd, fraction));
}

py::dict report_dict(const VyrFileImportReport& r) {
    py::list sites;
    for (const VyrImportedSite& s : r.sites) {
        py::dict site;
        site["key"] = s.key;
        site["marker"] = s.marker;
        site["epochs"] = s.epochs;
        site["first"] = time_or_none(s.epochs, s.firstMjd, s.firstFraction);
        site["last"] = time_or_none(s.epochs, s.lastMjd, s.lastFraction);
        site["systems"] = s.systems;
        site["already_present"] = s.alreadyPresent;
        site["appended"] = s.appended;
        sites.append(site);
    }
    py::list lists;
    for (const VyrImportedList& l : r.lists) {
        py::dict list;
        list["list"] = l.list;
        list["added"] = l.added;
        list["present"] = l.present;
        list["other_kept"] = l.otherKept;
        list["notes"] = l.notes;
        lists.append(list);
    }
    py::dict other;
    for (const auto& [letter, count] : r.otherSystems)
        other[py::str(std::string(1, letter))] = count;
    py::list warnings;
    for (const VyrImportWarning& w : r.warnings) {
        py::dict warning;
        warning["problem"] = w.problem;
        warning["lines"] = w.lines;
        warning["more"] = w.more;
        warnings.append(warning);
    }
    py::dict out;
    out["path"] = r.path;
    out["kind"] = std::string(Vyr_ImportKindName(r.kind));
    out["code"] = static_cast<uint32_t>(r.result);
    out["problem"] = VyrFailed(r.result) ? py::object(py::str(r.problem)) : py::object(py::none());
    out["cancelled"] = r.cancelled;
    out["added"] = r.added;
    out["sites"] = sites;
    out["lists"] = lists;
    out["other_systems"] = other;
    out["warnings"] = warnings;
    return out;
}

// What the progress callback met: a Python exception (a KeyboardInterrupt among them) stops
// the import and is raised once the project is open again.
struct ProgressRelay {
    py::object callback;
    std::atomic<bool> cancel{false};
    std::unique_ptr<py::error_already_set> raised;

    void operator()(const VyrImportProgress& p) {
        py::gil_scoped_acquire locked;
        if (raised != nullptr) return;
        try {
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
            callback(p.fileIndex, p.path, p.linesRead, p.linesTotal);
        } catch (py::error_already_set& error) {
            raised = std::make_unique<py::error_already_set>(std::move(error));
            cancel = true;
        }
    }
};

py::list import_files(Project& project, const py::iterable& paths, const py::object& progress,
                      bool new_station) {
    std::vector<std::string> files;
    for (const py::handle path : paths) files.push_back(path_text(path));
    ProgressRelay relay;
    relay.callback = progress;
    VyrImportOptions options;
    options.newStation = new_station;
    options.cancel = &relay.cancel;
    if (!progress.is_none()) options.progress = [&relay](const VyrImportProgress& p) { relay(p); };
    std::vector<VyrFileImportReport> reports;
    VYR_ERROR result = VYR_OK;
    project.state->while_let_go(
        [&] { result = Vyr_ImportFiles(project.state->path, files, options, reports); });
    if (relay.raised != nullptr) throw std::move(*relay.raised);
    py::list out;
    for (const VyrFileImportReport& r : reports) out.append(report_dict(r));
    if (VyrFailed(result)) {
        // The first failure is raised; the reports of every file tried go with it.
        std::string problem = project.state->path;
        for (const VyrFileImportReport& r : reports)
            if (VyrFailed(r.result)) {
                problem = r.problem;
                break;
            }
        raise_with(result, problem, "reports", out);
    }
    return out;
}

}  // namespace

void add_imports(py::class_<Project>& project) {
    project.def("import_files", &import_files, py::arg("paths"), py::arg("progress") = py::none(),
                py::arg("new_station") = false,
                "Imports files (RINEX observation or navigation, SP3, ionosphere models; plain, "
                "compact or compressed, told by content), each file all or nothing. progress: "
                "called as progress(file_index, path, lines_read, lines_total). Returns one dict "
                "per file; raises vyr.Error for the first file that failed, with every file's "
                "report in its `reports`, after the others were tried. Needs write=True.");
}

}  // namespace vyr_py
