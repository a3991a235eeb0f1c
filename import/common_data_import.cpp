#include "import/common_data_import.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <unordered_set>

#include <vyr/collection.h>
#include <vyr/common_data.h>
#include <vyr/mjd_time.h>
#include <vyr/root.h>

#include "import/import_failure.h"

namespace vyr_import {
namespace {

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
    throw ImportFailure{code, where + ": " + failure.problem + " (" + text + ")"};
}

// Counts a list before and after adding: the collections skip records already stored. The
// count comes from the stored size, without reading the records.
template <class T>
class ListCount {
public:
    using Getter = VYR_ERROR (IVyrCommonData::*)(CVyrIPtrSmart<IVyrCollection<T>>&);

    ListCount(IVyrCommonData& data, Getter get, const std::string& path)
        : m_data(data), m_get(get), m_path(path), m_before(count()) {}

    VyrImportedList after(const char* list, size_t converted) {
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
VyrImportedList store(IVyrCommonData& data, const std::vector<T>& records, const char* list,
                      typename ListCount<T>::Getter get,
                      VYR_ERROR (IVyrCommonData::*add)(const std::vector<T>&),
                      const IVyrFileConverter& converter, const std::string& path) {
    static_assert(std::is_trivially_copyable_v<T>);  // compared byte for byte
    ListCount<T> counter(data, get, path);
    if (!records.empty()) check((data.*add)(records), path);
    VyrImportedList count = counter.after(list, records.size());
    if (count.present > 0) count.otherKept = count_other_kept(data, get, records, path);
    count.notes = notes_of(converter.GetLastReport());
    return count;
}

VyrImportedList store_channel_map(IVyrFileConverter& converter, IVyrCommonData& data,
                                  const std::string& path) {
    VYR_GLONASS_FREQUENCYMAP fromFile{};
    check_conversion(converter.ConvertFrequencyMapGlo(path.c_str(), fromFile), converter, path);
    VYR_GLONASS_FREQUENCYMAP merged{};
    for (int16_t& c : merged.channel) c = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    // A project without a stored map starts from an empty one.
    if (data.GetFrequencyChannelMapGlo(merged) < 0) {
        for (int16_t& c : merged.channel) c = VYR_GLONASS_FREQUENCYMAP::kNotSet;
    }
    VyrImportedList count{"GLONASS channels", 0, 0, 0, notes_of(converter.GetLastReport())};
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
VyrImportedList store_klobuchar(IVyrFileConverter& converter, IVyrCommonData& data,
                                const std::vector<VYR_BROADCASTEPHEMERIS>& gps,
                                const std::string& path) {
    if (gps.empty()) return {"Klobuchar coefficients", 0, 0, 0, {}};
    const double epoch =
        mjd::kGpsOriginMjd + gps.front().week * 7.0 + gps.front().toc / mjd::kSecondsPerDay;
    std::vector<VYR_IONOUTC> records;
    check_conversion(converter.ConvertRinexIonoKlobuchar(path.c_str(), epoch, records), converter,
                     path);
    return store(data, records, "Klobuchar coefficients", &IVyrCommonData::GetIonoUtcCollection,
                 &IVyrCommonData::AddIonoUtcRecords, converter, path);
}

void import_navigation(VyrImportKind kind, const std::string& path, IVyrFileConverter& converter,
                       IVyrCommonData& data, std::vector<VyrImportedList>& counts) {
    const bool mixed = kind == VyrImportKind::kRinexNavigationMixed;
    if (mixed || kind == VyrImportKind::kRinexNavigationGps) {
        std::vector<VYR_BROADCASTEPHEMERIS> gps;
        check_conversion(converter.ConvertRinexNav(path.c_str(), gps), converter, path);
        counts.push_back(store(data, gps, "GPS ephemerides",
                               &IVyrCommonData::GetBroadcastEphemerisCollection,
                               &IVyrCommonData::AddBroadcastEphemerisRecords, converter, path));
        counts.push_back(store_klobuchar(converter, data, gps, path));
    }
    if (mixed || kind == VyrImportKind::kRinexNavigationGlonass) {
        std::vector<VYR_BROADCASTEPHEMERIS_GLO> glonass;
        check_conversion(converter.ConvertRinexNavGlo(path.c_str(), glonass), converter, path);
        counts.push_back(store(data, glonass, "GLONASS ephemerides",
                               &IVyrCommonData::GetBroadcastEphemerisGloCollection,
                               &IVyrCommonData::AddBroadcastEphemerisGloRecords, converter, path));
        if (!glonass.empty()) counts.push_back(store_channel_map(converter, data, path));
    }
    if (mixed || kind == VyrImportKind::kRinexNavigationGalileo) {
        std::vector<VYR_BROADCASTEPHEMERIS_GAL> galileo;
        check_conversion(converter.ConvertRinexNavGal(path.c_str(), galileo), converter, path);
        counts.push_back(store(data, galileo, "Galileo ephemerides",
                               &IVyrCommonData::GetBroadcastEphemerisGalCollection,
                               &IVyrCommonData::AddBroadcastEphemerisGalRecords, converter, path));
    }
}

}  // namespace

std::vector<VyrImportedList> import_common_data_file(VyrImportKind kind, const std::string& path,
                                                     IVyrFileConverter& converter,
                                                     IVyrCommonData& data) {
    std::vector<VyrImportedList> counts;
    switch (kind) {
        case VyrImportKind::kSp3: {
            std::vector<VYR_PRECISEEPHEMERIS> orbits;
            check_conversion(converter.ConvertSp3(path.c_str(), orbits), converter, path);
            counts.push_back(store(data, orbits, "precise orbit positions",
                                   &IVyrCommonData::GetPreciseEphemerisCollection,
                                   &IVyrCommonData::AddPreciseEphemerisRecords, converter, path));
            break;
        }
        case VyrImportKind::kIonosphereModel: {
            std::vector<VYR_IONO_GLOBALREG> models;
            check_conversion(converter.ConvertIonoGlobalReg(path.c_str(), models), converter, path);
            counts.push_back(store(data, models, "ionosphere models",
                                   &IVyrCommonData::GetIonoGlobalRegCollection,
                                   &IVyrCommonData::AddIonoGlobalRegRecords, converter, path));
            break;
        }
        case VyrImportKind::kRinexNavigationGps:
        case VyrImportKind::kRinexNavigationGlonass:
        case VyrImportKind::kRinexNavigationGalileo:
        case VyrImportKind::kRinexNavigationMixed:
            import_navigation(kind, path, converter, data, counts);
            break;
        default:
            throw ImportFailure{VYR_E_INVALID_PARAMETER, path + ": not a file of common data (" +
                                                             Vyr_ImportKindName(kind) + ")"};
    }
    return counts;
}

}  // namespace vyr_import
