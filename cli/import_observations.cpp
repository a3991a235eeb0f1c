#include "import_observations.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <utility>

#include "commands.h"
#include "interrupt.h"
#include "output_text.h"
#include "progress_bar.h"
#include "project_access.h"
#include "station_text.h"

namespace vyr_cli {
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

// Warnings of one file for stderr: every distinct problem is shown with its first few lines, the
// rest counted, so that a record damaged in every epoch gives a few lines, not one per epoch.
class WarningGroups {
public:
    static constexpr size_t kShownPerProblem = 5;
    static constexpr size_t kMaxProblems = 100;  // problems beyond are only counted

    void add(uint32_t line, const char* problem) {
        const std::string text = problem != nullptr ? problem : "";
        auto group = std::find_if(m_groups.begin(), m_groups.end(),
                                  [&](const Group& g) { return g.problem == text; });
        if (group == m_groups.end()) {
            if (m_groups.size() >= kMaxProblems) {
                ++m_otherProblems;
                return;
            }
            m_groups.push_back({text, {}, 0});
            group = m_groups.end() - 1;
        }
        if (group->lines.size() < kShownPerProblem)
            group->lines.push_back(line);
        else
            ++group->more;
    }

    // "vyr: FILE:LINE: warning: problem" lines; where names the file as failures do.
    void print(std::ostream& out, const std::string& path, bool expanded) const {
        for (const Group& g : m_groups) {
            for (uint32_t line : g.lines) {
                std::string where = path;
                if (line != 0)
                    where += (expanded ? ": expanded line " : ":") + std::to_string(line);
                out << "vyr: " << where << ": warning: " << terminal_text(g.problem) << "\n";
            }
            if (g.more > 0)
                out << "vyr: " << path << ": warning: ... and " << g.more << " more like it ("
                    << terminal_text(g.problem) << ")\n";
        }
        if (m_otherProblems > 0)
            out << "vyr: " << path << ": warning: ... and " << m_otherProblems
                << " more of other kinds\n";
        out.flush();
    }

private:
    struct Group {
        std::string problem;
        std::vector<uint32_t> lines;
        uint64_t more;
    };
    std::vector<Group> m_groups;
    uint64_t m_otherProblems = 0;
};

// Writes the sites of one file into the project as the converter hands them out.
class StationWriter final : public IVyrStationRinexSink {
public:
    // path: the file named in messages; expanded: its line numbers are those of the text it was
    // expanded to.
    StationWriter(IVyrStorageEx& project, const std::string& path, bool expanded,
                  const ObservationImportOptions& options, ProgressBar* progress)
        : m_project(project),
          m_path(path),
          m_expanded(expanded),
          m_options(options),
          m_progress(progress) {}

    VYR_ERROR OnEpoch(const VYR_STATION_RINEX& station, const VYR_OCCUPATION& occupation,
                      VYR_OBSERVATIONEPOCH& epoch, uint32_t line) override {
        if (m_progress != nullptr) m_progress->at(line);
        if (interrupted()) return fail(VYR_E_INVALID_STATUS, line, "interrupted");
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
        m_site = ImportedSite{};
        m_systems.clear();
        m_within = nullptr;
        m_station.Reset();
        m_observations.Reset();
        return VYR_OK;
    }

    void OnSystemReadPast(char system, uint64_t satelliteEpochs) override {
        m_otherSystems.emplace_back(system, satelliteEpochs);
    }

    void OnFailure(uint32_t line, const char* problem) override {
        if (!m_problem.empty()) return;
        m_problemLine = line;
        m_problem = problem;
    }

    void OnCut(uint32_t line, uint64_t completeEpochs, const char* problem) override {
        m_cut = true;
        m_cutLine = line;
        m_cutEpochs = completeEpochs;
        m_cutProblem = problem != nullptr ? problem : "";
    }
    bool cut() const { return m_cut; }
    uint64_t cut_epochs() const { return m_cutEpochs; }
    // "FILE:LINE: cut: problem" with the line of the last complete epoch's end.
    std::string cut_text() const { return where(m_cutLine) + ": cut: " + m_cutProblem; }

    void OnWarning(uint32_t line, const char* problem) override { m_warnings.add(line, problem); }

    void print_warnings() const { m_warnings.print(std::cerr, m_path, m_expanded); }

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

    const std::vector<ImportedSite>& sites() const { return m_sites; }
    const std::vector<std::pair<char, uint64_t>>& other_systems() const { return m_otherSystems; }

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
        return fail(VYR_E_ENTRY_EXISTS, 0,
                    "site " + m_site.marker + " (" + iso_time(first) + " to " + iso_time(last) +
                        ") overlaps station " + m_within->key + " (" + iso_time(m_within->first) +
                        " to " + iso_time(m_within->last) +
                        ") with other epochs; --new-station makes it a station of its own");
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
    ObservationImportOptions m_options;
    ProgressBar* m_progress;
    CVyrIPtrSmart<IVyrCollectionStationEx> m_stations;
    std::vector<StoredSite> m_stored;
    VYR_STATION_KEY m_target{};  // the station the site's epochs go to

