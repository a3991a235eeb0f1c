// Text files as the line-by-line importers read them. Files come with LF, CR LF or lone CR line
// ends (the last from old Mac tools and some receivers' software); the stream hands every one of
// them out as a single LF, so fgets, the line classes and the line numbers treat the three alike.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

namespace vyr_import {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using TextFile = std::unique_ptr<FILE, FileCloser>;

// Null when the name is null or the file does not open for reading. The file is decoded as
// open_input_text does (import/input_text.h): decompressed and compact RINEX expanded.
TextFile open_text_file(const char* fileName);

// Reads the next line of a file of open_text_file without its line end into buffer (size at
// least 2): at most size - 1 bytes and a terminator, the rest of a longer line skipped. ended
// tells whether the line had a line end (the last line of a cut file has none). False at the end
// of the file or on a read failure (ferror tells).
bool read_line(FILE* file, char* buffer, size_t size, bool& ended);

// Rewrites bytes[0, size) in place with CR LF and lone CR as LF; returns the new size. afterCr
// carries across calls: true when the bytes given last ended in a CR, whose LF may open the next.
size_t to_lf_line_ends(char* bytes, size_t size, bool& afterCr);

}  // namespace vyr_import
