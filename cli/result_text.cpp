#include "result_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <span>

#include "commands.h"
#include "output_text.h"
#include "station_text.h"
#include "time_text.h"

namespace vyr_cli {
namespace {

using nlohmann::ordered_json;

constexpr const char* kResidualNames[] = {"L1Code",    "L2Code",  "L5Code",  "E5bCode", "E5abCode",
                                          "E6Code",    "L1Phase", "L2Phase", "L5Phase", "E5bPhase",
                                          "E5abPhase", "E6Phase", "L3Code",  "L3Phase"};
constexpr const char* kOffsetNames[] = {"L1Code",  "L2Code",  "L3Code",
                                        "L1Phase", "L2Phase", "L3Phase"};
// Index = VYR_FREQUENCY_BAND; the status streams exist for bands 1 to 5.
constexpr const char* kStatusBandNames[] = {"-", "L1", "L2", "L5E5a", "E5b", "E5ab"};

using Names = std::span<const char* const>;

// The index of name among names[first..], or none.
std::optional<int> index_named(Names names, const std::string& name, size_t first = 0) {
    for (size_t i = first; i < names.size(); ++i)
        if (name == names[i]) return static_cast<int>(i);
    return std::nullopt;
}

std::string listed(Names names, size_t first = 0) {
    std::string text;
    for (size_t i = first; i < names.size(); ++i)
        text += (text.empty() ? "" : ", ") + std::string(names[i]);
    return text;
}

std::string trimmed(std::string_view text) {
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    const size_t end = text.find_last_not_of(" \t");
    return std::string(text.substr(begin, end - begin + 1));
}

// The rows of a CSV file with their line numbers; the header is checked, blank lines skipped.
class CsvFile {
public:
    CsvFile(const std::string& file, const std::vector<std::string>& header) : m_file(file) {
        std::ifstream in(file, std::ios::binary);
        if (!in) throw CommandFailure{file + ": cannot read: " + std::strerror(errno)};
        m_text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        m_columns = header.size();
        std::vector<std::string> first;
        if (!Next(first, false)) Fail("empty file; expected the header " + joined(header));
        if (first != header) Fail("expected the header " + joined(header));
    }

    // False at the end of the file.
    bool Next(std::vector<std::string>& fields, bool check_count = true) {
        while (m_offset < m_text.size()) {
            size_t end = m_text.find('\n', m_offset);
            if (end == std::string::npos) end = m_text.size();
            std::string_view line(m_text.data() + m_offset, end - m_offset);
            m_offset = end + 1;
            ++m_line;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (trimmed(line).empty()) continue;
            fields.clear();
            for (size_t start = 0;;) {
                const size_t comma = line.find(',', start);
                fields.push_back(trimmed(line.substr(start, comma - start)));
                if (comma == std::string_view::npos) break;
                start = comma + 1;
            }
            if (check_count && fields.size() != m_columns)
                Fail("expected " + std::to_string(m_columns) + " fields, found " +
                     std::to_string(fields.size()));
            return true;
        }
        return false;
    }

    [[noreturn]] void Fail(const std::string& problem) const {
        throw CommandFailure{m_file + ":" + std::to_string(m_line) + ": " + problem};
    }

    double Time(const std::string& field) const {
        const std::optional<double> time = parse_time(field);
        if (!time) Fail("not a time: '" + terminal_text(field) + "'; accepted: " + kTimeForms);
        return *time;
    }

    VYR_SATID Satellite(const std::string& field) const {
        const std::optional<VYR_SATID> satellite = parse_satellite(field);
        if (!satellite) Fail("not a satellite: '" + terminal_text(field) + "'");
        return *satellite;
    }

    double Number(const std::string& field) const {
        double value = 0;
        const char* end = field.data() + field.size();
        const auto [stop, error] = std::from_chars(field.data(), end, value);
        if (field.empty() || error != std::errc() || stop != end || !std::isfinite(value))
            Fail("not a number: '" + terminal_text(field) + "'");
        return value;
    }

private:
    static std::string joined(const std::vector<std::string>& header) {
        std::string text;
        for (const std::string& column : header) text += (text.empty() ? "" : ",") + column;
        return "'" + text + "'";
    }

