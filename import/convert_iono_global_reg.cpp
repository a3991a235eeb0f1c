#include "import/convert_iono_global_reg.h"

#include <cstring>
#include <string>
#include <utility>

#include "import/convert_rinex_nav_values.h"
#include "import/input_text.h"
#include "import/line_classification.h"
#include "import/text_file.h"
#include "vyr/mjd_time.h"

namespace vyr_import {
namespace {

constexpr int kLabelCount = kIonoBlank;
constexpr const char* kLabels[kLabelCount] = {
    "----------------------",
    "MODEL NUMBER / STATION NAME",
    "MODEL TYPE (1=LOCAL,2=GLOBAL,3=STATION)",
    "MAXIMUM DEGREE OF SPHERICAL HARMONICS",
    "MAXIMUM ORDER",
    "DEVELOPMENT WITH RESPECT TO",
    "GEOGRAPHICAL (=1) OR GEOMAGNETIC (=2) FRAME",
    "MEAN (=1) OR TRUE (=2) POSITION OF THE SUN",
    "MAPPING FUNCTION (0=NONE,1=1/COS)",
    "MAPPING FUNCTION (0=NONE,1=COSZ,2=MSLM,3",
    "HEIGHT OF SINGLE LAYER AND ITS RMS ERROR (KM)",
    "COORDINATES OF EARTH-CENTERED DIPOLE AXIS",
    "LATITUDE OF NORTH GEOMAGNETIC POLE (DEGREES)",
    "EAST LONGITUDE (DEGREES)",
    "PERIOD OF VALIDITY",
    "FROM EPOCH / REFERENCE EPOCH (Y,M,D,H,M,S)",
    "TO EPOCH",
    "LATITUDE BAND COVERED",
    "MINIMUM LATITUDE (DEGREES)",
    "MAXIMUM LATITUDE (DEGREES)",
    "ADDITIONAL INFORMATION",
    "NUMBER OF CONTRIBUTING STATIONS",
    "NUMBER OF CONTRIBUTING SATELLITES",
    "ELEVATION CUT-OFF ANGLE (DEGREES)",
    "MAXIMUM TEC AND ITS RMS ERROR (TECU)",
    "COMMENT / WARNING",
    "COEFFICIENTS",
    "DEGREE  ORDER    VALUE (TECU)   RMS (TECU)",
};

constexpr double kDefaultValidityMs = 7200000.0;

// The value text of a labelled line: what follows the label and its colon.
const char* value_of(const char* line, int lineClass) {
    const char* label = std::strstr(line, kLabels[lineClass]);
    const char* p = label + std::strlen(kLabels[lineClass]);
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == ':') ++p;
    return p;
}

bool parse_unsigned16(const char* text, uint16_t& value) {
    int parsed = 0;
    if (parse_integers(text, &parsed, 1) != 1 || parsed < 0 || parsed > 0xFFFF) return false;
    value = static_cast<uint16_t>(parsed);
    return true;
}

bool parse_epoch(const char* text, double& epoch) {
    int v[6] = {};
    if (parse_integers(text, v, 6) != 6) return false;
    uint32_t day = 0;
    double milliseconds = 0.0;
    CalendarToMjd(v[0], v[1], v[2], v[3], v[4], v[5], day, milliseconds);
    epoch = day + milliseconds / mjd::kMillisecondsPerDay;
    return true;
}

// The entries every model must give, by the class that gives them.
enum Seen : uint32_t {
    kSeenType = 1u << 0,
    kSeenDegree = 1u << 1,
    kSeenOrder = 1u << 2,
    kSeenFrame = 1u << 3,
    kSeenMapping = 1u << 4,
    kSeenHeight = 1u << 5,
    kSeenPoleLatitude = 1u << 6,
    kSeenPoleLongitude = 1u << 7,
    kSeenFrom = 1u << 8,
    kSeenTo = 1u << 9,
    kSeenMinLatitude = 1u << 10,
    kSeenMaxLatitude = 1u << 11,
    kSeenAll = (1u << 12) - 1,
};

// Takes one header line into the model; 0, or the failure it gives with its problem.
VYR_ERROR take_header_line(const char* line, int lineClass, VYR_IONO_GLOBALREG& m, uint32_t& seen,
                           std::string& problem) {
    // Blank and unlabelled lines among the labels carry nothing (and have no label to skip).
    if (lineClass < 0 || lineClass >= kLabelCount) return VYR_OK;
    const char* value = value_of(line, lineClass);
    // Packed fields are filled by value: no reference binds to a misaligned member.
    double number = 0.0;
    uint16_t number16 = 0;
    bool ok = true;
    switch (lineClass) {
        case kIonoModelType: {
            uint16_t type = 0;
            ok = parse_unsigned16(value, type);
            // Types 1 to 3 exist; another would be stored as a type no reader knows.
            if (ok && (type < 1 || type > 3)) {
                problem = "model type " + std::to_string(type) + " is none of 1, 2 and 3";
                return VYR_E_UNSUPPORTED_FILE;
            }
            m.modelType = type - 1u;
            seen |= kSeenType;
            break;
        }
        case kIonoMaxDegree:
            ok = parse_unsigned16(value, number16);
            m.maxDegree = number16;
            seen |= kSeenDegree;
            break;
        case kIonoMaxOrder:
            ok = parse_unsigned16(value, number16);
            m.maxOrder = number16;
            seen |= kSeenOrder;
            break;
        case kIonoFrame: {
            int frame = 0;
            ok = parse_integers(value, &frame, 1) == 1;
            if (ok && frame != 1 && frame != 2) {
                problem = "frame " + std::to_string(frame) + " is neither 1 nor 2";
                return VYR_E_UNSUPPORTED_FILE;
            }
            m.frame = static_cast<uint8_t>(frame - 1);
            seen |= kSeenFrame;
            break;
        }
        case kIonoMappingFunction:
        case kIonoMappingFunctionExtended: {
            uint16_t mapping = 0;
            ok = parse_unsigned16(value, mapping);
            m.mappingFunction = mapping;
            seen |= kSeenMapping;
            break;
        }
        case kIonoHeight:
            ok = parse_numbers(value, &number, 1) == 1;
            m.height = number;
            seen |= kSeenHeight;
            break;
        case kIonoPoleLatitude:
            ok = parse_numbers(value, &number, 1) == 1;
            m.poleLatitude = number;
            seen |= kSeenPoleLatitude;
            break;
        case kIonoPoleLongitude:
            ok = parse_numbers(value, &number, 1) == 1;
            m.poleLongitude = number;
            seen |= kSeenPoleLongitude;
            break;
        case kIonoFromEpoch:
            ok = parse_epoch(value, number);
            m.fromEpoch = number;
            seen |= kSeenFrom;
            break;
        case kIonoToEpoch:
            if (parse_epoch(value, number)) {
                m.toEpoch = number;
            } else {
                // An open end: the model holds for two hours from its reference epoch.
                if (!(seen & kSeenFrom)) {
                    problem = "TO EPOCH without a date, and no FROM EPOCH before it";
                    return VYR_E_FAILED_TO_READ;
                }
                m.toEpoch = m.fromEpoch + kDefaultValidityMs / mjd::kMillisecondsPerDay;
            }
            seen |= kSeenTo;
            break;
        case kIonoMinLatitude:
            ok = parse_numbers(value, &number, 1) == 1;
            m.minLatitude = number;
            seen |= kSeenMinLatitude;
            break;
        case kIonoMaxLatitude:
            ok = parse_numbers(value, &number, 1) == 1;
            m.maxLatitude = number;
            seen |= kSeenMaxLatitude;
            break;
        default:
            break;
    }
    if (ok) return VYR_OK;
    problem = std::string("the value of \"") + kLabels[lineClass] + "\" cannot be read";
    return VYR_E_FAILED_TO_READ;
}

// The label of the first entry a model lacks.
const char* first_missing(uint32_t seen) {
    const struct {
        uint32_t bit;
        int lineClass;
    } entries[] = {
        {kSeenType, kIonoModelType},
        {kSeenDegree, kIonoMaxDegree},
        {kSeenOrder, kIonoMaxOrder},
        {kSeenFrame, kIonoFrame},
        {kSeenMapping, kIonoMappingFunction},
        {kSeenHeight, kIonoHeight},
        {kSeenPoleLatitude, kIonoPoleLatitude},
        {kSeenPoleLongitude, kIonoPoleLongitude},
        {kSeenFrom, kIonoFromEpoch},
        {kSeenTo, kIonoToEpoch},
        {kSeenMinLatitude, kIonoMinLatitude},
        {kSeenMaxLatitude, kIonoMaxLatitude},
    };
    for (const auto& e : entries)
        if (!(seen & e.bit)) return kLabels[e.lineClass];
    return "";
}

}  // namespace

