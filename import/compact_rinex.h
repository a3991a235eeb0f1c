// CCompactRinexExpander: turns a compact RINEX observation file (CRINEX 1.0 for RINEX 2, CRINEX
// 3.0 for RINEX 3 and 4) back into the plain RINEX text it stands for, one line at a time.
//
// What is held between lines is the last epoch line, the receiver clock offset and, for each
// satellite seen, its values with their differences and its flag text, in a flat table indexed
// by the satellite's three characters: nothing grows with the length of the file, and after the
// first epochs a line is expanded without a heap allocation.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class CCompactRinexExpander {
public:
    // The highest order of differences a value may be given with ("5&12345").
    static constexpr int kMaxOrder = 5;
    // Lines longer than this are taken for damage, not data.
    static constexpr size_t kMaxLineLength = 8192;

    // One line of the compact file without its line end (a trailing carriage return is
    // ignored). The plain lines it gives are appended to out, each ending in '\n'. Returns false
    // when the line cannot be expanded; Problem() then tells why and ProblemLine() where. Once
    // false, every further line is refused.
    bool Feed(std::string_view line, std::string& out);
    // The last line of a file that has no line end. Inside an epoch it is taken for a cut: a
    // value broken off is a whole number too, and would be expanded into a wrong one.
    bool FeedLast(std::string_view line, std::string& out);
    // After the last line: false when the file stopped before the end of its header, inside an
    // epoch or inside the lines of an event.
    bool Finish();
    const std::string& Problem() const { return m_problem; }
    // The number (from 1) of the line the problem was found on.
    uint64_t ProblemLine() const { return m_lineNumber; }

private:
    // One observation of one satellite: the last value in thousandths and its differences.
    struct Arc {
        bool active = false;
        int order = 0;     // the order the arc was initialised with
        int received = 0;  // values received since then, counted up to order + 1
        std::array<int64_t, kMaxOrder + 1> terms{};
    };
    struct Satellite {
        std::vector<Arc> arcs;
        std::string flags;
        char id[3] = {};
        // The number of the data epoch the satellite was last listed in: its values go on only
        // from the epoch just before.
        uint64_t listedIn = 0;
    };
    enum class Stage { kVersion, kProgram, kHeader, kEpoch, kClock, kData, kEvent };

    bool fail(std::string what);
    bool header_line(std::string_view line, std::string& out);
    bool learn_header_line(std::string_view line);
    bool epoch_line(std::string_view line, std::string& out);
    bool clock_line(std::string_view line, std::string& out);
    bool data_line(std::string_view line, std::string& out);
    bool event_line(std::string_view line, std::string& out);
    // The value a field gives for an arc: false (with the problem set) on damage. present tells
    // whether there is a value at all. subject and observation (from 1; 0 for none) name the
    // value in a problem.
    bool next_value(std::string_view field, std::string_view subject, size_t observation, Arc& arc,
                    int64_t& value, bool& present);
    void write_epoch(std::string& out) const;
    // The plain lines of the current satellite's values (m_values, m_present) written in place;
    // false, with nothing written, when a value is wider than its 14 columns.
    bool write_in_place(std::string_view id, size_t types, std::string& out);
    int types_of(char system) const;
    // The table index of a satellite's three characters; -1 when they name none.
    static int slot_of(const char* id);

    Stage m_stage = Stage::kVersion;
    int m_version = 0;  // 1 or 3
    uint64_t m_lineNumber = 0;
    std::string m_problem;

    // The observation types: one count for RINEX 2, one per system letter for RINEX 3 and 4.
    int m_typesV2 = 0;
    std::array<int, 256> m_typesBySystem = [] {
        std::array<int, 256> none{};
        none.fill(-1);
        return none;
    }();
    bool m_haveTypesV3 = false;

    std::string m_epoch;  // the last epoch line as the compact file gives it (satellites inline)
    bool m_haveEpoch = false;
    uint64_t m_dataEpoch = 0;            // data epochs counted, see Satellite::listedIn
    std::vector<int32_t> m_slots;        // satellite slot -> index into m_table, -1 for none
    std::vector<Satellite> m_table;      // every satellite seen
    std::vector<uint32_t> m_satellites;  // the current epoch's, as indices into m_table
    std::vector<int64_t> m_values;       // one data line's values and whether given
    std::vector<char> m_present;
    size_t m_idleArcs = 0;  // arcs taken since memory was last given back
    size_t m_nextSatellite = 0;
    Arc m_clock;
    bool m_clockPresent = false;
    int64_t m_clockValue = 0;
    int m_eventLinesLeft = 0;
};

// Expands the whole of in into out. Returns false with the problem and the number of its line
// when the input is not a compact RINEX file or is damaged (line 0 when reading or writing
// failed).
bool ExpandCompactRinex(std::FILE* in, std::FILE* out, uint64_t& problemLine, std::string& problem);

// Whether a first line is that of a compact RINEX file ("CRINEX VERS   / TYPE" label).
bool IsCompactRinexFirstLine(std::string_view line);