    CVyrIPtrSmart<IVyrStation> m_plainStation;
    CVyrIPtrSmart<IVyrStationEx> m_station;
    CVyrIPtrSmart<IVyrObservations> m_observations;
    std::vector<VYR_OBSERVATIONEPOCH> m_pending;  // the first m_batched hold epochs to write
    size_t m_batched = 0;
    uint32_t m_pendingLine = 0;
    ImportedSite m_site;
    std::set<char> m_systems;
    // The stored station whose span the site starts in: its epochs are only counted.
    const StoredSite* m_within = nullptr;
    std::vector<ImportedSite> m_sites;
    struct Described {
        VYR_STATION_KEY key;
        VYR_STATION_RINEX site;
        bool appended;
    };
    std::vector<Described> m_toDescribe;
    std::vector<std::pair<char, uint64_t>> m_otherSystems;

    uint32_t m_problemLine = 0;
    std::string m_problem;
    bool m_cut = false;
    uint32_t m_cutLine = 0;
    uint64_t m_cutEpochs = 0;
    std::string m_cutProblem;
    WarningGroups m_warnings;
};

// A bar over the lines the converter numbers: of the decompressed and expanded text, whatever
// the file stores; its speed is of the file as stored. None when the lines cannot be counted.
std::unique_ptr<ProgressBar> line_progress_bar(const std::string& path, const std::string& name) {
    uint64_t lines = 0;
    std::error_code error;
    const uintmax_t bytes = std::filesystem::file_size(path, error);
    if (error || !Vyr_CountTextLines(path.c_str(), lines) || lines == 0) return nullptr;
    return std::make_unique<ProgressBar>(name, lines, bytes);
}

}  // namespace

ImportedObservations import_observation_file(IVyrStorageEx& project, const std::string& path,
                                             const ObservationImportOptions& options,
                                             const std::string& expandedFrom) {
    const std::string& shown = expandedFrom.empty() ? path : expandedFrom;
    std::unique_ptr<ProgressBar> bar;
    if (options.progress) bar = line_progress_bar(path, shown);
    StationWriter writer(project, shown, !expandedFrom.empty(), options, bar.get());
    VYR_ERROR result = Vyr_ConvertRinexObsToSinkEx(path.c_str(), writer, options.conversion);
    bar.reset();
    writer.print_warnings();
    if (VyrSucceeded(result)) result = writer.describe_stations();
    if (VyrFailed(result)) {
        // A cut file is refused whole; the epochs before the cut are there for the asking.
        std::string text = writer.failure_text(result);
        if (writer.cut() && !options.conversion.salvageCut && writer.cut_epochs() > 0)
            text += "\n" + std::to_string(writer.cut_epochs()) +
                    " complete epochs could be imported with --salvage";
        throw CommandFailure{text};
    }
    if (writer.sites().empty()) throw CommandFailure{shown + ": no observation epochs in the file"};
    if (writer.cut())
        std::cerr << "vyr: " << writer.cut_text() << "; " << writer.cut_epochs()
                  << " complete epochs imported\n";
    return {writer.sites(), writer.other_systems()};
}

// "BeiDou (C)"; the letter alone for a system without a name here.
std::string system_name(char letter) {
    switch (letter) {
        case 'C':
            return "BeiDou (C)";
        case 'J':
            return "QZSS (J)";
        case 'I':
            return "NavIC (I)";
        default:
            return std::string("system ") + letter;
    }
}

std::string other_systems_summary(const std::string& path,
                                  const std::vector<std::pair<char, uint64_t>>& otherSystems) {
    if (otherSystems.empty()) return {};
    uint64_t total = 0;
    std::string each;
    for (const auto& [letter, count] : otherSystems) {
        total += count;
        each += (each.empty() ? "" : ", ") + std::to_string(count) + " " + system_name(letter);
    }
    return path + ": read past " + std::to_string(total) +
           " satellite-epochs of systems a project does not keep (" + each + ")";
}

std::string site_summary(const std::string& path, const ImportedSite& site) {
    const std::string marker = site.marker.empty() ? "(no marker)" : terminal_text(site.marker);
    if (site.alreadyPresent)
        return path + ": site " + marker + " is in the project already as station " +
               terminal_text(site.key) + "; nothing changed";
    return path + ": station " + terminal_text(site.key) + " (marker " + marker +
           "): " + std::to_string(site.epochs) +
           (site.appended ? " epochs appended, " : " epochs, ") +
           iso_time(site.firstMjd, site.firstFraction) + " to " +
           iso_time(site.lastMjd, site.lastFraction) + ", systems " +
           (site.systems.empty() ? std::string("none") : site.systems);
}

}  // namespace vyr_cli
