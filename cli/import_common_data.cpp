#include "import_common_data.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "commands.h"
#include "project_access.h"

namespace vyr_cli {
namespace {

constexpr int kLinesToLookAt = 60;
constexpr double kGpsOriginMjd = 44244.0;

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
        return {list, added, converted - added};
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

template <class T>
StoredCount store(IVyrCommonData& data, const std::vector<T>& records, const char* list,
                  typename ListCount<T>::Getter get,
                  VYR_ERROR (IVyrCommonData::*add)(const std::vector<T>&),
                  const std::string& path) {
    ListCount<T> counter(data, get, path);
    if (!records.empty()) check((data.*add)(records), path);
    return counter.after(list, records.size());
}

StoredCount store_channel_map(IVyrFileConverter& converter, IVyrCommonData& data,
                              const std::string& path) {
    VYR_GLONASS_FREQUENCYMAP fromFile{};
    check(converter.ConvertFrequencyMapGlo(path.c_str(), fromFile), path);
    VYR_GLONASS_FREQUENCYMAP merged{};
    for (int16_t& c : merged.channel) c = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    // A project without a stored map starts from an empty one.
    if (data.GetFrequencyChannelMapGlo(merged) < 0) {
        for (int16_t& c : merged.channel) c = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    }
    StoredCount count{"GLONASS channels", 0, 0};
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
    if (gps.empty()) return {"Klobuchar coefficients", 0, 0};
    const double epoch = kGpsOriginMjd + gps.front().week * 7.0 + gps.front().toc / 86400.0;
    std::vector<VYR_IONOUTC> records;
    check(converter.ConvertRinexIonoKlobuchar(path.c_str(), epoch, records), path);
    return store(data, records, "Klobuchar coefficients", &IVyrCommonData::GetIonoUtcCollection,
                 &IVyrCommonData::AddIonoUtcRecords, path);
}

void import_navigation(FileKind kind, const std::string& path, IVyrFileConverter& converter,
                       IVyrCommonData& data, std::vector<StoredCount>& counts) {
    const bool mixed = kind == FileKind::kRinexNavigationMixed;
    if (mixed || kind == FileKind::kRinexNavigationGps) {
        std::vector<VYR_BROADCASTEPHEMERIS> gps;
        check(converter.ConvertRinexNav(path.c_str(), gps), path);
        counts.push_back(store(data, gps, "GPS ephemerides",
                               &IVyrCommonData::GetBroadcastEphemerisCollection,
                               &IVyrCommonData::AddBroadcastEphemerisRecords, path));
        counts.push_back(store_klobuchar(converter, data, gps, path));
    }
    if (mixed || kind == FileKind::kRinexNavigationGlonass) {
        std::vector<VYR_BROADCASTEPHEMERIS_GLO> glonass;
        check(converter.ConvertRinexNavGlo(path.c_str(), glonass), path);
        counts.push_back(store(data, glonass, "GLONASS ephemerides",
                               &IVyrCommonData::GetBroadcastEphemerisGloCollection,
                               &IVyrCommonData::AddBroadcastEphemerisGloRecords, path));
        if (!glonass.empty()) counts.push_back(store_channel_map(converter, data, path));
    }
    if (mixed || kind == FileKind::kRinexNavigationGalileo) {
        std::vector<VYR_BROADCASTEPHEMERIS_GAL> galileo;
        check(converter.ConvertRinexNavGal(path.c_str(), galileo), path);
        counts.push_back(store(data, galileo, "Galileo ephemerides",
                               &IVyrCommonData::GetBroadcastEphemerisGalCollection,
                               &IVyrCommonData::AddBroadcastEphemerisGalRecords, path));
    }
}

}  // namespace

FileKind detect_file_kind(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!std::getline(in, line)) return FileKind::kUnknown;
    if (line.find("RINEX VERSION / TYPE") != std::string::npos) return rinex_kind(line);
    if (line.find("CRINEX VERS   / TYPE") != std::string::npos)
        return FileKind::kCompactRinexObservation;
    if (line.size() >= 2 && line[0] == '#' && std::strchr("abcd", line[1]) != nullptr)
        return FileKind::kSp3;
    for (int i = 0; i < kLinesToLookAt && std::getline(in, line); ++i) {
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
            check(converter.ConvertSp3(path.c_str(), orbits), path);
            counts.push_back(store(data, orbits, "precise orbit positions",
                                   &IVyrCommonData::GetPreciseEphemerisCollection,
                                   &IVyrCommonData::AddPreciseEphemerisRecords, path));
            break;
        }
        case FileKind::kIonosphereModel: {
            std::vector<VYR_IONO_GLOBALREG> models;
            check(converter.ConvertIonoGlobalReg(path.c_str(), models), path);
            counts.push_back(store(data, models, "ionosphere models",
                                   &IVyrCommonData::GetIonoGlobalRegCollection,
                                   &IVyrCommonData::AddIonoGlobalRegRecords, path));
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
