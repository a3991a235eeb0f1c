#include "import_observations.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <set>
#include <utility>

#include "commands.h"
#include "interrupt.h"
#include "output_text.h"
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

// What identifies a stored site: marker, receiver, first and last epoch of its descriptions.
struct StoredSite {
    std::string key;
    std::string marker;
    std::string receiverType;
    std::string receiverNumber;
    double first = 0.0;
    double last = 0.0;
};

// A progress bar over the lines of the file, drawn on stderr.
class ProgressBar {
public:
    // path: the file read; name: the file it is shown as.
    ProgressBar(const std::string& path, const std::string& name) : m_name(name) {
        FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) return;
        char buffer[1 << 16];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            for (const char* at = buffer;
                 (at = static_cast<const char*>(std::memchr(at, '\n', buffer + n - at))) != nullptr;
                 ++at)
                ++m_lines;
        std::fclose(file);
    }
    ~ProgressBar() {
        if (m_drawn >= 0) std::cerr << "\r\033[K" << std::flush;
    }
    void at_line(uint32_t line) {
        if (m_lines == 0) return;
        const int percent = static_cast<int>(std::min<uint64_t>(100, line * 100ull / m_lines));
        if (percent == m_drawn) return;
        m_drawn = percent;
        const int filled = percent / 4;
        std::cerr << "\r[" << std::string(filled, '#') << std::string(25 - filled, ' ') << "] "
                  << percent << "% " << m_name << std::flush;
    }

