// Lists of records for the terminal: one record per line as name=value fields separated by
// tabs, or one JSON array of objects with the fields in the same order.
#pragma once

#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "output_text.h"
#include "record_fields.h"

namespace vyr_cli {

class RecordLines {
public:
    explicit RecordLines(bool as_json) : m_json(as_json) {}
    RecordLines(const RecordLines&) = delete;
    RecordLines& operator=(const RecordLines&) = delete;
    ~RecordLines() {
        if (m_json) std::cout << json_text(m_records) << '\n';
    }

    void add(const nlohmann::ordered_json& record) {
        if (m_json) {
            m_records.push_back(record);
            return;
        }
        std::string line;
        for (const auto& [name, value] : record.items()) {
            if (!line.empty()) line += '\t';
            line += name + "=" + value_text(value);
        }
        std::cout << line << '\n';
    }

    // Strings for the terminal, numbers with their shortest digits (350000, not 350000.0), no
    // value as "-".
    static std::string value_text(const nlohmann::ordered_json& value) {
        if (value.is_string()) return terminal_text(value.get<std::string>());
        if (value.is_number_float()) return number_text(value.get<double>());
        if (value.is_null()) return "-";
        return value.dump();
    }

private:
    bool m_json;
    nlohmann::ordered_json m_records = nlohmann::ordered_json::array();
};

}  // namespace vyr_cli
