// The error handler the importers give the RINEX access library: it keeps the first error and the
// first warning of each code, so that the code a run ends with can be told with its line and text.
#pragma once

#include <rinex/rnx_reader.h>

#include <cstdint>
#include <map>
#include <string>

namespace vyr_import {

class RnxDiagnosticMemory final : public IRnxReaderError {
public:
    struct Diagnostic {
        uint32_t line = 0;
        std::string message;
    };

    void OnError(eRNX code, uint32_t line, const char* message) override {
        remember(code, line, message);
    }
    void OnWarning(eRNX code, uint32_t line, const char* message) override {
        remember(code, line, message);
    }
    // The first diagnostic of code; an empty message when there was none.
    Diagnostic Of(eRNX code) const {
        const auto found = m_first.find(code);
        return found == m_first.end() ? Diagnostic{} : found->second;
    }

private:
    void remember(eRNX code, uint32_t line, const char* message) {
        m_first.try_emplace(code, Diagnostic{line, message != nullptr ? message : ""});
    }

    std::map<eRNX, Diagnostic> m_first;  // one entry per code: bounded by the codes
};

}  // namespace vyr_import
