// What `vyr import` does with files that hold no station: find each file's kind from its content
// and store its records through the project's common data.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <vyr/vyr.h>

namespace vyr_cli {

enum class FileKind {
    kUnknown,
    kRinexObservation,
    kCompactRinexObservation,
    kRinexNavigationGps,
    kRinexNavigationGlonass,
    kRinexNavigationGalileo,
    kRinexNavigationMixed,
    kSp3,
    kIonosphereModel,
};

// The kind of a file judged by its first lines (ended by LF, CR LF or a lone CR): the RINEX
// "RINEX VERSION / TYPE" line (type and system letters), the compact RINEX "CRINEX VERS   / TYPE"
// line, the SP3 "#a".."#d" first line, or the labels of an ionosphere model file. A compressed
// file is judged by what it decompresses to; one that does not decompress throws CommandFailure.
FileKind detect_file_kind(const std::string& path);
const char* file_kind_name(FileKind kind);

// Records of one list that a file gave: how many were new, how many the project held already
// and, of those, how many differ from the record kept for their satellite and time (another
// source, or another message of the same time, came first), and what the file's conversion read
// past, as text ready to print after the count ("read past 2 damaged records (lines 120, 340): a
// position line that cannot be read").
struct StoredCount {
    std::string list;
    size_t added = 0;
    size_t present = 0;
    size_t otherKept = 0;
    std::vector<std::string> notes;
};

// One line for a file: the lists it fed with their counts, then what it read past; lists it gave
// nothing for are left out ("GPS ephemerides 257 added; Galileo ephemerides 823 added, 779
// already present (779 of the same satellite and time as another message: the first one
// kept)").
std::string counts_summary(const std::vector<StoredCount>& counts);

// Converts a file of any kind but observations and stores what it gives: ephemerides, precise
// orbits, ionosphere models; Klobuchar coefficients with the time of the file's first GPS
// message; the GLONASS channels of the file over the map already stored. Throws
// CommandFailure naming the file when a conversion or a store fails, with the line and the
// problem when the conversion tells them ("PATH:LINE: problem (text of the code)").
std::vector<StoredCount> import_common_data_file(FileKind kind, const std::string& path,
                                                 IVyrFileConverter& converter,
                                                 IVyrCommonData& commonData);

}  // namespace vyr_cli
