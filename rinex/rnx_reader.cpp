// The reader object behind IRnxReader: opens each input, reads its version line and hands the
// rest to the observation or navigation reader.
#include "rinex/rnx_reader.h"

#include <array>
#include <memory>
#include <new>

#include "rinex/diagnostics.h"
#include "rinex/fields.h"
#include "rinex/line_source.h"
#include "rinex/nav_reader.h"
#include "rinex/obs_reader.h"

namespace rnx {
namespace {

class CRnxReader final : public IRnxReader {
public:
    void SetErrorHandler(IRnxReaderError* handler) override { error_handler_ = handler; }
    void SetNavHandler(IRnxReaderResultNav* handler) override { nav_ = handler; }
    void SetObsHandler(IRnxReaderResultObs* handler) override { obs_ = handler; }
    void SetOption(bool converted_only) override { converted_only_ = converted_only; }
    bool GetOption() const override { return converted_only_; }
    void SetInputFiles(const std::vector<std::string>& paths) override {
        paths_ = paths;
        text_ = {};
        from_text_ = false;
        stream_ = nullptr;
    }
    void SetInputText(std::string_view text) override {
        paths_.clear();
        text_ = text;
        from_text_ = true;
        stream_ = nullptr;
    }
    void SetInputStream(std::FILE* stream) override {
        paths_.clear();
        text_ = {};
        from_text_ = false;
        stream_ = stream;
    }
    eRNX Run() override;
    double GetFormatVersion() const override { return version_; }
    char GetFileType() const override { return file_type_; }
    char GetSatelliteSystem() const override { return system_; }
    uint32_t GetLineNumber() const override { return line_number_; }
    uint64_t GetRecordCount() const override { return records_; }
    uint32_t GetWarningCount() const override { return warnings_; }
    void Release() override { delete this; }
    uint64_t GetSatellitesReadPast(char letter) const override {
        return read_past_[static_cast<unsigned char>(letter)];
    }

private:
    eRNX read(LineSource& lines, Diagnostics& diag);

    IRnxReaderError* error_handler_ = nullptr;
    IRnxReaderResultNav* nav_ = nullptr;
    IRnxReaderResultObs* obs_ = nullptr;
    bool converted_only_ = false;
    std::vector<std::string> paths_;
    std::string_view text_;
    bool from_text_ = false;
    std::FILE* stream_ = nullptr;
    double version_ = 0.0;
    char file_type_ = ' ';
    char system_ = ' ';
    uint32_t line_number_ = 0;
    uint64_t records_ = 0;
    uint32_t warnings_ = 0;
    std::array<uint64_t, 256> read_past_{};
};

eRNX CRnxReader::Run() {
    records_ = 0;
    warnings_ = 0;
    read_past_ = {};
    Diagnostics diag(error_handler_);
    eRNX result = eRNX_S_OK;
    const size_t inputs = from_text_ || stream_ != nullptr ? 1 : paths_.size();
    if (inputs == 0) result = diag.fail(eRNX_E_FILE_NOT_FOUND, 0, "no input file was given");
    for (size_t i = 0; i < inputs && result == eRNX_S_OK; ++i) {
        std::unique_ptr<LineSource> lines;
        try {
            lines = from_text_           ? LineSource::from_memory(text_)
                    : stream_ != nullptr ? LineSource::from_stream(stream_)
                                         : LineSource::open_file(paths_[i]);
        } catch (const std::bad_alloc&) {
            result = diag.fail(eRNX_E_FILE_READ_ERROR, 0, "out of memory");
            break;
        }
        if (!lines) {
            result = diag.fail(eRNX_E_FILE_NOT_FOUND, 0, "cannot open " + paths_[i]);
            break;
        }
        try {
            result = read(*lines, diag);
        } catch (const std::bad_alloc&) {
            result = diag.fail(eRNX_E_FILE_READ_ERROR, lines->line_number(), "out of memory");
        }
        line_number_ = lines->line_number();
    }
    warnings_ = diag.warnings();
    return result != eRNX_S_OK ? result : diag.first_loss();
}

// "RINEX VERSION / TYPE": F9.2, 11X, A1 file type, 19X, A1 satellite system.
eRNX CRnxReader::read(LineSource& lines, Diagnostics& diag) {
    std::string_view first;
    version_ = 0.0;
    file_type_ = system_ = ' ';
    if (!lines.next(first) || header_label(first) != "RINEX VERSION / TYPE")
        return diag.fail(eRNX_E_FILE_TYPE_NOT_SUPPORTED, lines.line_number(),
                         "not a RINEX file: the first line is not RINEX VERSION / TYPE");
    if (parse_double(column(first, 0, 9), version_) != Parsed::kOk)
        return diag.fail(eRNX_E_FORMAT_VERSION_NOT_SUPPORTED, 1,
                         "the format version is not a number");
    file_type_ = first.size() > 20 ? first[20] : ' ';
    system_ = first.size() > 40 ? first[40] : ' ';
    if (system_ == ' ') system_ = 'G';  // the format's default

    if (file_type_ == 'O') {
        if (version_ < 3.0 || version_ >= 5.0)
            return diag.fail(eRNX_E_FORMAT_VERSION_NOT_SUPPORTED, 1,
                             "observation files of versions 3 and 4 are read; this is " +
                                 std::string(trim(column(first, 0, 9))));
        if (!obs_)
            return diag.fail(eRNX_E_FILE_TYPE_NOT_SUPPORTED, 1,
                             "an observation file, but no observation handler was set");
        if (obs_->OnVersion(version_, file_type_, system_) != 0) return eRNX_S_OK;
        ObsReader reader(lines, *obs_, diag, {system_, converted_only_});
        const eRNX result = reader.run();
        records_ += reader.records();
        for (size_t letter = 0; letter < read_past_.size(); ++letter)
            read_past_[letter] += reader.read_past(static_cast<char>(letter));
        return result;
    }
    const bool nav_type = file_type_ == 'N' || (version_ < 3.0 && file_type_ == 'G');
    if (!nav_type)
        return diag.fail(eRNX_E_FILE_TYPE_NOT_SUPPORTED, 1,
                         std::string("file type \"") + file_type_ + "\" is not read");
    if (version_ < 2.0 || version_ >= 5.0)
        return diag.fail(eRNX_E_FORMAT_VERSION_NOT_SUPPORTED, 1,
                         "navigation files of versions 2 to 4 are read");
    if (!nav_)
        return diag.fail(eRNX_E_FILE_TYPE_NOT_SUPPORTED, 1,
                         "a navigation file, but no navigation handler was set");
    if (nav_->OnVersion(version_, file_type_, system_) != 0) return eRNX_S_OK;
    NavReader reader(lines, *nav_, diag, {version_, file_type_, system_});
    const eRNX result = reader.run();
    records_ += reader.records();
    return result;
}

}  // namespace
}  // namespace rnx

eRNX GetNewRnxReader(IRnxReader*& reader) {
    reader = new (std::nothrow) rnx::CRnxReader();
    return reader ? eRNX_S_OK : eRNX_E_FILE_READ_ERROR;
}

eRNX ReleaseRnxReader(IRnxReader*& reader) {
    if (reader) reader->Release();
    reader = nullptr;
    return eRNX_S_OK;
}
