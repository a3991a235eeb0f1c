#include "import_common_data.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <unordered_set>

#include "commands.h"
#include "project_access.h"
#include "time_text.h"

namespace vyr_cli {
namespace {

constexpr int kLinesToLookAt = 60;
// Enough for the lines looked at; a file without line ends is not read to its end.
constexpr size_t kBytesToLookAt = 64 * 1024;

// The first lines of a file as the importers read it: decompressed, compact RINEX left as it is
// so that its first line tells it. LF, CR LF and a lone CR all end a line. Throws when the file
// cannot be decoded.
std::vector<std::string> first_lines(const std::string& path) {
    std::string bytes;
    std::string problem;
    if (!Vyr_ReadLeadingText(path.c_str(), kBytesToLookAt, bytes, problem))
        throw CommandFailure{path + ": " + problem};
    std::vector<std::string> lines;
    for (size_t at = 0; at < bytes.size() && lines.size() <= kLinesToLookAt;) {
        const size_t end = std::min(bytes.find_first_of("\r\n", at), bytes.size());
        lines.push_back(bytes.substr(at, end - at));
        at = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// "read past 2 damaged records (lines 120, 340): problem"; remarks as they are, with their line.
std::vector<std::string> notes_of(const VyrConversionReport& report) {
    std::vector<std::string> notes;
    for (const VyrConversionReport::ReadPast& kind : report.readPast) {
        const bool one = kind.records == 1;
        std::string lines;
        for (uint32_t line : kind.lines)
            lines += (lines.empty() ? "" : ", ") + std::to_string(line);
        if (kind.records > kind.lines.size()) lines += ", ...";
        notes.push_back("read past " + std::to_string(kind.records) + " damaged record" +
                        (one ? "" : "s") + " (line" + (one ? " " : "s ") + lines +
                        "): " + kind.problem);
    }
    for (const VyrLineProblem& remark : report.remarks)
        notes.push_back((remark.line != 0 ? "line " + std::to_string(remark.line) + ": " : "") +
                        remark.problem);
    return notes;
}

// Like check(), naming the line and the problem when the conversion's report tells them.
void check_conversion(VYR_ERROR code, const IVyrFileConverter& converter, const std::string& path) {
    const VyrLineProblem& failure = converter.GetLastReport().failure;
    if (VyrSucceeded(code) || failure.problem.empty()) return check(code, path);
    std::string text;
    ErrorToStringDef(code, text);
    const std::string where = failure.line != 0 ? path + ":" + std::to_string(failure.line) : path;
    throw CommandFailure{where + ": " + failure.problem + " (" + text + ")"};
}

FileKind rinex_kind(const std::string& first) {
    const char type = first.size() > 20 ? first[20] : ' ';
    const char system = first.size() > 40 ? first[40] : ' ';
    const double version = std::strtod(first.c_str(), nullptr);
    if (type == 'O') return FileKind::kRinexObservation;
    if (type == 'G') return FileKind::kRinexNavigationGlonass;  // version 2
    if (type == 'E') return FileKind::kRinexNavigationGalileo;
    if (type != 'N') return FileKind::kUnknown;
    if (version < 3.0) return FileKind::kRinexNavigationGps;
    switch (system) {
        case 'G':
            return FileKind::kRinexNavigationGps;
        case 'R':
            return FileKind::kRinexNavigationGlonass;
        case 'E':
            return FileKind::kRinexNavigationGalileo;
        default:
            return FileKind::kRinexNavigationMixed;
    }
}

// Counts a list before and after adding: the collections skip records already stored. The
// count comes from the stored size, without reading the records.
template <class T>
class ListCount {
public:
    using Getter = VYR_ERROR (IVyrCommonData::*)(CVyrIPtrSmart<IVyrCollection<T>>&);

    ListCount(IVyrCommonData& data, Getter get, const std::string& path)
        : m_data(data), m_get(get), m_path(path), m_before(count()) {}

    StoredCount after(const char* list, size_t converted) {
        const size_t added = count() - m_before;
        return {list, added, converted - added, 0, {}};
    }

private:
    // The collection is let go again at once: its stream must be free for the insert.
    size_t count() {
        CVyrIPtrSmart<IVyrCollection<T>> collection;
        check((m_data.*m_get)(collection), m_path);
        uint32_t n = 0;
        check(collection->GetCount(n), m_path);
        return n;
    }
    IVyrCommonData& m_data;
    Getter m_get;
    const std::string& m_path;
    size_t m_before;
};

// The records of a file that were not stored because a different record of the same satellite
// and time is: those whose bytes no stored record has.
template <class T>
size_t count_other_kept(IVyrCommonData& data, typename ListCount<T>::Getter get,
                        const std::vector<T>& records, const std::string& path) {
    CVyrIPtrSmart<IVyrCollection<T>> collection;
    check((data.*get)(collection), path);
    std::vector<T> stored;
    check(collection->GetAll(stored), path);
    std::unordered_set<std::string_view> kept;
    for (const T& record : stored)
        kept.insert({reinterpret_cast<const char*>(&record), sizeof record});
    return static_cast<size_t>(std::count_if(records.begin(), records.end(), [&](const T& r) {
        return kept.count({reinterpret_cast<const char*>(&r), sizeof r}) == 0;
    }));
}

// Stores what a conversion gave, with the notes of its report.
template <class T>
StoredCount store(IVyrCommonData& data, const std::vector<T>& records, const char* list,
                  typename ListCount<T>::Getter get,
                  VYR_ERROR (IVyrCommonData::*add)(const std::vector<T>&),
                  const IVyrFileConverter& converter, const std::string& path) {
    static_assert(std::is_trivially_copyable_v<T>);  // compared byte for byte
    ListCount<T> counter(data, get, path);
    if (!records.empty()) check((data.*add)(records), path);
    StoredCount count = counter.after(list, records.size());
    if (count.present > 0) count.otherKept = count_other_kept(data, get, records, path);
    count.notes = notes_of(converter.GetLastReport());
    return count;
}

StoredCount store_channel_map(IVyrFileConverter& converter, IVyrCommonData& data,
                              const std::string& path) {
    VYR_GLONASS_FREQUENCYMAP fromFile{};
    check_conversion(converter.ConvertFrequencyMapGlo(path.c_str(), fromFile), converter, path);
    VYR_GLONASS_FREQUENCYMAP merged{};
    for (int16_t& c : merged.channel) c = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    // A project without a stored map starts from an empty one.
    if (data.GetFrequencyChannelMapGlo(merged) < 0) {
        for (int16_t& c : merged.channel) c = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    }
    StoredCount count{"GLONASS channels", 0, 0, 0, notes_of(converter.GetLastReport())};
    for (int i = 0; i < VYR_GLONASS_FREQUENCYMAP::kSlots; ++i) {
        const int16_t channel = fromFile.channel[i];
        if (channel == VYR_GLONASS_FREQUENCYMAP::kNotSet) continue;
        if (merged.channel[i] == channel) {
            ++count.present;
        } else {
            merged.channel[i] = channel;
            ++count.added;
        }
    }
    if (count.added > 0) check(data.SetFrequencyChannelMapGlo(merged), path);
    return count;
}

// The Klobuchar coefficients take the time of the file's first GPS message as their reference;
// without a GPS message there is no time to give them, and they are not stored.
StoredCount store_klobuchar(IVyrFileConverter& converter, IVyrCommonData& data,
                            const std::vector<VYR_BROADCASTEPHEMERIS>& gps,
                            const std::string& path) {
    if (gps.empty()) return {"Klobuchar coefficients", 0, 0, 0, {}};
    const double epoch = kGpsWeekOriginMjd + gps.front().week * 7.0 + gps.front().toc / 86400.0;
    std::vector<VYR_IONOUTC> records;
    check_conversion(converter.ConvertRinexIonoKlobuchar(path.c_str(), epoch, records), converter,
                     path);
    return store(data, records, "Klobuchar coefficients", &IVyrCommonData::GetIonoUtcCollection,
                 &IVyrCommonData::AddIonoUtcRecords, converter, path);
}

void import_navigation(FileKind kind, const std::string& path, IVyrFileConverter& converter,
                       IVyrCommonData& data, std::vector<StoredCount>& counts) {
    const bool mixed = kind == FileKind::kRinexNavigationMixed;
    if (mixed || kind == FileKind::kRinexNavigationGps) {
        std::vector<VYR_BROADCASTEPHEMERIS> gps;
        check_conversion(converter.ConvertRinexNav(path.c_str(), gps), converter, path);
        counts.push_back(store(data, gps, "GPS ephemerides",
                               &IVyrCommonData::GetBroadcastEphemerisCollection,
                               &IVyrCommonData::AddBroadcastEphemerisRecords, converter, path));
        counts.push_back(store_klobuchar(converter, data, gps, path));
    }
    if (mixed || kind == FileKind::kRinexNavigationGlonass) {
        std::vector<VYR_BROADCASTEPHEMERIS_GLO> glonass;
        check_conversion(converter.ConvertRinexNavGlo(path.c_str(), glonass), converter, path);
        counts.push_back(store(data, glonass, "GLONASS ephemerides",
                               &IVyrCommonData::GetBroadcastEphemerisGloCollection,
                               &IVyrCommonData::AddBroadcastEphemerisGloRecords, converter, path));
        if (!glonass.empty()) counts.push_back(store_channel_map(converter, data, path));
    }
    if (mixed || kind == FileKind::kRinexNavigationGalileo) {
        std::vector<VYR_BROADCASTEPHEMERIS_GAL> galileo;
        check_conversion(converter.ConvertRinexNavGal(path.c_str(), galileo), converter, path);
        counts.push_back(store(data, galileo, "Galileo ephemerides",
                               &IVyrCommonData::GetBroadcastEphemerisGalCollection,
                               &IVyrCommonData::AddBroadcastEphemerisGalRecords, converter, path));
    }
}

}  // namespace

std::string counts_summary(const std::vector<StoredCount>& counts) {
    std::string lists, notes;
    std::vector<std::string> said;
    for (const StoredCount& count : counts) {
        // The conversions of a mixed navigation file each read the whole file: a damaged
        // message is met by each of them, and told once.
        for (const std::string& note : count.notes) {
            if (std::find(said.begin(), said.end(), note) != said.end()) continue;
            said.push_back(note);
            notes += "; " + note;
        }
        if (count.added == 0 && count.present == 0) continue;
        lists +=
            (lists.empty() ? "" : "; ") + count.list + " " + std::to_string(count.added) + " added";
        if (count.present == 0) continue;
        lists += ", " + std::to_string(count.present) + " already present";
        if (count.otherKept > 0)
            lists += " (" + std::to_string(count.otherKept) +
                     " of the same satellite and time as another record: the first one kept)";
    }
    return (lists.empty() ? "nothing to store" : lists) + notes;
}

FileKind detect_file_kind(const std::string& path) {
    const std::vector<std::string> lines = first_lines(path);
    if (lines.empty()) return FileKind::kUnknown;
    const std::string& first = lines.front();
    if (first.find("RINEX VERSION / TYPE") != std::string::npos) return rinex_kind(first);
    if (first.find("CRINEX VERS   / TYPE") != std::string::npos)
        return FileKind::kCompactRinexObservation;
    if (first.size() >= 2 && first[0] == '#' && std::strchr("abcd", first[1]) != nullptr)
        return FileKind::kSp3;
    for (const std::string& line : lines) {
        if (line.find("MAXIMUM DEGREE OF SPHERICAL HARMONICS") != std::string::npos)
            return FileKind::kIonosphereModel;
    }
    return FileKind::kUnknown;
}

const char* file_kind_name(FileKind kind) {
    switch (kind) {
        case FileKind::kRinexObservation:
            return "RINEX observation";
        case FileKind::kCompactRinexObservation:
            return "compact RINEX observation";
        case FileKind::kRinexNavigationGps:
            return "RINEX navigation (GPS)";
        case FileKind::kRinexNavigationGlonass:
            return "RINEX navigation (GLONASS)";
        case FileKind::kRinexNavigationGalileo:
            return "RINEX navigation (Galileo)";
        case FileKind::kRinexNavigationMixed:
            return "RINEX navigation (mixed)";
        case FileKind::kSp3:
            return "SP3 precise orbit";
        case FileKind::kIonosphereModel:
            return "ionosphere model";
        default:
            return "unknown";
    }
}

std::vector<StoredCount> import_common_data_file(FileKind kind, const std::string& path,
                                                 IVyrFileConverter& converter,
                                                 IVyrCommonData& data) {
    std::vector<StoredCount> counts;
    switch (kind) {
        case FileKind::kSp3: {
            std::vector<VYR_PRECISEEPHEMERIS> orbits;
            check_conversion(converter.ConvertSp3(path.c_str(), orbits), converter, path);
            counts.push_back(store(data, orbits, "precise orbit positions",
                                   &IVyrCommonData::GetPreciseEphemerisCollection,
                                   &IVyrCommonData::AddPreciseEphemerisRecords, converter, path));
            break;
        }
        case FileKind::kIonosphereModel: {
            std::vector<VYR_IONO_GLOBALREG> models;
            check_conversion(converter.ConvertIonoGlobalReg(path.c_str(), models), converter, path);
            counts.push_back(store(data, models, "ionosphere models",
                                   &IVyrCommonData::GetIonoGlobalRegCollection,
                                   &IVyrCommonData::AddIonoGlobalRegRecords, converter, path));
            break;
        }
        case FileKind::kRinexNavigationGps:
        case FileKind::kRinexNavigationGlonass:
        case FileKind::kRinexNavigationGalileo:
        case FileKind::kRinexNavigationMixed:
            import_navigation(kind, path, converter, data, counts);
            break;
        default:
            throw CommandFailure{path + ": not a file of common data (" + file_kind_name(kind) +
                                 ")"};
    }
    return counts;
}

}  // namespace vyr_cli