int iono_coefficient_count(int maxDegree, int maxOrder) {
    int count = 0;
    for (int n = 0; n <= maxDegree; ++n) {
        const int perDegree = 2 * n + 1 < 2 * maxOrder + 1 ? 2 * n + 1 : 2 * maxOrder + 1;
        count += perDegree;
        // Far past what any record holds: no need to count on.
        if (count > VYR_IONO_GLOBALREG::kMaxCoefficients) return count;
    }
    return count;
}

}  // namespace vyr_import

using namespace vyr_import;

int CConvertFileIonoGlobalReg::ClassifyLine(char* line) const {
    if (line == nullptr) return kIonoNone;
    for (int c = 0; c < kLabelCount; ++c)
        if (std::strstr(line, kLabels[c]) != nullptr) return c;
    if (IsBlank(line)) return kIonoBlank;
    ReplaceChar(line, 'D', 'E');
    return kIonoData;
}

bool CConvertFileIonoGlobalReg::ReadLine(FILE* file, char* buffer, int& lineClass) const {
    if (file == nullptr || buffer == nullptr) return false;
    if (std::fgets(buffer, kLineBufferSize, file) == nullptr) return false;
    size_t length = std::strlen(buffer);
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r'))
        buffer[--length] = '\0';
    lineClass = ClassifyLine(buffer);
    return true;
}

