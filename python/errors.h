// vyr.Error: a failed library call as a Python exception carrying the library's code and the
// code's message text.
#pragma once

#include <string>

#include <pybind11/pybind11.h>
#include <vyr/vyr.h>

namespace vyr_py {

// Thrown by the module's C++ code; turned into vyr.Error when it reaches Python.
struct Failure {
    VYR_ERROR code;
    std::string message;
};

// Throws "context: TEXT (0xCODE)", TEXT the code's message text.
[[noreturn]] void fail(VYR_ERROR code, const std::string& context);

inline void check(VYR_ERROR code, const std::string& context) {
    if (VyrFailed(code)) fail(code, context);
}

// Raises vyr.Error of `code` with `message` and one more attribute `name` = `value`.
[[noreturn]] void raise_with(VYR_ERROR code, const std::string& message, const char* name,
                             const pybind11::object& value);

// Makes vyr.Error and the translation of Failure into it.
void add_errors(pybind11::module_& module);

}  // namespace vyr_py
