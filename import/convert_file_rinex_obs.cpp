#include "import/convert_file_rinex_obs.h"

#include <rinex/rnx_reader.h>

#include <array>
#include <cstdio>
#include <string>
#include <utility>

#include "import/input_text.h"
#include "import/rinex_obs_text_parser.h"
#include "import/rinex_station_builder.h"
#include "import/rnx_diagnostic_memory.h"
#include "import/rnx_reader_result_obs.h"
#include "import/rnx_result_codes.h"
#include "import/text_file.h"

namespace {

constexpr size_t kEpochsPerProgress = 500;
constexpr size_t kMaxRemarks = 100;

// Collects sites with their epochs for the in-memory conversion, and the place of a failure.
class GatheringSink final : public IVyrStationRinexSink {
public:
    GatheringSink(std::vector<VYR_STATION_RINEX>& out, IVyrProgress* progress,
                  VyrConversionReport& report)
        : m_out(out), m_progress(progress), m_report(report) {}

    VYR_ERROR OnEpoch(const VYR_STATION_RINEX&, const VYR_OCCUPATION&, VYR_OBSERVATIONEPOCH& epoch,
                      uint32_t) override {
        m_epochs.push_back(std::move(epoch));
        if (m_progress != nullptr && m_epochs.size() % kEpochsPerProgress == 0)
            m_progress->Notify();
        return VYR_OK;
    }
    VYR_ERROR OnStation(const VYR_STATION_RINEX& station) override {
        m_out.push_back(station);
        m_out.back().epochs = std::move(m_epochs);
        m_epochs.clear();
        return VYR_OK;
    }
    void OnFailure(uint32_t line, const char* problem) override {
        m_report.failure = {line, problem != nullptr ? problem : ""};
    }
    // Kept as remarks for the caller of the in-memory conversion; a file with a damaged record in
    // every epoch keeps only the first ones.
    void OnWarning(uint32_t line, const char* problem) override {
        if (m_report.remarks.size() < kMaxRemarks)
            m_report.remarks.push_back({line, problem != nullptr ? problem : ""});
    }

private:
    std::vector<VYR_STATION_RINEX>& m_out;
    IVyrProgress* m_progress;
    VyrConversionReport& m_report;
    std::vector<VYR_OBSERVATIONEPOCH> m_epochs;
};

}  // namespace

VYR_ERROR CConvertFileRinexObs::Convert(std::vector<VYR_STATION_RINEX>& out,
                                        IVyrProgress* progress) {
    out.clear();
    GatheringSink sink(out, progress, m_report);
    return ConvertToSink(sink);
}

VYR_ERROR CConvertFileRinexObs::ConvertToSink(IVyrStationRinexSink& sink) {
    const double version = vyr_import::read_rinex_format_version(GetFileName());
    return version < 3.0 ? ConvertText(sink) : ConvertWithLibrary(sink);
}

VYR_ERROR CConvertFileRinexObs::ConvertText(IVyrStationRinexSink& sink) {
    const vyr_import::TextFile file = vyr_import::open_text_file(GetFileName());
    if (!file) return VYR_E_FILE_NOT_FOUND;
    vyr_import::RinexStationBuilder builder(sink, m_options.salvageCut);
    vyr_import::RinexObsTextParser parser(file.get(), builder);
    parser.set_doppler_and_strength(m_options.v2DopplerAndStrength);
    return parser.Run();
}

VYR_ERROR CConvertFileRinexObs::ConvertWithLibrary(IVyrStationRinexSink& sink) {
    const vyr_import::TextFile file = vyr_import::open_text_file(GetFileName());
    if (!file) return VYR_E_FILE_NOT_FOUND;
    vyr_import::RinexStationBuilder builder(sink, m_options.salvageCut);
    CRnxReaderResultObs results(builder);
    vyr_import::RnxDiagnosticMemory diagnostics(
        [&builder](eRNX, uint32_t line, const char* message) { builder.warn(line, message); });
    IRnxReader* reader = nullptr;
    if (GetNewRnxReader(reader) != eRNX_S_OK || reader == nullptr) return VYR_E_FAILED_TO_READ;
    reader->SetErrorHandler(&diagnostics);
    reader->SetObsHandler(&results);
    reader->SetOption(true);
    reader->SetInputStream(file.get());
    const eRNX run = reader->Run();
    const uint32_t lastLine = reader->GetLineNumber();
    std::array<uint64_t, 128> readPast{};
    for (size_t letter = 'A'; letter <= 'Z'; ++letter)
        readPast[letter] = reader->GetSatellitesReadPast(static_cast<char>(letter));
    const uint64_t records = reader->GetRecordCount();
    ReleaseRnxReader(reader);

    if (results.SinkResult() != VYR_OK) return results.SinkResult();
    const VYR_ERROR result = vyr_import::vyr_error_of(run);
    if (result == VYR_OK) {
        builder.systems_read_past(readPast);
        return VYR_OK;
    }
    vyr_import::RnxDiagnosticMemory::Diagnostic told = diagnostics.Of(run);
    // The reader knows only that the stream failed; the stream knows what broke.
    if (run == eRNX_E_FILE_READ_ERROR && std::ferror(file.get()))
        told.message = vyr_import::read_problem(file.get());
    if (told.message.empty()) told = {lastLine, "the RINEX reader stopped"};
    // Past the header, data missing at the end or a read failure is the input cut short: the
    // reader has handed out only whole epochs.
    const bool cut =
        records > 0 && (run == eRNX_E_HEADER_DATA_MISSING || run == eRNX_E_FILE_READ_ERROR);
    if (!cut) return builder.fail(result, told.line, told.message);
    const VYR_ERROR salvaged = builder.cut(result, told.line, told.message);
    if (salvaged == VYR_OK) builder.systems_read_past(readPast);
    return salvaged;
}
