#include "import/site_import.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <utility>

#include <vyr/mjd_time.h>
#include <vyr/observations.h>
#include <vyr/points.h>
#include <vyr/processing_errors.h>
#include <vyr/satellite.h>
#include <vyr/station.h>

#include "import/import_failure.h"

namespace vyr_import {
namespace {

// Epochs go to the station in batches: few statistics writes, memory bounded by the batch.
constexpr size_t kEpochsPerBatch = 1000;
// Descriptions keep their times to 10 ms; a site matches a station within twice that.
constexpr double kSameTimeDays = 0.02 / 86400.0;

std::string field_text(const char* field, size_t size) {
    return std::string(field, strnlen(field, size));
}

// A station key of the marker's first 16 characters, with characters no storage name may hold
// replaced.
VYR_STATION_KEY text_key(const std::string& text) {
    VYR_STATION_KEY key{};
    key.type = VYR_KEY_TEXT;
    for (size_t i = 0; i < text.size() && i < 16; ++i) {
        const char c = text[i];
        key.value[i] = static_cast<uint8_t>(std::strchr("/\\:!", c) != nullptr ? '_' : c);
    }
    return key;
}

// What identifies a stored site: marker, receiver, antenna, first and last epoch of its
// descriptions.
struct StoredSite {
    VYR_STATION_KEY stationKey{};
    std::string key;
    std::string marker;
    std::string receiverType;
    std::string receiverNumber;
    std::string antennaType;
    std::string antennaNumber;
    double first = 0.0;
    double last = 0.0;
};

// The epochs a station holds from first to last (MJD with fraction, both taken in).
VYR_ERROR count_epochs(IVyrStationEx& station, double first, double last, uint64_t& count) {
    count = 0;
    CVyrIPtrSmart<IVyrObservations> observations;
    VYR_ERROR result = station.GetObservations(observations);
    if (VyrFailed(result)) return result;
    VYR_OBSERVATION_FILTER span;
    span.startTime = first - kSameTimeDays;
    span.endTime = last + kSameTimeDays;
    if (observations->Start(&span, false) != VYR_OK) return VYR_OK;  // none in the span
    for (count = 1; observations->MoveNext(false) == VYR_OK;) ++count;
    return VYR_OK;
}

// Keeps every distinct problem with its first few lines and counts the rest, so that a record
// damaged in every epoch gives a few lines, not one per epoch.
void add_warning(VyrFileImportReport& report, uint32_t line, const char* problem) {
    const std::string text = problem != nullptr ? problem : "";
    auto group = std::find_if(report.warnings.begin(), report.warnings.end(),
                              [&](const VyrImportWarning& g) { return g.problem == text; });
    if (group == report.warnings.end()) {
        if (report.warnings.size() >= VyrFileImportReport::kMaxWarnings) {
            ++report.otherWarnings;
            return;
        }
        report.warnings.push_back({text, {}, 0});
        group = report.warnings.end() - 1;
    }
    if (group->lines.size() < VyrImportWarning::kLinesKept)
        group->lines.push_back(line);
    else
        ++group->more;
}

// "YYYY-MM-DDTHH:MM:SS.sss" of an MJD with fraction, milliseconds rounded.
std::string iso_time(double mjd) {
    const double day = std::floor(mjd);
    auto ms = static_cast<int64_t>(std::llround((mjd - day) * 86400000.0));
    const auto whole = static_cast<uint32_t>(static_cast<int64_t>(day) + ms / 86400000);
    ms %= 86400000;
    int year = 0, month = 0, dom = 0, hour = 0, minute = 0;
    double seconds = 0;
    MjdToCalendar(whole, 0.0, year, month, dom, hour, minute, seconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", year, month, dom,
                  static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                  static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    return text;
}

std::string key_display(const VYR_KEY& key) {
    std::string text;
    VyrRecordToString(key, text);
    return text;
}

// Writes the sites of one file into the project as the converter hands them out.
class StationWriter final : public IVyrStationRinexSink {
public:
    // path: the file named in messages; expanded: its line numbers are those of the text it was
    // expanded to.
    StationWriter(IVyrStorageEx& project, const std::string& path, bool expanded,
                  const VyrImportOptions& options, ImportProgressFeed& progress,
                  VyrFileImportReport& report)
        : m_project(project),
          m_path(path),
          m_expanded(expanded),
          m_options(options),
          m_progress(progress),
          m_report(report) {}

    VYR_ERROR OnEpoch(const VYR_STATION_RINEX& station, const VYR_OCCUPATION& occupation,
                      VYR_OBSERVATIONEPOCH& epoch, uint32_t line) override {
        m_progress.at(line);
        if (m_options.cancel != nullptr && m_options.cancel->load(std::memory_order_relaxed)) {
            m_cancelled = true;
            return fail(VYR_E_INVALID_STATUS, line, "cancelled");
        }
        if (m_site.epochs == 0) {
            const VYR_ERROR begun = begin_site(station, occupation, epoch);
            if (VyrFailed(begun)) return fail(begun, line, "the station could not be made");
        }
        ++m_site.epochs;
        m_site.lastMjd = epoch.mjd;
        m_site.lastFraction = epoch.fraction;
        for (const VYR_OBSERVATIONEPOCH_SV& sat : epoch.satellites)
            m_systems.insert(vyr::system_letter(sat.satId.system));
        if (m_within != nullptr) return VYR_OK;
        if (m_batched == 0) m_pendingLine = line;
        // Swapped in, not moved: the converter gets back the lists of an epoch already written
        // and fills them again, so a long file allocates nothing per epoch.
        if (m_batched == m_pending.size()) m_pending.emplace_back();
        std::swap(m_pending[m_batched++], epoch);
        return m_batched < kEpochsPerBatch ? VYR_OK : flush();
    }

    VYR_ERROR OnStation(const VYR_STATION_RINEX& station) override {
        for (char letter : std::string("GRES"))
            if (m_systems.count(letter) != 0) m_site.systems += letter;
        VYR_ERROR result = VYR_OK;
        if (m_within != nullptr) {
            result = settle_repeat();
            if (VyrFailed(result)) return result;
        } else {
            result = flush();
            if (VyrFailed(result)) return result;
            // Described once the whole file was read: a file that fails later draws no
            // description ids from the project.
            m_toDescribe.push_back({m_target, station, m_site.appended});
        }
        m_sites.push_back(m_site);
        m_site = VyrImportedSite{};
        m_systems.clear();
        m_within = nullptr;
        m_station.Reset();
        m_observations.Reset();
        return VYR_OK;
    }

    void OnSystemReadPast(char system, uint64_t satelliteEpochs) override {
        m_report.otherSystems.emplace_back(system, satelliteEpochs);
    }

    void OnFailure(uint32_t line, const char* problem) override {
        if (!m_problem.empty()) return;
        m_problemLine = line;
        m_problem = problem;
    }

    void OnCut(uint32_t line, uint64_t completeEpochs, const char* problem) override {
        m_report.cut = {true, line, completeEpochs, problem != nullptr ? problem : ""};
    }

    void OnWarning(uint32_t line, const char* problem) override {
        add_warning(m_report, line, problem);
    }

    // Receiver, antenna, occupations and points of every new station; occupations and points of
    // every station a site was appended to.
    VYR_ERROR describe_stations() {
        for (const Described& described : m_toDescribe) {
            VYR_ERROR result = m_stations->GetStationEx(described.key, m_station);
            if (VyrSucceeded(result) && !described.appended)
                result = describe_equipment(described.site);
            if (VyrSucceeded(result)) result = describe_occupations(described.site);
            m_station.Reset();
            if (VyrFailed(result)) return fail(result, 0, "the station could not be written");
        }
        return VYR_OK;
    }

    // "FILE:LINE: problem (text of the code)"; "FILE: expanded line LINE: ..." for a compact
    // file.
    std::string failure_text(VYR_ERROR code) const {
        std::string text;
        ErrorToStringDef(code, text);
        return where(m_problemLine) + ": " +
               (m_problem.empty() ? text : m_problem + " (" + text + ")");
    }

    bool cancelled() const { return m_cancelled; }
    bool overlaps() const { return m_overlaps; }

private:
    std::string where(uint32_t line) const {
        if (line == 0) return m_path;
        return m_path + (m_expanded ? ": expanded line " : ":") + std::to_string(line);
    }

    VYR_ERROR fail(VYR_ERROR code, uint32_t line, const std::string& problem) {
        OnFailure(line, problem.c_str());
        return code;
    }

    // A site goes on a station of the project when marker, receiver and antenna match it and
    // the site starts after the station's last epoch; a site that starts within a matching
    // station's span is judged once read (a repeat of what the station holds, or an overlap);
    // any other site makes a new station.
    VYR_ERROR begin_site(const VYR_STATION_RINEX& station, const VYR_OCCUPATION& occupation,
                         const VYR_OBSERVATIONEPOCH& epoch) {
        m_site.marker = field_text(occupation.markerName, sizeof occupation.markerName);
        m_site.firstMjd = epoch.mjd;
        m_site.firstFraction = epoch.fraction;
        VYR_ERROR result = load_stored_sites();
        if (VyrFailed(result)) return result;
        const double first = epoch.mjd + epoch.fraction;
        const StoredSite* continued = nullptr;
        for (const StoredSite& stored : m_stored) {
            if (m_options.newStation || stored.marker != m_site.marker ||
                stored.receiverType !=
                    field_text(station.receiverType, sizeof station.receiverType) ||
                stored.receiverNumber !=
                    field_text(station.receiverNumber, sizeof station.receiverNumber))
                continue;
            if (first >= stored.first - kSameTimeDays && first <= stored.last + kSameTimeDays) {
                m_within = &stored;
                return VYR_OK;
            }
            const bool sameAntenna =
                stored.antennaType == field_text(station.antennaType, sizeof station.antennaType) &&
                stored.antennaNumber ==
                    field_text(station.antennaNumber, sizeof station.antennaNumber);
            if (sameAntenna && first > stored.last &&
                (continued == nullptr || stored.last > continued->last))
                continued = &stored;
        }
        if (continued != nullptr) {
            m_target = continued->stationKey;
            m_site.key = continued->key;
            m_site.appended = true;
            result = m_stations->GetStationEx(m_target, m_station);
        } else {
            result = make_station();
        }
        if (VyrSucceeded(result)) result = m_station->GetObservations(m_observations);
        return result;
    }

    // A site that starts within a station's span is a repeat when the station holds as many
    // epochs over the site's span as the site has; otherwise the two overlap.
    VYR_ERROR settle_repeat() {
        const double first = m_site.firstMjd + m_site.firstFraction;
        const double last = m_site.lastMjd + m_site.lastFraction;
        uint64_t held = 0;
        VYR_ERROR result = m_stations->GetStationEx(m_within->stationKey, m_station);
        if (VyrSucceeded(result)) result = count_epochs(*m_station, first, last, held);
        if (VyrFailed(result)) return fail(result, 0, "the station could not be read");
        if (last <= m_within->last + kSameTimeDays && held == m_site.epochs) {
            m_site.key = m_within->key;
            m_site.alreadyPresent = true;
            return VYR_OK;
        }
        m_overlaps = true;
        return fail(VYR_E_ENTRY_EXISTS, 0,
                    "site " + m_site.marker + " (" + iso_time(first) + " to " + iso_time(last) +
                        ") overlaps station " + m_within->key + " (" + iso_time(m_within->first) +
                        " to " + iso_time(m_within->last) + ") with other epochs");
    }

    VYR_ERROR load_stored_sites() {
        if (m_stations.IsValid()) return VYR_OK;
        VYR_ERROR result = m_project.GetStationsEx(m_stations);
        if (VyrFailed(result)) return result;
        std::vector<VYR_STATION_KEY> keys;
        result = m_stations->GetAll(keys);
        for (size_t i = 0; VyrSucceeded(result) && i < keys.size(); ++i) {
            CVyrIPtrSmart<IVyrStationEx> station;
            CVyrIPtrSmart<IVyrCollectionPointDesc> descriptions;
            VYR_SENSORSYSTEM sensor{};
            std::vector<VYR_POINT_DESC> occupations;
            if (VyrFailed(m_stations->GetStationEx(keys[i], station)) ||
                VyrFailed(station->GetSensorSystem(sensor)) ||
                VyrFailed(station->GetPointDescriptions(descriptions)) ||
                VyrFailed(descriptions->GetAll(occupations)) || occupations.empty())
                continue;  // a station not made from a file is no candidate
            VYR_OCCUPATION firstOccupation;
            std::memcpy(&firstOccupation, &occupations.front().description, sizeof firstOccupation);
            VYR_ANTENNA antenna;
            if (VyrFailed(station->GetAntenna(antenna))) antenna = VYR_ANTENNA{};
            StoredSite stored;
            stored.stationKey = keys[i];
            stored.key = key_display(keys[i]);
            stored.antennaType = field_text(antenna.fields.type, sizeof antenna.fields.type);
            stored.antennaNumber =
                field_text(antenna.fields.serialNumber, sizeof antenna.fields.serialNumber);
            stored.marker =
                field_text(firstOccupation.markerName, sizeof firstOccupation.markerName);
            stored.receiverType = field_text(sensor.receiverName, sizeof sensor.receiverName);
            stored.receiverNumber = field_text(sensor.serialNumber, sizeof sensor.serialNumber);
            stored.first = occupations.front().description.start;
            stored.last = occupations.back().description.detail.end;
            m_stored.push_back(stored);
        }
        return result;
    }

    // A text key from the marker, made unique with a suffix; a generated key for a blank one.
    VYR_ERROR make_station() {
        VYR_ERROR result = VYR_E_ENTRY_EXISTS;
        if (m_site.marker.empty()) {
            result = m_stations->AddNewStation(m_plainStation);
        } else {
            for (int n = 1; n < 1000 && result == VYR_E_ENTRY_EXISTS; ++n) {
                const std::string suffix = n == 1 ? "" : "_" + std::to_string(n);
                const std::string text = m_site.marker.substr(0, 16 - suffix.size()) + suffix;
                result = m_stations->AddStation(text_key(text), m_plainStation);
            }
        }
        if (VyrFailed(result)) return result;
        VYR_STATION_KEY key{};
        result = m_plainStation->GetKey(key);
        if (VyrFailed(result)) return result;
        m_target = key;
        m_site.key = key_display(key);
        m_plainStation.Reset();
        return m_stations->GetStationEx(key, m_station);
    }

    VYR_ERROR flush() {
        if (m_batched == 0) return VYR_OK;
        m_pending.resize(m_batched);  // shorter only for the last batch of a site
        m_batched = 0;
        const VYR_ERROR result = m_observations->AddEpochs(m_pending);
        return VyrFailed(result)
                   ? fail(result, m_pendingLine, "the epochs from this line could not be stored")
                   : VYR_OK;
    }

    // Receiver and antenna.
    VYR_ERROR describe_equipment(const VYR_STATION_RINEX& site) {
        VYR_SENSORSYSTEM sensor{};
        sensor.receiverType = site.receiverTypeId;
        std::memcpy(sensor.receiverName, site.receiverType, sizeof sensor.receiverName);
        std::memcpy(sensor.serialNumber, site.receiverNumber, sizeof sensor.serialNumber);
        VYR_ERROR result = m_station->SetSensorSystem(sensor);

        VYR_ANTENNA antenna;
        std::memcpy(antenna.fields.type, site.antennaType, sizeof antenna.fields.type);
        std::memcpy(antenna.fields.serialNumber, site.antennaNumber,
                    sizeof antenna.fields.serialNumber);
        antenna.fields.offsetEast = antenna.fields.offsetEast2 = site.antennaEast;
        antenna.fields.offsetNorth = antenna.fields.offsetNorth2 = site.antennaNorth;
        if (VyrSucceeded(result)) result = m_station->SetAntenna(antenna);
        return result;
    }

    // Occupations as point descriptions, and the a-priori position as the point of each static
    // occupation, numbered by its description's id.
    VYR_ERROR describe_occupations(const VYR_STATION_RINEX& site) {
        CVyrIPtrSmart<IVyrCollectionPointDesc> descriptions;
        VYR_ERROR result = m_station->GetPointDescriptions(descriptions);
        std::vector<VYR_APRIORI_POINT> points;
        for (const VYR_OCCUPATION& occupation : site.occupations) {
            if (VyrFailed(result)) break;
            VYR_POINT_DESCRIPTION description;
            std::memcpy(&description, &occupation, sizeof description);
            VYR_POINT_DESC stored{};
            result = descriptions->AddPointDesc(description, stored);
            if (VyrFailed(result) || occupation.mode != VYR_OCCUPATION::MODE_STATIC ||
                site.aprioriValid == 0)
                continue;
            VYR_APRIORI_POINT point{};
            point.number = stored.id;
            point.x = site.aprioriX;
            point.y = site.aprioriY;
            point.z = site.aprioriZ;
            points.push_back(point);
        }
        if (VyrSucceeded(result) && !points.empty()) result = m_station->AddAprioriPoints(points);
        return result;
    }

    IVyrStorageEx& m_project;
    std::string m_path;
    bool m_expanded = false;
    const VyrImportOptions& m_options;
    ImportProgressFeed& m_progress;
    VyrFileImportReport& m_report;
    CVyrIPtrSmart<IVyrCollectionStationEx> m_stations;
    std::vector<StoredSite> m_stored;
    VYR_STATION_KEY m_target{};  // the station the site's epochs go to

    CVyrIPtrSmart<IVyrStation> m_plainStation;
    CVyrIPtrSmart<IVyrStationEx> m_station;
    CVyrIPtrSmart<IVyrObservations> m_observations;
    std::vector<VYR_OBSERVATIONEPOCH> m_pending;  // the first m_batched hold epochs to write
    size_t m_batched = 0;
    uint32_t m_pendingLine = 0;
    VyrImportedSite m_site;
    std::set<char> m_systems;
    // The stored station whose span the site starts in: its epochs are only counted.
    const StoredSite* m_within = nullptr;
    std::vector<VyrImportedSite>& m_sites = m_report.sites;
    struct Described {
        VYR_STATION_KEY key;
        VYR_STATION_RINEX site;
        bool appended;
    };
    std::vector<Described> m_toDescribe;

    uint32_t m_problemLine = 0;
    std::string m_problem;
    bool m_cancelled = false;
    bool m_overlaps = false;
};

}  // namespace

void import_sites(IVyrStorageEx& project, const std::string& path, bool expanded,
                  const VyrImportOptions& options, ImportProgressFeed& progress,
                  VyrFileImportReport& report) {
    report.expandedLines = expanded;
    StationWriter writer(project, path, expanded, options, progress, report);
    VYR_ERROR result = Vyr_ConvertRinexObsToSinkEx(path.c_str(), writer, options.conversion);
    if (VyrSucceeded(result)) result = writer.describe_stations();
    if (VyrFailed(result)) {
        report.cancelled = writer.cancelled();
        report.overlaps = writer.overlaps();
        throw ImportFailure{result, report.cancelled ? path + ": cancelled; nothing of it imported"
                                                     : writer.failure_text(result)};
    }
    if (report.sites.empty())
        throw ImportFailure{VYR_E_HEADER_OR_DATA_MISSING,
                            path + ": no observation epochs in the file"};
    progress.done();
}

}  // namespace vyr_import