bool CConvertFileIonoGlobalReg::NextLine(FILE* file, char* buffer, int& lineClass) {
    if (!ReadLine(file, buffer, lineClass)) return false;
    ++m_line;
    return true;
}

VYR_ERROR CConvertFileIonoGlobalReg::Fail(VYR_ERROR code, std::string problem) {
    return note_failure(m_report, code, m_line, std::move(problem));
}

VYR_ERROR CConvertFileIonoGlobalReg::EndInside(FILE* file, const char* part) {
    if (std::ferror(file)) {
        ++m_line;
        return Fail(VYR_E_FAILED_TO_READ, read_problem(file));
    }
    return Fail(VYR_E_HEADER_OR_DATA_MISSING, std::string("the file ends inside ") + part);
}

VYR_ERROR CConvertFileIonoGlobalReg::ReadModelHeader(FILE* file, VYR_IONO_GLOBALREG& m) {
    char buffer[kLineBufferSize];
    int lineClass = kIonoNone;
    uint32_t seen = 0;
    for (;;) {
        if (!NextLine(file, buffer, lineClass)) return EndInside(file, "the header of a model");
        if (lineClass == kIonoCoefficientHeader) break;
        std::string problem;
        const VYR_ERROR taken = take_header_line(buffer, lineClass, m, seen, problem);
        if (taken != VYR_OK) return Fail(taken, problem);
    }
    if ((seen & kSeenFrom) && !(seen & kSeenTo)) {
        m.toEpoch = m.fromEpoch + kDefaultValidityMs / mjd::kMillisecondsPerDay;
        seen |= kSeenTo;
    }
    if (seen == kSeenAll) return VYR_OK;
    return Fail(VYR_E_HEADER_OR_DATA_MISSING,
                std::string("the model has no \"") + first_missing(seen) + "\" line");
}

