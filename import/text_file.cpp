#include "import/text_file.h"

#include <cstring>

namespace vyr_import {

size_t to_lf_line_ends(char* bytes, size_t size, bool& afterCr) {
    size_t in = afterCr && size > 0 && bytes[0] == '\n' ? 1 : 0;
    afterCr = false;
    size_t out = 0;
    while (in < size) {
        const void* cr = std::memchr(bytes + in, '\r', size - in);
        const size_t stop = cr != nullptr ? static_cast<const char*>(cr) - bytes : size;
        if (out != in) std::memmove(bytes + out, bytes + in, stop - in);
        out += stop - in;
        if (cr == nullptr) break;
        bytes[out++] = '\n';
        in = stop + 1;
        if (in == size) {
            afterCr = true;
        } else if (bytes[in] == '\n') {
            ++in;
        }
    }
    return out;
}

bool read_line(FILE* file, char* buffer, size_t size, bool& ended) {
    size_t length = 0;
    int c = 0;
    while ((c = getc_unlocked(file)) != EOF && c != '\n') {
        if (length + 1 < size) buffer[length++] = static_cast<char>(c);
    }
    buffer[length] = '\0';
    ended = c == '\n';
    return ended || length > 0;
}

}  // namespace vyr_import
