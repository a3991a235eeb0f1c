#include "import/line_splitter.h"

#include <algorithm>
#include <cstring>

uint16_t CLineSplitter::Split(const char* line) {
    if (line == nullptr) return 0;
    // Lengths wrap at 16 bits like the count they give.
    const uint16_t length = static_cast<uint16_t>(std::strlen(line));
    const uint32_t count = m_width == 0 ? 0 : (length + m_width - 1u) / m_width;
    // Assigning into the pieces of the last split reuses their memory from line to line.
    m_pieces.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t at = i * m_width;
        m_pieces[i].assign(line + at, std::min<uint32_t>(m_width, length - at));
    }
    return GetFieldCount();
}

uint16_t CLineSplitter::GetFieldLength(uint16_t index) const {
    return index < m_pieces.size() ? static_cast<uint16_t>(m_pieces[index].size()) : 0;
}

std::string CLineSplitter::GetField(uint16_t index) const {
    return index < m_pieces.size() ? m_pieces[index] : std::string();
}

char CLineSplitter::GetChar(uint16_t index, uint16_t position) const {
    if (index >= m_pieces.size() || position >= m_width) return 0;
    const std::string& piece = m_pieces[index];
    return position < piece.size() ? piece[position] : ' ';
}

void CLineSplitter::BlankChar(uint16_t index, uint16_t position) {
    if (index >= m_pieces.size() || position >= m_width) return;
    std::string& piece = m_pieces[index];
    if (position < piece.size()) piece[position] = ' ';
}

uint16_t CLineSplitter::GetFieldCount() const {
    return static_cast<uint16_t>(m_pieces.size());
}

std::string_view CLineSplitter::FieldView(uint16_t index) const {
    return index < m_pieces.size() ? std::string_view(m_pieces[index]) : std::string_view();
}
