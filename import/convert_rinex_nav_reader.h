// The library road of the navigation importers: CRnxReaderResultNav collects the messages of
// the wanted systems as records, CRinexReader<T> runs the library over its file.
#pragma once

#include <rinex/rnx_reader.h>

#include <type_traits>
#include <vector>

#include "import/conversion_report.h"
#include "import/line_classification.h"
#include "storage/file_name_manager.h"
#include "vyr/ephemeris.h"
#include "vyr/error.h"
#include "vyr/file_converter.h"

// Null vectors are systems not wanted; progress (may be null) is told after every record.
class CRnxReaderResultNav : public IRnxReaderResultNav {
public:
    CRnxReaderResultNav(std::vector<VYR_BROADCASTEPHEMERIS>* gps,
                        std::vector<VYR_BROADCASTEPHEMERIS_GLO>* glonass,
                        std::vector<VYR_BROADCASTEPHEMERIS_GAL>* galileo, IVyrProgress* progress);

    int OnEphemerisGps(const RNX_NAV_GPS& message) override;
    int OnEphemerisGlonass(const RNX_NAV_GLO& message) override;
    int OnEphemerisGalileo(const RNX_NAV_GAL& message) override;

private:
    std::vector<VYR_BROADCASTEPHEMERIS>* m_gps;
    std::vector<VYR_BROADCASTEPHEMERIS_GLO>* m_glonass;
    std::vector<VYR_BROADCASTEPHEMERIS_GAL>* m_galileo;
    IVyrProgress* m_progress;
};

namespace vyr_import {

// Runs the library over one file with the given navigation handler; the file must open for
// reading (else 0x80008004). A failure leaves its line and problem in report.
VYR_ERROR read_navigation_with_library(const char* fileName, IRnxReaderResultNav& handler,
                                       VyrConversionReport& report);

}  // namespace vyr_import

// T: the record type of the output vector.
template <class T>
class CRinexReader : public CLineClassification,
                     public CFileNameManager,
                     public CConversionReporter {
protected:
    // Empties out and fills it with the file's messages of T's system.
    VYR_ERROR ReadWithLibrary(std::vector<T>& out, IVyrProgress* progress) {
        out.clear();
        CRnxReaderResultNav result(wanted<VYR_BROADCASTEPHEMERIS>(out),
                                   wanted<VYR_BROADCASTEPHEMERIS_GLO>(out),
                                   wanted<VYR_BROADCASTEPHEMERIS_GAL>(out), progress);
        return vyr_import::read_navigation_with_library(GetFileName(), result, m_report);
    }

private:
    template <class R>
    static std::vector<R>* wanted(std::vector<T>& out) {
        if constexpr (std::is_same_v<R, T>) {
            return &out;
        } else {
            return nullptr;
        }
    }
};
