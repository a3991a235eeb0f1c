#include "columns.h"

#include <cmath>
#include <cstdio>

#include "errors.h"

namespace py = pybind11;

namespace vyr_py {

int64_t unix_ms(uint32_t mjd, double fraction) {
    return (static_cast<int64_t>(mjd) - kUnixEpochMjd) * 86400000 +
           std::llround(fraction * kMsPerDay);
}

int64_t unix_ms(double mjd, const std::string& what) {
    // Beyond these a day number holds no calendar date numpy can show.
    if (!(mjd > -1e8 && mjd < 1e8)) fail(VYR_E_READ_ENTRY_FAILED, what + " holds no valid time");
    return std::llround((mjd - kUnixEpochMjd) * kMsPerDay);
}

double mjd_of(const py::handle& value) {
    py::module_ numpy = py::module_::import("numpy");
    const py::object ms = numpy.attr("datetime64")(value, "ms");
    if (py::bool_(numpy.attr("isnat")(ms)))
        throw py::value_error("not a time: " + std::string(py::str(value)));
    const int64_t count = ms.attr("astype")("int64").cast<int64_t>();
    return kUnixEpochMjd + static_cast<double>(count) / kMsPerDay;
}

py::object datetime64(int64_t ms) {
    return py::module_::import("numpy").attr("datetime64")(ms, "ms");
}

std::string path_text(const py::handle& path) {
    return py::module_::import("os").attr("fspath")(path).cast<std::string>();
}

void satellite_text(const VYR_SATID& satellite, SatelliteText& out) {
    const int number = satellite.system == VYR_SATSYS_SBAS
                           ? satellite.prn + vyr::kSbasPrnOffset - 100
                           : satellite.prn;
    out[0] = static_cast<char32_t>(vyr::system_letter(satellite.system));
    // Two digits hold every satellite a project keeps; a larger number (damaged data) shows as
    // "??" rather than being cut to two wrong digits.
    out[1] = number >= 0 && number <= 99 ? U'0' + number / 10 : U'?';
    out[2] = number >= 0 && number <= 99 ? U'0' + number % 10 : U'?';
}

std::string satellite_string(const VYR_SATID& satellite) {
    SatelliteText text;
    satellite_text(satellite, text);
    return {static_cast<char>(text[0]), static_cast<char>(text[1]), static_cast<char>(text[2])};
}

const py::dtype& row_dtype(std::initializer_list<Field> fields, size_t row_size) {
    py::list names, formats, offsets;
    for (const Field& field : fields) {
        names.append(field.name);
        formats.append(field.format);
        offsets.append(field.offset);
    }
    py::dict layout;
    layout["names"] = names;
    layout["formats"] = formats;
    layout["offsets"] = offsets;
    layout["itemsize"] = row_size;
    return *new py::dtype(py::dtype::from_args(layout));
}

}  // namespace vyr_py