private:
    std::string m_name;
    uint64_t m_lines = 0;
    int m_drawn = -1;
};

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
                  ProgressBar* progress)
        : m_project(project), m_path(path), m_expanded(expanded), m_progress(progress) {}

    VYR_ERROR OnEpoch(const VYR_STATION_RINEX& station, const VYR_OCCUPATION& occupation,
                      VYR_OBSERVATIONEPOCH& epoch, uint32_t line) override {
        if (m_progress != nullptr) m_progress->at_line(line);
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
        if (m_duplicate != nullptr) return VYR_OK;
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
        if (m_duplicate != nullptr) {
            if (std::fabs(m_site.lastMjd + m_site.lastFraction - m_duplicate->last) > kSameTimeDays)
                return fail(VYR_E_ENTRY_EXISTS, 0,
                            "site " + m_site.marker + " starts like station " + m_duplicate->key +
                                " (same marker, receiver and first epoch) but ends elsewhere");
            m_site.key = m_duplicate->key;
            m_site.alreadyPresent = true;
        } else {
            result = flush();
            if (VyrFailed(result)) return result;
            // Described once the whole file was read: a file that fails later draws no
            // description ids from the project.
            m_toDescribe.push_back({m_made.back(), station});
        }
        m_sites.push_back(m_site);
        m_site = ImportedSite{};
        m_systems.clear();
        m_duplicate = nullptr;
        m_station.Reset();
        m_observations.Reset();
        return VYR_OK;
    }

    void OnFailure(uint32_t line, const char* problem) override {
        if (!m_problem.empty()) return;
        m_problemLine = line;
        m_problem = problem;
    }

    void OnWarning(uint32_t line, const char* problem) override { m_warnings.add(line, problem); }

    void print_warnings() const { m_warnings.print(std::cerr, m_path, m_expanded); }

    // Receiver, antenna, occupations and points of every new station.
    VYR_ERROR describe_stations() {
        for (const auto& [key, site] : m_toDescribe) {
            VYR_ERROR result = m_stations->GetStationEx(key, m_station);
            if (VyrSucceeded(result)) result = describe(site);
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
        std::string where = m_path;
        if (m_problemLine != 0)
            where += (m_expanded ? ": expanded line " : ":") + std::to_string(m_problemLine);
        return where + ": " + (m_problem.empty() ? text : m_problem + " (" + text + ")");
    }

    const std::vector<ImportedSite>& sites() const { return m_sites; }

private:
    VYR_ERROR fail(VYR_ERROR code, uint32_t line, const std::string& problem) {
        OnFailure(line, problem.c_str());
        return code;
    }

    VYR_ERROR begin_site(const VYR_STATION_RINEX& station, const VYR_OCCUPATION& occupation,
                         const VYR_OBSERVATIONEPOCH& epoch) {
        m_site.marker = field_text(occupation.markerName, sizeof occupation.markerName);
        m_site.firstMjd = epoch.mjd;
        m_site.firstFraction = epoch.fraction;
        VYR_ERROR result = load_stored_sites();
        if (VyrFailed(result)) return result;
        const double first = epoch.mjd + epoch.fraction;
        for (const StoredSite& stored : m_stored) {
            if (stored.marker == m_site.marker &&
                stored.receiverType ==
                    field_text(station.receiverType, sizeof station.receiverType) &&
                stored.receiverNumber ==
                    field_text(station.receiverNumber, sizeof station.receiverNumber) &&
                std::fabs(stored.first - first) <= kSameTimeDays) {
                m_duplicate = &stored;
                return VYR_OK;
            }
        }
        result = make_station();
        if (VyrSucceeded(result)) result = m_station->GetObservations(m_observations);
        return result;
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
            StoredSite stored;
            stored.key = key_display(keys[i]);
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
        m_made.push_back(key);
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

    // Receiver, antenna, occupations as point descriptions, and the a-priori position as the
    // point of each static occupation, numbered by its description's id.
    VYR_ERROR describe(const VYR_STATION_RINEX& site) {
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

        CVyrIPtrSmart<IVyrCollectionPointDesc> descriptions;
        if (VyrSucceeded(result)) result = m_station->GetPointDescriptions(descriptions);
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
    ProgressBar* m_progress;
    CVyrIPtrSmart<IVyrCollectionStationEx> m_stations;
    std::vector<StoredSite> m_stored;
    std::vector<VYR_STATION_KEY> m_made;

    CVyrIPtrSmart<IVyrStation> m_plainStation;
    CVyrIPtrSmart<IVyrStationEx> m_station;
    CVyrIPtrSmart<IVyrObservations> m_observations;
    std::vector<VYR_OBSERVATIONEPOCH> m_pending;  // the first m_batched hold epochs to write
    size_t m_batched = 0;
    uint32_t m_pendingLine = 0;
    ImportedSite m_site;
    std::set<char> m_systems;
    const StoredSite* m_duplicate = nullptr;
    std::vector<ImportedSite> m_sites;
    std::vector<std::pair<VYR_STATION_KEY, VYR_STATION_RINEX>> m_toDescribe;

    uint32_t m_problemLine = 0;
    std::string m_problem;
    WarningGroups m_warnings;
};

}  // namespace

std::vector<ImportedSite> import_observation_file(IVyrStorageEx& project, const std::string& path,
                                                  bool progress, const std::string& expandedFrom) {
    const std::string& shown = expandedFrom.empty() ? path : expandedFrom;
    std::unique_ptr<ProgressBar> bar;
    if (progress) bar = std::make_unique<ProgressBar>(path, shown);
    StationWriter writer(project, shown, !expandedFrom.empty(), bar.get());
    VYR_ERROR result = Vyr_ConvertRinexObsToSink(path.c_str(), writer);
    bar.reset();
    writer.print_warnings();
    if (VyrSucceeded(result)) result = writer.describe_stations();
    if (VyrFailed(result)) throw CommandFailure{writer.failure_text(result)};
    if (writer.sites().empty()) throw CommandFailure{shown + ": no observation epochs in the file"};
    return writer.sites();
}

std::string site_summary(const std::string& path, const ImportedSite& site) {
    const std::string marker = site.marker.empty() ? "(no marker)" : terminal_text(site.marker);
    if (site.alreadyPresent)
        return path + ": site " + marker + " is in the project already as station " +
               terminal_text(site.key) + "; nothing changed";
    return path + ": station " + terminal_text(site.key) + " (marker " + marker +
           "): " + std::to_string(site.epochs) + " epochs, " +
           iso_time(site.firstMjd, site.firstFraction) + " to " +
           iso_time(site.lastMjd, site.lastFraction) + ", systems " +
           (site.systems.empty() ? std::string("none") : site.systems);
}

}  // namespace vyr_cli