VYR_ERROR CConvertFileIonoGlobalReg::ReadCoefficients(FILE* file, VYR_IONO_GLOBALREG& m) {
    // Checked before a line is read: the record has room for a fixed number of coefficients.
    const int count = iono_coefficient_count(m.maxDegree, m.maxOrder);
    if (count > VYR_IONO_GLOBALREG::kMaxCoefficients) {
        return Fail(VYR_E_UNSUPPORTED_FILE,
                    "degree " + std::to_string(m.maxDegree) + " and order " +
                        std::to_string(m.maxOrder) + " need more than the " +
                        std::to_string(VYR_IONO_GLOBALREG::kMaxCoefficients) +
                        " coefficients a model holds");
    }
    char buffer[kLineBufferSize];
    int next = 0;
    for (int n = 0; n <= m.maxDegree; ++n) {
        const int lines = 2 * n + 1 < 2 * m.maxOrder + 1 ? 2 * n + 1 : 2 * m.maxOrder + 1;
        for (int i = 0; i < lines; ++i) {
            int lineClass = kIonoNone;
            if (!NextLine(file, buffer, lineClass)) return EndInside(file, "the coefficients");
            if (lineClass != kIonoData) {
                return Fail(VYR_E_HEADER_OR_DATA_MISSING,
                            "coefficient line " + std::to_string(next + 1) + " of " +
                                std::to_string(count) + " was expected");
            }
            int degreeOrder[2] = {};
            double valueRms[2] = {};
            const char* rest = nullptr;
            if (parse_integers(buffer, degreeOrder, 2, &rest) != 2 ||
                parse_numbers(rest, valueRms, 2) != 2 || degreeOrder[0] < -32768 ||
                degreeOrder[0] > 32767 || degreeOrder[1] < -32768 || degreeOrder[1] > 32767)
                return Fail(VYR_E_FAILED_TO_READ,
                            "a coefficient line that is not degree, order, value and RMS");
            VYR_IONO_COEFFICIENT& c = m.coefficients[next++];
            c.degree = static_cast<int16_t>(degreeOrder[0]);
            c.order = static_cast<int16_t>(degreeOrder[1]);
            c.value = valueRms[0];
            c.rms = valueRms[1];
        }
    }
    return VYR_OK;
}

VYR_ERROR CConvertFileIonoGlobalReg::Convert(std::vector<VYR_IONO_GLOBALREG>& out, uint32_t) {
    out.clear();
    m_line = 0;
    TextFile file = open_text_file(GetFileName());
    if (!file) return VYR_E_FILE_NOT_FOUND;
    char buffer[kLineBufferSize];
    int lineClass = kIonoNone;
    auto skip_to_separator = [&]() {
        while (NextLine(file.get(), buffer, lineClass))
            if (lineClass == kIonoSeparator) return true;
        return false;
    };
    const auto end = [&]() {
        if (!std::ferror(file.get())) return VYR_OK;
        ++m_line;
        return Fail(VYR_E_FAILED_TO_READ, read_problem(file.get()));
    };
    if (!skip_to_separator()) return end();
    for (;;) {
        VYR_IONO_GLOBALREG model{};
        VYR_ERROR result = ReadModelHeader(file.get(), model);
        if (result == VYR_OK) result = ReadCoefficients(file.get(), model);
        if (result != VYR_OK) return result;
        out.push_back(model);
        if (!skip_to_separator()) return end();
    }
}
