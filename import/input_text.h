// Input files as the importers read them: the kind of file is found by its first bytes, never by
// its name. gzip, Unix compress (.Z), bzip2, xz and a zip of one file are decompressed while
// they are read; compact RINEX (plain or inside any of those) is expanded on the fly. Nothing
// goes through a temporary file, and a plain file is read as it is.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "import/text_file.h"

namespace vyr_import {

enum class Expansion {
    kCompact,   // compact RINEX comes out as the plain text it stands for
    kAsStored,  // compact RINEX comes out as it is (decompressed only)
};

// A stream of decoded text with LF line ends. Null only when the file does not open for
// reading (problem then tells why). A container that cannot be read (a damaged header, a zip
// of several files) opens, and its first read fails with read_problem naming what broke.
TextFile open_input_text(const char* fileName, Expansion expansion, std::string& problem);

// What made a read of a stream of open_input_text or open_text_file fail, as one line:
// "gzip data is damaged: ...", "compact line 12: ...", or the system's text. Empty when the
// stream has no read failure (or is no stream of these).
std::string read_problem(FILE* file);

}  // namespace vyr_import
