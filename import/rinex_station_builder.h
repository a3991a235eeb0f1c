// The site, occupation and epoch bookkeeping both observation readers share: the text parser of
// version-2 files and the notifications of the RINEX access library.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <vyr/file_converter.h>
#include <vyr/mjd_time.h>

namespace vyr_import {

// Copies at most size - 1 characters of text into field and terminates it: text longer than the
// field is cut, never written past it. Trailing blanks are dropped.
void copy_text_field(char* field, size_t size, const char* text, size_t length);

template <size_t N>
void copy_text_field(char (&field)[N], const char* text) {
    copy_text_field(field, N, text, text == nullptr ? 0 : std::char_traits<char>::length(text));
}

class RinexStationBuilder {
public:
    // salvageCut: a cut file (see cut) gives its complete epochs instead of failing.
    explicit RinexStationBuilder(IVyrStationRinexSink& sink, bool salvageCut = false)
        : m_sink(sink), m_salvageCut(salvageCut) {}

    VYR_STATION_RINEX& station() { return m_station; }
    VYR_OCCUPATION& occupation() { return m_occupation; }

    void set_receiver(const char* number, const char* type);
    void set_antenna(const char* number, const char* type);
    void set_antenna_delta(double height, double east, double north);
    void set_approx_position(double x, double y, double z, uint32_t pointIndex);
    void set_marker_name(const char* name);

    // A converted observation epoch: takes the current mode as its occupation and hands it on.
    // line: its epoch record; endLine: its last line (0: the record's line). An epoch outside
    // the years a project holds, or not later than the station's epoch before it, fails the
    // conversion with VYR_E_FAILED_TO_READ at line.
    VYR_ERROR add_epoch(VYR_OBSERVATIONEPOCH& epoch, uint32_t line, uint32_t endLine = 0);
    // The antenna starts moving: the occupation so far is closed and a kinematic one starts at
    // the given time (MJD with fraction; 0 keeps the time of the latest epoch).
    void start_moving(double eventTime);
    // A new static occupation of the same site begins.
    void start_static_occupation();
    // A new site occupation begins. Which site is known once the header lines that follow the
    // event have been read, at the next epoch: the same marker name (or none) is a new static
    // occupation of the same station, as version 2 files have it; another name is another site,
    // for which the station so far is handed on and a fresh one started. The fresh station keeps
    // the receiver and the antenna (the equipment moves with the observer), not the site's
    // position unless the event gave one.
    VYR_ERROR start_new_site();
    // The end of the data: the last occupation and station are handed on.
    VYR_ERROR finish();
    // Tells the sink how many satellite-epochs of each system letter were read past (letters
    // with none are not told).
    template <size_t N>
    void systems_read_past(const std::array<uint64_t, N>& byLetter) {
        for (size_t letter = 0; letter < N; ++letter)
            if (byLetter[letter] != 0)
                m_sink.OnSystemReadPast(static_cast<char>(letter), byLetter[letter]);
    }
    // Tells the sink of something read past while the conversion goes on.
    void warn(uint32_t line, const std::string& problem) {
        m_sink.OnWarning(line, problem.c_str());
    }
    // Tells the sink where and why the conversion fails; returns code.
    VYR_ERROR fail(VYR_ERROR code, uint32_t line, const std::string& problem);
    // The input ends, or breaks off, inside an epoch (line: where that was found). The sink
    // hears of the cut with the epochs handed out whole; then the conversion fails with code, or,
    // when salvaging, the site is completed with those epochs and VYR_OK (or the sink's failure)
    // returned. The epoch cut short has not been handed out.
    VYR_ERROR cut(VYR_ERROR code, uint32_t line, const std::string& problem);
    // Epochs of the file handed out so far, over all sites.

private:
    void close_occupation();
    VYR_ERROR hand_on_station();
    // Decides, at the first epoch after a new-site event, whether the site is another one.
    VYR_ERROR settle_new_site();

    IVyrStationRinexSink& m_sink;
    bool m_salvageCut = false;
    uint64_t m_fileEpochs = 0;
    uint32_t m_lastEpochEnd = 0;  // the last line of the latest epoch handed out
    VYR_STATION_RINEX m_station;
    VYR_OCCUPATION m_occupation{};
    uint64_t m_stationEpochs = 0;
    uint64_t m_occupationEpochs = 0;
    VYR_OCCUPATION::eMode m_mode = VYR_OCCUPATION::MODE_STATIC;
    double m_latestEpoch = 0.0;  // MJD with fraction
    // The station's latest epoch, which the next one must follow.
    bool m_hasPrevious = false;
    mjd::time m_previous{};
    uint32_t m_previousLine = 0;
    bool m_failed = false;
    // Between a new-site event and the next epoch: the station as it was at the event, its marker
    // name, and whether the event's header lines gave a position.
    bool m_siteEventPending = false;
    VYR_STATION_RINEX m_stationAtEvent;
    char m_markerAtEvent[sizeof(VYR_OCCUPATION::markerName)] = {};
    bool m_positionSinceEvent = false;
};

}  // namespace vyr_import
