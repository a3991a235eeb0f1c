// The progress calls of an import: throttled by the share of lines read, so that a caller's
// callback (a terminal bar, a Python function) costs nothing next to the reading.
#pragma once

#include <cstdint>
#include <string>

#include <vyr/file_import.h>

namespace vyr_import {

class ImportProgressFeed {
public:
    // A feed that calls nothing when options.progress is empty.
    ImportProgressFeed(const VyrImportOptions& options, size_t fileIndex, const std::string& path,
                       uint64_t linesTotal, uint64_t bytesStored)
        : m_callback(options.progress) {
        m_state.fileIndex = fileIndex;
        m_state.path = path;
        m_state.linesTotal = linesTotal;
        m_state.bytesStored = bytesStored;
        m_step = linesTotal / kCallsPerFile + 1;
    }

    bool active() const { return static_cast<bool>(m_callback); }

    void at(uint64_t line) {
        if (!m_callback || line < m_next) return;
        m_state.linesRead = line;
        m_next = line + m_step;
        m_callback(m_state);
    }

    void done() {
        if (!m_callback) return;
        m_state.linesRead = m_state.linesTotal;
        m_callback(m_state);
    }

private:
    static constexpr uint64_t kCallsPerFile = 1000;
    const std::function<void(const VyrImportProgress&)>& m_callback;
    VyrImportProgress m_state;
    uint64_t m_step = 1;
    uint64_t m_next = 0;
};

}  // namespace vyr_import
