// Lines of a file or of bytes in memory, one at a time, without holding the input: a fixed
// window is refilled as lines are consumed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rnx {

class LineSource {
public:
    // Longer lines are cut here (the rest of the line is skipped): RINEX lines are at most a
    // few thousand columns, and the window must stay bounded on hostile input.
    static constexpr size_t kMaxLine = 64 * 1024;

    static std::unique_ptr<LineSource> open_file(const std::string& path);
    static std::unique_ptr<LineSource> from_memory(std::string_view bytes);
    // Lines of a stream the caller keeps open (and closes); a read failure makes failed() true.
    static std::unique_ptr<LineSource> from_stream(std::FILE* stream);
    ~LineSource();
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    // The next line without its terminator ("\n", "\r\n" or a lone "\r"); false at the end of the
    // input or on a read failure (see failed()). The view stays valid until the next call.
    bool next(std::string_view& line);
    // Makes the next call of next() return the line just returned again.
    void unread() { unread_ = true; }

    uint32_t line_number() const { return line_number_; }
    // A read failure shows once the lines read before it are handed out: a stream that gives
    // its last bytes and fails in the same read is cut after those lines, not before them.
    bool failed() const { return failed_ && begin_ >= end_ && !unread_; }
    // True when the line just returned was cut at kMaxLine.
    bool was_cut() const { return cut_; }

private:
    LineSource() = default;
    static constexpr size_t kNoEnd = static_cast<size_t>(-1);
    bool refill();
    // The window offset of the end of the line that holds `from`, with the end's length (1, or 2
    // for CR LF); kNoEnd when the window holds none yet, resume then being where to search on.
    size_t find_end(size_t from, size_t& length, size_t& resume);
    std::string_view take(size_t len, size_t consumed);

    std::FILE* file_ = nullptr;
    bool owned_ = true;  // a file of open_file, closed with the source
    std::string_view memory_;
    std::vector<char> window_;
    size_t begin_ = 0;  // first unconsumed byte of the window
    size_t end_ = 0;    // one past the last filled byte
    bool eof_ = false;
    bool failed_ = false;
    bool cut_ = false;
    bool unread_ = false;
    bool skipping_ = false;
    std::string_view last_;
    uint32_t line_number_ = 0;
};

}  // namespace rnx
