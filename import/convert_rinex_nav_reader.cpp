#include "import/convert_rinex_nav_reader.h"

#include <cstdio>
#include <new>
#include <string>

#include "import/convert_rinex_nav_records.h"
#include "import/convert_rinex_nav_values.h"
#include "import/rnx_result_codes.h"

using namespace vyr_import;

namespace {

// Diagnostics are not reported one by one: the run's result says what was lost.
class IgnoreDiagnostics : public IRnxReaderError {
public:
    void OnError(eRNX, uint32_t, const char*) override {}
    void OnWarning(eRNX, uint32_t, const char*) override {}
};

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

VYR_ERROR read_navigation_with_library(const char* fileName, IRnxReaderResultNav& handler) {
    if (!open_text_file(fileName)) return VYR_E_FILE_NOT_FOUND;
    IRnxReader* reader = nullptr;
    if (GetNewRnxReader(reader) != eRNX_S_OK || reader == nullptr) return VYR_E_FAILED_TO_READ;
    IgnoreDiagnostics errors;
    reader->SetErrorHandler(&errors);
    reader->SetNavHandler(&handler);
    reader->SetOption(true);
    reader->SetInputFiles({std::string(fileName)});
    eRNX result = eRNX_E_FILE_READ_ERROR;
    try {
        result = reader->Run();
    } catch (const std::bad_alloc&) {
        result = eRNX_E_FILE_READ_ERROR;
    }
    ReleaseRnxReader(reader);
    return vyr_error_of(result);
}

}  // namespace vyr_import
