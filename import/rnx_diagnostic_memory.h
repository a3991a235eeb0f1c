// The error handler the importers give the RINEX access library: it keeps the first error and the
// first warning of each code, so that the code a run ends with can be told with its line and text,
// and hands every warning on to whoever reports them.
#pragma once

#include <rinex/rnx_reader.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

namespace vyr_import {

class RnxDiagnosticMemory final : public IRnxReaderError {
public:
    struct Diagnostic {
        uint32_t line = 0;
        std::string message;
    };
    using WarningSink = std::function<void(eRNX code, uint32_t line, const char* message)>;

    RnxDiagnosticMemory() = default;
    explicit RnxDiagnosticMemory(WarningSink onWarning) : m_onWarning(std::move(onWarning)) {}

    void OnError(eRNX code, uint32_t line, const char* message) override {
        // An error ends the run: it is what the run's code stands for, even when a warning of
        // the same code came before it.
        m_errors.try_emplace(code, Diagnostic{line, message != nullptr ? message : ""});
    }
    void OnWarning(eRNX code, uint32_t line, const char* message) override {
        m_first.try_emplace(code, Diagnostic{line, message != nullptr ? message : ""});
        if (m_onWarning) m_onWarning(code, line, message != nullptr ? message : "");
    }
    // The error of code, else its first warning; an empty message when there was none.
    Diagnostic Of(eRNX code) const {
        if (const auto error = m_errors.find(code); error != m_errors.end()) return error->second;
        const auto found = m_first.find(code);
        return found == m_first.end() ? Diagnostic{} : found->second;
    }

private:
    WarningSink m_onWarning;
    std::map<eRNX, Diagnostic> m_errors;  // one entry per code: bounded by the codes
    std::map<eRNX, Diagnostic> m_first;
};

}  // namespace vyr_import
