#include "import/file_converter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>

#include <vyr/mjd_time.h>

#include "import/compact_rinex.h"
#include "import/convert_file_rinex_obs.h"
#include "import/convert_frequency_map_glo.h"
#include "import/convert_iono_global_reg.h"
#include "import/convert_iono_klobuchar.h"
#include "import/convert_rinex_nav.h"
#include "import/convert_sp3.h"
#include "import/input_text.h"
#include "import/text_file.h"
#include "storage/file_name_manager.h"

namespace {

bool is_empty(const char* fileName) {
    return fileName == nullptr || *fileName == '\0';
}

// The steps every conversion shares: the name is checked, the output emptied, the converter of
// the format made on the stack and run, its report kept. Formats are dispatched here, in one
// place.
template <class Converter, class Output, class Option>
VYR_ERROR run_converter(const char* fileName, Output& out, Option option,
                        VyrConversionReport& report) {
    Converter converter;
    const VYR_ERROR named = converter.SetFileName(fileName);
    if (named != VYR_OK) return named;
    const VYR_ERROR result = converter.Convert(out, option);
    report = converter.Report();
    return result;
}

}  // namespace

namespace vyr_import {

bool has_gps_week(double epoch) {
    return std::isfinite(epoch) && epoch >= mjd::kGpsOriginMjd &&
           epoch < mjd::kGpsOriginMjd + 7.0 * 65536;
}

void stamp_reference_time(double epoch, std::vector<VYR_IONOUTC>& records) {
    const double day = std::floor(epoch);
    const double milliseconds = (epoch - day) * mjd::kMillisecondsPerDay;
    const int64_t d = static_cast<int64_t>(day) - mjd::kGpsOriginMjd;
    const auto week = static_cast<uint16_t>(d / 7);
    const auto seconds =
        static_cast<uint32_t>(((d % 7) * mjd::kMillisecondsPerDay + milliseconds) / 1000.0);
    for (VYR_IONOUTC& record : records) {
        record.week = week;
        record.secondsOfWeek = seconds;
    }
}

}  // namespace vyr_import

VYR_ERROR CVyrFileConverter::ConvertFrequencyMapGlo(const char* fileName,
                                                    VYR_GLONASS_FREQUENCYMAP& map) {
    m_lastReport = {};
    if (is_empty(fileName)) return VYR_E_INVALID_PARAMETER;
    std::fill(std::begin(map.channel), std::end(map.channel), VYR_GLONASS_FREQUENCYMAP::kNotSet);
    return run_converter<CConvertFileFrequencyMapGlo>(fileName, map, 0u, m_lastReport);
}

VYR_ERROR CVyrFileConverter::ConvertRinexNavGal(const char* fileName,
                                                std::vector<VYR_BROADCASTEPHEMERIS_GAL>& out) {
    m_lastReport = {};
    if (is_empty(fileName)) return VYR_E_INVALID_PARAMETER;
    out.clear();
    return run_converter<CConvertFileRinexNavGal>(fileName, out, 0u, m_lastReport);
}

VYR_ERROR CVyrFileConverter::ConvertRinexNavGlo(const char* fileName,
                                                std::vector<VYR_BROADCASTEPHEMERIS_GLO>& out) {
    m_lastReport = {};
    if (is_empty(fileName)) return VYR_E_INVALID_PARAMETER;
    out.clear();
    return run_converter<CConvertFileRinexNavGlo>(fileName, out, 0u, m_lastReport);
}

VYR_ERROR CVyrFileConverter::ConvertRinexNav(const char* fileName,
                                             std::vector<VYR_BROADCASTEPHEMERIS>& out) {
    m_lastReport = {};
    if (is_empty(fileName)) return VYR_E_INVALID_PARAMETER;
    out.clear();
    return run_converter<CConvertFileRinexNav>(fileName, out, 0u, m_lastReport);
}

VYR_ERROR CVyrFileConverter::ConvertSp3(const char* fileName,
                                        std::vector<VYR_PRECISEEPHEMERIS>& out) {
    m_lastReport = {};
    if (is_empty(fileName)) return VYR_E_INVALID_PARAMETER;
    out.clear();
    return run_converter<CConvertFileSp3>(fileName, out, 0u, m_lastReport);
}

