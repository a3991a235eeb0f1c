#include "errors.h"

#include <cstdint>

namespace py = pybind11;

namespace vyr_py {

void fail(VYR_ERROR code, const std::string& context) {
    throw Failure{code, Vyr_FailureText(code, context)};
}

namespace {

// vyr.Error; a handle that lives as long as the interpreter, as the translator outlives any scope.
py::handle error_type;

py::object error_of(VYR_ERROR code, const std::string& message) {
    std::string text;
    ErrorToStringDef(code, text);
    py::object error = error_type(message);
    // Codes read as they are written everywhere else: 0x8000xxxx.
    error.attr("code") = static_cast<uint32_t>(code);
    error.attr("text") = text;
    return error;
}

}  // namespace

void raise_with(VYR_ERROR code, const std::string& message, const char* name,
                const py::object& value) {
    py::object error = error_of(code, message);
    error.attr(name) = value;
    PyErr_SetObject(error_type.ptr(), error.ptr());
    throw py::error_already_set();
}

void add_errors(py::module_& module) {
    error_type = PyErr_NewExceptionWithDoc(
        "vyr.Error",
        "A failed operation of the library. code: the library's result code as an unsigned "
        "32-bit number (0x80009004); text: that code's message text.",
        PyExc_Exception, nullptr);
    module.attr("Error") = py::handle(error_type);
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const Failure& failure) {
            const py::object error = error_of(failure.code, failure.message);
            PyErr_SetObject(error_type.ptr(), error.ptr());
        }
    });
    // The codes a caller is likely to test for, by their library names without the prefix.
    const std::pair<const char*, VYR_ERROR> codes[] = {
        {"E_INVALID_PARAMETER", VYR_E_INVALID_PARAMETER},
        {"E_INVALID_INTERFACE", VYR_E_INVALID_INTERFACE},
        {"E_STORAGE_NOT_CREATED", VYR_E_STORAGE_NOT_CREATED},
        {"E_STORAGE_NOT_FOUND", VYR_E_STORAGE_NOT_FOUND},
        {"E_ENTRY_NOT_FOUND", VYR_E_ENTRY_NOT_FOUND},
        {"E_READ_ENTRY_FAILED", VYR_E_READ_ENTRY_FAILED},
        {"E_WRITE_ENTRY_FAILED", VYR_E_WRITE_ENTRY_FAILED},
        {"E_ITERATOR_AT_END", VYR_E_ITERATOR_AT_END},
        {"E_UNSUPPORTED_FILE", VYR_E_UNSUPPORTED_FILE},
        {"E_FAILED_TO_READ", VYR_E_FAILED_TO_READ},
        {"E_INVALID_OPEN_MODE", VYR_E_INVALID_OPEN_MODE},
        {"E_HEADER_OR_DATA_MISSING", VYR_E_HEADER_OR_DATA_MISSING},
    };
    for (const auto& [name, code] : codes) module.attr(name) = static_cast<uint32_t>(code);
}

}  // namespace vyr_py
