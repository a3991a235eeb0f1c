// A file's kind told by its first lines, whatever compression it is stored in.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <vyr/file_import.h>

namespace {

constexpr size_t kLinesToLookAt = 60;
// Enough for the lines looked at; a file without line ends is not read to its end.
constexpr size_t kBytesToLookAt = 64 * 1024;

// The first lines of a file as the importers read it: decompressed, compact RINEX left as it is
// so that its first line tells it. LF, CR LF and a lone CR all end a line.
bool first_lines(const std::string& path, std::vector<std::string>& lines, std::string& problem) {
    std::string bytes;
    if (!Vyr_ReadLeadingText(path.c_str(), kBytesToLookAt, bytes, problem)) return false;
    for (size_t at = 0; at < bytes.size() && lines.size() <= kLinesToLookAt;) {
        const size_t end = std::min(bytes.find_first_of("\r\n", at), bytes.size());
        lines.push_back(bytes.substr(at, end - at));
        at = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return true;
}

VyrImportKind rinex_kind(const std::string& first) {
    const char type = first.size() > 20 ? first[20] : ' ';
    const char system = first.size() > 40 ? first[40] : ' ';
    const double version = std::strtod(first.c_str(), nullptr);
    if (type == 'O') return VyrImportKind::kRinexObservation;
    if (type == 'G') return VyrImportKind::kRinexNavigationGlonass;  // version 2
    if (type == 'E') return VyrImportKind::kRinexNavigationGalileo;
    if (type != 'N') return VyrImportKind::kUnknown;
    if (version < 3.0) return VyrImportKind::kRinexNavigationGps;
    switch (system) {
        case 'G':
            return VyrImportKind::kRinexNavigationGps;
        case 'R':
            return VyrImportKind::kRinexNavigationGlonass;
        case 'E':
            return VyrImportKind::kRinexNavigationGalileo;
        default:
            return VyrImportKind::kRinexNavigationMixed;
    }
}

}  // namespace

bool Vyr_DetectImportKind(const std::string& path, VyrImportKind& kind, std::string& problem) {
    kind = VyrImportKind::kUnknown;
    std::vector<std::string> lines;
    if (!first_lines(path, lines, problem)) return false;
    if (lines.empty()) return true;
    const std::string& first = lines.front();
    if (first.find("RINEX VERSION / TYPE") != std::string::npos) {
        kind = rinex_kind(first);
    } else if (first.find("CRINEX VERS   / TYPE") != std::string::npos) {
        kind = VyrImportKind::kCompactRinexObservation;
    } else if (first.size() >= 2 && first[0] == '#' && std::strchr("abcd", first[1]) != nullptr) {
        kind = VyrImportKind::kSp3;
    } else if (std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
                   return line.find("MAXIMUM DEGREE OF SPHERICAL HARMONICS") != std::string::npos;
               })) {
        kind = VyrImportKind::kIonosphereModel;
    }
    return true;
}

const char* Vyr_ImportKindName(VyrImportKind kind) {
    switch (kind) {
        case VyrImportKind::kRinexObservation:
            return "RINEX observation";
        case VyrImportKind::kCompactRinexObservation:
            return "compact RINEX observation";
        case VyrImportKind::kRinexNavigationGps:
            return "RINEX navigation (GPS)";
        case VyrImportKind::kRinexNavigationGlonass:
            return "RINEX navigation (GLONASS)";
        case VyrImportKind::kRinexNavigationGalileo:
            return "RINEX navigation (Galileo)";
        case VyrImportKind::kRinexNavigationMixed:
            return "RINEX navigation (mixed)";
        case VyrImportKind::kSp3:
            return "SP3 precise orbit";
        case VyrImportKind::kIonosphereModel:
            return "ionosphere model";
        default:
            return "unknown";
    }
}
