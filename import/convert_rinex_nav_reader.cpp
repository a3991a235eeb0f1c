#include "import/convert_rinex_nav_reader.h"

#include <cstdio>
#include <new>
#include <string>

#include "import/convert_rinex_nav_records.h"
#include "import/convert_rinex_nav_values.h"
#include "import/input_text.h"
#include "import/rnx_diagnostic_memory.h"
#include "import/rnx_result_codes.h"
#include "import/text_file.h"

using namespace vyr_import;

namespace {

template <class R>
void append(std::vector<R>* out, const R& record, IVyrProgress* progress) {
    if (progress != nullptr) progress->Notify();
    out->push_back(record);
}

}  // namespace

CRnxReaderResultNav::CRnxReaderResultNav(std::vector<VYR_BROADCASTEPHEMERIS>* gps,
                                         std::vector<VYR_BROADCASTEPHEMERIS_GLO>* glonass,
                                         std::vector<VYR_BROADCASTEPHEMERIS_GAL>* galileo,
                                         IVyrProgress* progress)
    : m_gps(gps), m_glonass(glonass), m_galileo(galileo), m_progress(progress) {}

int CRnxReaderResultNav::OnEphemerisGps(const RNX_NAV_GPS& message) {
    if (m_gps != nullptr) append(m_gps, gps_record_from_message(message), m_progress);
    return 0;
}

int CRnxReaderResultNav::OnEphemerisGlonass(const RNX_NAV_GLO& message) {
    if (m_glonass != nullptr) {
        append(m_glonass,
               glonass_record_from_message(message,
                                           glonass_frame_time_modulo_day(message.messageFrameTime)),
               m_progress);
    }
    return 0;
}

int CRnxReaderResultNav::OnEphemerisGalileo(const RNX_NAV_GAL& message) {
    if (m_galileo != nullptr) append(m_galileo, galileo_record_from_message(message), m_progress);
    return 0;
}

namespace vyr_import {
namespace {

// Warnings of the data part: one message (or a run of lines) the reader could not use.
bool is_message_read_past(eRNX code) {
    return code >= eRNX_W_DATA_READ_ERROR && code <= eRNX_W_DATA_PRN_INVALID;
}

}  // namespace

VYR_ERROR read_navigation_with_library(const char* fileName, IRnxReaderResultNav& handler,
                                       VyrConversionReport& report) {
    const TextFile file = open_text_file(fileName);
    if (!file) return VYR_E_FILE_NOT_FOUND;
    IRnxReader* reader = nullptr;
    if (GetNewRnxReader(reader) != eRNX_S_OK || reader == nullptr) return VYR_E_FAILED_TO_READ;
    // Messages the reader could not use are read past and counted; the file's other messages
    // are kept.
    RnxDiagnosticMemory diagnostics([&report](eRNX code, uint32_t line, const char* message) {
        if (is_message_read_past(code)) note_read_past(report, line, message);
    });
    reader->SetErrorHandler(&diagnostics);
    reader->SetNavHandler(&handler);
    reader->SetOption(true);
    reader->SetInputStream(file.get());
    eRNX run = eRNX_E_FILE_READ_ERROR;
    try {
        run = reader->Run();
    } catch (const std::bad_alloc&) {
        run = eRNX_E_FILE_READ_ERROR;
    }
    const uint32_t lastLine = reader->GetLineNumber();
    ReleaseRnxReader(reader);
    const VYR_ERROR result = is_message_read_past(run) ? VYR_OK : vyr_error_of(run);
    if (result == VYR_OK) return VYR_OK;
    // The run ends with its first error, or else with its first warning that lost a message.
    RnxDiagnosticMemory::Diagnostic told = diagnostics.Of(run);
    // The reader knows only that the stream failed; the stream knows what broke.
    if (run == eRNX_E_FILE_READ_ERROR && std::ferror(file.get()))
        told.message = read_problem(file.get());
    if (told.message.empty()) told = {lastLine, "the RINEX reader stopped"};
    return note_failure(report, result, told.line, told.message);
}

}  // namespace vyr_import
