// CLineSplitter: cuts a data line into fields of a fixed width.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CLineSplitter {
public:
    explicit CLineSplitter(uint16_t width) : m_width(width) {}
    virtual ~CLineSplitter() = default;

    // Cuts line into fields of the width (the last one may be shorter); returns their number.
    // A null line gives 0 and keeps the fields of the last split.
    virtual uint16_t Split(const char* line);
    // 0 for an index at or beyond the field count.
    virtual uint16_t GetFieldLength(uint16_t index) const;
    // Empty for an index at or beyond the field count.
    virtual std::string GetField(uint16_t index) const;
    // 0 outside the fields or the width; a blank beyond the end of a short last field.
    virtual char GetChar(uint16_t index, uint16_t position) const;
    // Overwrites one character with a blank; nothing outside the bounds of GetChar.
    virtual void BlankChar(uint16_t index, uint16_t position);
    virtual uint16_t GetFieldCount() const;
    // Field index without a copy; valid until the next Split.
    std::string_view FieldView(uint16_t index) const;

private:
    std::vector<std::string> m_pieces;
    uint16_t m_width;
};

// The fields of a version-2 observation line: a 14-column value, the loss-of-lock digit and the
// signal-strength digit.
class CLineSplitterRinexObs : public CLineSplitter {
public:
    static constexpr uint16_t kFieldWidth = 16;
    CLineSplitterRinexObs() : CLineSplitter(kFieldWidth) {}
};