    std::string m_file;
    std::string m_text;
    size_t m_offset = 0;
    size_t m_columns = 0;
    int m_line = 0;
};

// Epochs of a residual file are told apart to the millisecond, as `vyr obs` prints them.
int64_t milliseconds_of(double mjd) {
    return std::llround(mjd * mjd::kMillisecondsPerDay);
}

std::string number_text(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string csv_cell(const ordered_json& value) {
    if (value.is_null()) return "";
    if (value.is_number_float()) return number_text(value.get<double>());
    if (!value.is_string()) return value.dump();
    const std::string text = terminal_text(value.get<std::string>());
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

std::optional<VYR_RESIDUAL_TYPE> residual_type_named(const std::string& name) {
    const auto index = index_named(kResidualNames, name);
    if (!index) return std::nullopt;
    return static_cast<VYR_RESIDUAL_TYPE>(*index);
}

std::string residual_type_name(VYR_RESIDUAL_TYPE type) {
    return type >= 0 && type < 14 ? kResidualNames[type] : std::to_string(type);
}

std::optional<VYR_RESIDUAL_OFFSET_TYPE> offset_type_named(const std::string& name) {
    const auto index = index_named(kOffsetNames, name);
    if (!index) return std::nullopt;
    return static_cast<VYR_RESIDUAL_OFFSET_TYPE>(*index);
}

std::string offset_type_name(VYR_RESIDUAL_OFFSET_TYPE type) {
    return type >= 0 && type < 6 ? kOffsetNames[type] : std::to_string(type);
}

std::optional<VYR_FREQUENCY_BAND> status_band_named(const std::string& name) {
    const auto index = index_named(kStatusBandNames, name, 1);
    if (!index) return std::nullopt;
    return static_cast<VYR_FREQUENCY_BAND>(*index);
}

std::string band_name(VYR_FREQUENCY_BAND band) {
    if (band == VYR_BAND_E6) return "E6";
    return band >= 0 && band <= VYR_BAND_E5AB ? kStatusBandNames[band] : std::to_string(band);
}

std::string residual_type_names() {
    return listed(kResidualNames);
}
std::string offset_type_names() {
    return listed(kOffsetNames);
}
std::string status_band_names() {
    return listed(kStatusBandNames, 1);
}

std::vector<VYR_RESIDUAL> read_residuals_csv(const std::string& file) {
    CsvFile csv(file, {"time", "sat", "value"});
    std::vector<VYR_RESIDUAL> epochs;
    std::set<std::pair<int, int>> satellites;  // of the current epoch
    std::vector<std::string> fields;
    while (csv.Next(fields)) {
        const double time = csv.Time(fields[0]);
        const VYR_SATID sat = csv.Satellite(fields[1]);
        const double value = csv.Number(fields[2]);
        const int64_t ms = milliseconds_of(time);
        if (epochs.empty() || ms > milliseconds_of(epochs.back().time)) {
            epochs.push_back({time, {}});
            satellites.clear();
        } else if (ms < milliseconds_of(epochs.back().time)) {
            csv.Fail("epoch " + iso_time(time) + " comes after " + iso_time(epochs.back().time) +
                     "; epochs must be in time order with the rows of one epoch together");
        }
        if (!satellites.insert({sat.system, sat.prn}).second)
            csv.Fail(satellite_name(sat) + " appears twice in the epoch " + iso_time(time));
        epochs.back().residuals.push_back({sat, value});
    }
    return epochs;
}

std::vector<VYR_RESIDUAL_OFFSET_SV> read_offsets_csv(const std::string& file) {
    CsvFile csv(file, {"sat", "from", "to", "offset"});
    std::vector<VYR_RESIDUAL_OFFSET_SV> slots;
    std::map<uint8_t, size_t> index_of_slot;
    std::vector<std::string> fields;
    while (csv.Next(fields)) {
        const VYR_SATID sat = csv.Satellite(fields[0]);
        if (sat.system != VYR_SATSYS_GLONASS || sat.prn < 1 || sat.prn > 24)
            csv.Fail("offsets belong to GLONASS slots R01 to R24, not " + fields[0]);
        const double from = csv.Time(fields[1]);
        const double to = csv.Time(fields[2]);
        const double offset = csv.Number(fields[3]);
        const auto [it, added] = index_of_slot.emplace(sat.prn, slots.size());
        if (added) slots.push_back({sat.prn, {}});
        slots[it->second].intervals.push_back({from, to, offset});
    }
    return slots;
}

void print_table(const ResultTable& table, bool as_json) {
    if (as_json) {
        ordered_json list = ordered_json::array();
        for (const auto& row : table.rows) {
            ordered_json object = ordered_json::object();
            for (size_t i = 0; i < table.columns.size() && i < row.size(); ++i)
                object[table.columns[i]] = row[i];
            list.push_back(std::move(object));
        }
        std::cout << json_text(list) << '\n';
        return;
    }
    std::string line;
    for (const std::string& column : table.columns) line += (line.empty() ? "" : ",") + column;
    std::cout << line << '\n';
    for (const auto& row : table.rows) {
        line.clear();
        for (size_t i = 0; i < row.size(); ++i) line += (i == 0 ? "" : ",") + csv_cell(row[i]);
        std::cout << line << '\n';
    }
}

}  // namespace vyr_cli
