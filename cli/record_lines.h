// Lists of records for the terminal: one record per line as name=value fields separated by
// tabs, or one JSON array of objects with the fields in the same order.
#pragma once

#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "output_text.h"

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
            line += name + "=" +
                    (value.is_string() ? terminal_text(value.get<std::string>()) : value.dump());
        }
        std::cout << line << '\n';
    }

private:
    bool m_json;
    nlohmann::ordered_json m_records = nlohmann::ordered_json::array();
};

}  // namespace vyr_cli
