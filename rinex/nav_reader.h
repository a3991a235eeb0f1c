// Navigation files of versions 2 (GPS "N", GLONASS "G"), 3 and 4: header corrections and the
// GPS LNAV, GLONASS FDMA and Galileo I/NAV and F/NAV ephemerides; every other record is read
// past.
#pragma once

#include <cstdint>
#include <string_view>

#include "rinex/diagnostics.h"
#include "rinex/line_source.h"
#include "rinex/rnx_reader.h"

namespace rnx {

class NavReader {
public:
    struct Settings {
        double version;
        char file_type;      // 'N' or, in version 2, 'G' for GLONASS
        char system_letter;  // of "RINEX VERSION / TYPE"
    };
    NavReader(LineSource& lines, IRnxReaderResultNav& out, Diagnostics& diag, Settings settings);

    eRNX run();
    uint64_t records() const { return records_; }

private:
    // The lines of one message: the first line's satellite and epoch, then up to kMaxOrbitLines
    // lines of four values (the first line's three clock values are row 0, columns 1-3).
    static constexpr int kMaxOrbitLines = 8;
    struct Message {
        char letter;
        uint8_t number;
        uint32_t line;
        RNX_TIME time;
        double v[kMaxOrbitLines + 1][4];
        int orbit_lines;
        bool readable;
    };

    bool header();
    bool header_line(std::string_view line, std::string_view label);
    bool data();
    bool version4_record(std::string_view line);
    bool message(std::string_view first, char expected_type);
    bool read_first_line(std::string_view line, Message& m);
    void read_orbit_lines(Message& m);
    bool deliver(const Message& m, char message_type);
    void skip_to_next_record();

    bool go(int answer) {
        stopped_ = answer != 0;
        return !stopped_;
    }
    void warn(eRNX code, const std::string& what, bool lost = true) {
        diag_.warn(code, lines_.line_number(), what, lost);
    }
    bool version2() const { return settings_.version < 3.0; }

    LineSource& lines_;
    IRnxReaderResultNav& out_;
    Diagnostics& diag_;
    Settings settings_;
    eRNX error_ = eRNX_S_OK;
    bool stopped_ = false;
    uint64_t records_ = 0;
};

}  // namespace rnx
