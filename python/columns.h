// How library values become numpy columns: times as datetime64[ms] (milliseconds since
// 1970-01-01 in the project's time scale, no leap seconds added), satellites as text "G05", and
// rows gathered in C++ handed to numpy without a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <vyr/vyr.h>

namespace vyr_py {

inline constexpr uint32_t kUnixEpochMjd = 40587;
inline constexpr double kMsPerDay = 86400000.0;

// The epoch of MJD day and fraction, milliseconds rounded.
int64_t unix_ms(uint32_t mjd, double fraction);
// A stored MJD with its fraction in one number; throws vyr.Error naming what (the project's
// path and the record) when the number is no time (damaged data).
int64_t unix_ms(double mjd, const std::string& what);
// The MJD of anything numpy.datetime64 takes: a datetime64, a datetime, ISO text.
double mjd_of(const pybind11::handle& value);
// numpy.datetime64 of milliseconds.
pybind11::object datetime64(int64_t ms);

// The text of a str or os.PathLike path (pathlib.Path).
std::string path_text(const pybind11::handle& path);

// "G05", "R12", "E11", "S20" (SBAS PRN 120): RINEX style, as `vyr obs` prints them.
using SatelliteText = char32_t[3];
void satellite_text(const VYR_SATID& satellite, SatelliteText& out);
std::string satellite_string(const VYR_SATID& satellite);

// One field of a structured row: its name, numpy format and offset in the C++ row.
struct Field {
    const char* name;
    const char* format;
    size_t offset;
};
// Made once per row type and kept for the life of the process: a static numpy object released
// after the interpreter has finalized would crash the exit.
const pybind11::dtype& row_dtype(std::initializer_list<Field> fields, size_t row_size);

// The rows as a one-dimensional array that owns them.
template <class Row>
pybind11::array hand_over(std::vector<Row>&& rows, const pybind11::dtype& dtype) {
    if (rows.empty()) return pybind11::array(dtype, std::vector<pybind11::ssize_t>{0});
    auto* owned = new std::vector<Row>(std::move(rows));
    pybind11::capsule owner(owned, [](void* p) { delete static_cast<std::vector<Row>*>(p); });
    return pybind11::array(dtype, std::vector<pybind11::ssize_t>{pybind11::ssize_t(owned->size())},
                           std::vector<pybind11::ssize_t>{pybind11::ssize_t(sizeof(Row))},
                           owned->data(), owner);
}

}  // namespace vyr_py
