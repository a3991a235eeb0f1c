// Observation files of versions 3 and 4: the header and the epoch records after it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rinex/diagnostics.h"
#include "rinex/line_source.h"
#include "rinex/rnx_reader.h"

namespace rnx {

class ObsReader {
public:
    struct Settings {
        char system_letter;   // of "RINEX VERSION / TYPE"
        bool converted_only;  // the reader's option
    };
    ObsReader(LineSource& lines, IRnxReaderResultObs& out, Diagnostics& diag, Settings settings);

    // Reads the header (after its first line, which the caller has read) and all epochs.
    // eRNX_S_OK also when the handler asked to stop.
    eRNX run();
    uint64_t records() const { return records_; }
    // Satellites of a system the option leaves out, counted per epoch, by system letter.
    uint64_t read_past(char letter) const { return read_past_[static_cast<unsigned char>(letter)]; }

private:
    // One system's observation types as the data lines carry them.
    struct SystemTypes {
        std::vector<RNX_OBS_CODE> codes;
        std::vector<std::array<char, 3>> texts;
        std::vector<double> divisors;  // scale factor of each column
        struct Scale {
            int32_t factor;
            std::vector<std::array<char, 3>> texts;  // empty: every type of the system
        };
        std::vector<Scale> scales;
        int32_t declared = 0;  // count written on the first line
        bool defined = false;
    };
    // A header record spread over continuation lines, collected before it is delivered.
    enum class Pending { kNone, kObsTypes, kScale, kPhaseShift };

    bool header(eEPOCHFLAG cause, uint32_t line_limit);
    bool header_line(std::string_view line, std::string_view label);
    bool flush_pending();
    bool obs_types_line(std::string_view line, bool first);
    bool scale_line(std::string_view line, bool first);
    bool phase_shift_line(std::string_view line, bool first);
    bool glonass_slots(std::string_view line);
    bool glonass_slots_by_tokens(std::string_view line, bool& read);
    bool glonass_biases(std::string_view line);
    bool glonass_biases_by_tokens(std::string_view line);
    bool time_line(std::string_view line, RNX_TIME& time);
    bool time_by_tokens(std::string_view content, RNX_TIME& time);
    bool first_obs(std::string_view content);
    void apply_scales();

    bool epochs();
    bool epoch_record(std::string_view line);
    bool satellite_lines(uint32_t count);
    // Whether the line just read is the last of the input. A line that follows is read again by
    // the next call; views of the line just read are no longer valid.
    bool no_line_follows();
    // The input ends or breaks off inside an epoch: the run ends, with eRNX_E_FILE_READ_ERROR
    // after a read failure and eRNX_E_HEADER_DATA_MISSING (at line, with what) otherwise.
    bool cut(uint32_t line, const std::string& what);
    void satellite_line(std::string_view line);
    void recycle();

    bool go(int answer) {
        stopped_ = answer != 0;
        return !stopped_;
    }
    void warn(eRNX code, const std::string& what, bool lost = true) {
        diag_.warn(code, lines_.line_number(), what, lost);
    }
    // A header record the conversion can do without, not readable as written: read past.
    void read_past(const std::string& what) {
        warn(eRNX_W_HEADER_DATA_UNKNOWN, what + "; read past", false);
    }
    // A header record the values depend on, not readable: the file is refused.
    bool refuse(const std::string& what, uint32_t line = 0) {
        error_ = diag_.fail(eRNX_E_FILE_READ_ERROR, line != 0 ? line : lines_.line_number(), what);
        return false;
    }
    SystemTypes& types_of(char letter) { return types_[static_cast<unsigned char>(letter)]; }

    LineSource& lines_;
    IRnxReaderResultObs& out_;
    Diagnostics& diag_;
    Settings settings_;
    std::array<SystemTypes, 256> types_;
    eTIMESYS time_system_;
    eRNX error_ = eRNX_S_OK;
    bool stopped_ = false;
    bool resync_ = false;  // after an unreadable epoch record: its lines are read past quietly
    uint64_t records_ = 0;
    std::array<uint64_t, 256> read_past_{};

    Pending pending_ = Pending::kNone;
    char pending_system_ = ' ';
    uint32_t pending_line_ = 0;  // where the pending record begins
    std::vector<RNX_OBS_CODE> pending_codes_;
    std::vector<std::array<char, 3>> pending_texts_;
    int32_t pending_factor_ = 0;
    int32_t pending_count_ = 0;  // codes or satellites the first line announces
    double pending_shift_ = 0.0;
    RNX_OBS_CODE pending_shift_code_{};
    std::vector<uint8_t> pending_satellites_;

    RNX_OBS_EPOCH epoch_{};
    std::vector<RNX_OBS_SAT> spare_satellites_;  // keep their value capacity between epochs
};

}  // namespace rnx