VYR_ERROR CVyrFileConverter::ConvertRinexObs(const char* fileName,
                                             std::vector<VYR_STATION_RINEX>& out,
                                             IVyrProgress* progress) {
    m_lastReport = {};
    if (is_empty(fileName)) return VYR_E_INVALID_PARAMETER;
    out.clear();
    return run_converter<CConvertFileRinexObs>(fileName, out, progress, m_lastReport);
}

VYR_ERROR CVyrFileConverter::ConvertIonoGlobalReg(const char* fileName,
                                                  std::vector<VYR_IONO_GLOBALREG>& out) {
    m_lastReport = {};
    if (is_empty(fileName)) return VYR_E_INVALID_PARAMETER;
    out.clear();
    return run_converter<CConvertFileIonoGlobalReg>(fileName, out, 0u, m_lastReport);
}

VYR_ERROR CVyrFileConverter::ConvertRinexIonoKlobuchar(const char* fileName, double epoch,
                                                       std::vector<VYR_IONOUTC>& out) {
    m_lastReport = {};
    // An epoch without a GPS week would be stamped as a wrapped-around week.
    if (is_empty(fileName) || !vyr_import::has_gps_week(epoch)) return VYR_E_INVALID_PARAMETER;
    out.clear();
    const VYR_ERROR result =
        run_converter<CConvertFileRinexIonoKlobuchar>(fileName, out, 0u, m_lastReport);
    if (VyrFailed(result)) return result;
    if (!out.empty()) vyr_import::stamp_reference_time(epoch, out);
    return result;
}

void CVyrFileConverter::Release() {
    delete this;
}

VYR_ERROR Vyr_ConvertRinexObsToSink(const char* fileName, IVyrStationRinexSink& sink) {
    return Vyr_ConvertRinexObsToSinkEx(fileName, sink, VyrObsConversionOptions{});
}

VYR_ERROR Vyr_ConvertRinexObsToSinkEx(const char* fileName, IVyrStationRinexSink& sink,
                                      const VyrObsConversionOptions& options) {
    if (is_empty(fileName)) return VYR_E_INVALID_PARAMETER;
    CConvertFileRinexObs converter;
    const VYR_ERROR named = converter.SetFileName(fileName);
    if (named != VYR_OK) return named;
    converter.SetOptions(options);
    return converter.ConvertToSink(sink);
}

bool Vyr_ExpandCompactRinex(const char* inFileName, const char* outFileName, uint64_t& problemLine,
                            std::string& problem) {
    problemLine = 0;
    problem.clear();
    if (is_empty(inFileName) || is_empty(outFileName)) {
        problem = "no file name";
        return false;
    }
    std::string opening;
    const vyr_import::TextFile in =
        vyr_import::open_input_text(inFileName, vyr_import::Expansion::kAsStored, opening);
    if (!in) {
        problem = "the file cannot be opened: " + opening;
        return false;
    }
    std::FILE* out = std::fopen(outFileName, "wb");
    if (out == nullptr) {
        problem = "the expanded file cannot be made";
        return false;
    }
    bool done = ExpandCompactRinex(in.get(), out, problemLine, problem);
    // A damaged compressed file names what broke instead of a bare read failure.
    if (!done && std::ferror(in.get())) problem = vyr_import::read_problem(in.get());
    if (std::fclose(out) != 0 && done) {
        problem = "writing the expanded file failed";
        done = false;
    }
    return done;
}

bool Vyr_ReadLeadingText(const char* fileName, size_t maxBytes, std::string& text,
                         std::string& problem) {
    text.clear();
    problem.clear();
    if (is_empty(fileName)) {
        problem = "no file name";
        return false;
    }
    const vyr_import::TextFile in =
        vyr_import::open_input_text(fileName, vyr_import::Expansion::kAsStored, problem);
    if (!in) return false;
    text.resize(maxBytes);
    text.resize(std::fread(text.data(), 1, maxBytes, in.get()));
    if (!std::ferror(in.get()) || !text.empty()) return true;
    problem = vyr_import::read_problem(in.get());
    return false;
}

bool Vyr_CountTextLines(const char* fileName, uint64_t& lines) {
    lines = 0;
    if (is_empty(fileName)) return false;
    const vyr_import::TextFile in = vyr_import::open_text_file(fileName);
    if (!in) return false;
    char buffer[1 << 16];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0)
        for (const char* at = buffer;
             (at = static_cast<const char*>(std::memchr(at, '\n', buffer + n - at))) != nullptr;
             ++at)
            ++lines;
    return !std::ferror(in.get());
}
