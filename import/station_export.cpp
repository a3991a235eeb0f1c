#include "import/station_export.h"

#include <rinex/rnx_writer.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <new>
#include <vector>

#include <vyr/file_converter.h>
#include <vyr/mjd_time.h>
#include <vyr/rinex_conversions.h>
#include <vyr/root.h>

namespace vyr_import {
namespace {

using Signal = VYR_OBSERVATIONEPOCH_SIGNAL;

constexpr const char* kAgency = "KORVA TERRALINKS";
constexpr const char* kStrengthUnit = "DBHZ";
constexpr const char* kDefaultMarker = "STAT";
constexpr const char* kKinematicComment = "  *** FROM NOW ON KINEMATIC DATA! ***";
constexpr const char* kNewSiteComment = "  *** THIS IS THE START OF A NEW SITE! ***";
constexpr uint32_t kDescriptionStatic = 1;
// Description times are kept to 10 ms; an epoch this close to an occupation's ends is in it.
constexpr double kOccupationToleranceDays = 0.02 / mjd::kSecondsPerDay;

std::string field_text(const char* field, size_t size) {
    return std::string(field, strnlen(field, size));
}

bool is_error(eRNX code) {
    return code >= eRNX_E_FILE_NOT_FOUND && code <= eRNX_E_FILE_WRITE_ERROR;
}

// The writer of one export, handed back on every path; a document not written by then is
// abandoned with its temporary file.
class WriterHold {
public:
    WriterHold() = default;
    WriterHold(const WriterHold&) = delete;
    WriterHold& operator=(const WriterHold&) = delete;
    ~WriterHold() {
        if (writer != nullptr) ReleaseRnxWriter(writer);
    }
    IRnxWriter* writer = nullptr;
};

// The signals each system's epochs carry, by observation type and the kinds of value written.
class SignalsSeen {
public:
    void Add(const VYR_OBSERVATIONEPOCH& epoch) {
        for (const VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
            const eSATSYS system = Vyr_Vyr2RnxSatSys(sv.satId.system);
            for (const Signal& s : sv.observations) {
                if ((s.flags & Signal::kTracked) == 0 || s.obsType <= VYR_OBS_NONE ||
                    s.obsType >= kTypes)
                    continue;
                uint8_t& kinds = m_kinds[system][s.obsType];
                if (s.flags & Signal::kCodeValid) kinds |= 1;
                if (s.flags & Signal::kPhaseValid) kinds |= 2;
                if (s.flags & Signal::kDopplerValid) kinds |= 4;
                if (s.flags & Signal::kQualityValid) kinds |= 8;
            }
        }
    }

    // The header's type list of a system: per signal code, phase, Doppler, strength.
    std::vector<RNX_OBS_CODE> Codes(eSATSYS system) const {
        std::vector<RNX_OBS_CODE> codes;
        for (int type = 1; type < kTypes; ++type) {
            RNX_OBS_CODE code = Vyr_Vyr2RnxObsType(system, static_cast<VYR_OBSTYPE>(type));
            if (code.band == 0) continue;  // a signal with no RINEX code of this system
            for (uint32_t kind = 1; kind <= 4; ++kind) {
                if ((m_kinds[system][type] & (1u << (kind - 1))) == 0) continue;
                code.kind = kind;
                codes.push_back(code);
            }
        }
        return codes;
    }

private:
    static constexpr int kTypes = 12;
    uint8_t m_kinds[eSATSYS_SBAS + 1][kTypes] = {};
};

// Reads the station's filtered epochs from the first on; at the end 0x8000900D.
class EpochReader {
public:
    EpochReader(IVyrStationEx& station, const VYR_OBSERVATION_FILTER& filter, uint32_t rate)
        : m_station(station), m_filter(filter), m_rate(rate) {}

    VYR_ERROR First(VYR_OBSERVATIONEPOCH& epoch) {
        const VYR_ERROR got = m_station.GetObservations(m_observations);
        if (got != VYR_OK) return got;
        return m_observations->StartAndGetFirst(epoch, &m_filter, false, m_rate);
    }
    VYR_ERROR Next(VYR_OBSERVATIONEPOCH& epoch) { return m_observations->GetNext(epoch, false); }

private:
    IVyrStationEx& m_station;
    const VYR_OBSERVATION_FILTER& m_filter;
    uint32_t m_rate;
    CVyrIPtrSmart<IVyrObservations> m_observations;
};

// A list the station never received reads as empty.
VYR_ERROR allow_missing(VYR_ERROR code) {
    return code == VYR_E_ENTRY_NOT_FOUND ? VYR_OK : code;
}

// What the station holds beside its epochs.
struct StationParts {
    VYR_STATION_KEY key{};
    VYR_SENSORSYSTEM sensor{};
    VYR_ANTENNA antenna;
    std::vector<VYR_APRIORI_POINT> points;  // each a-priori point serves one occupation
    std::vector<VYR_POINT_DESC> sites;      // static occupations, in stored order
    std::vector<bool> siteUsed;
    uint32_t dataRate = 0;  // ms
};

VYR_ERROR read_parts(IVyrStationEx& station, StationParts& parts) {
    VYR_ERROR result = station.GetKey(parts.key);
    if (result == VYR_OK) result = allow_missing(station.GetSensorSystem(parts.sensor));
    if (result == VYR_OK) result = allow_missing(station.GetAntenna(parts.antenna));
    if (result == VYR_OK) result = allow_missing(station.GetAprioriPoints(parts.points));
    CVyrIPtrSmart<IVyrCollectionPointDesc> descriptions;
    std::vector<VYR_POINT_DESC> all;
    if (result == VYR_OK) result = allow_missing(station.GetPointDescriptions(descriptions));
    if (result == VYR_OK && descriptions.IsValid())
        result = allow_missing(descriptions->GetAll(all));
    for (const VYR_POINT_DESC& d : all)
        if (d.description.type == kDescriptionStatic) parts.sites.push_back(d);
    parts.siteUsed.assign(parts.sites.size(), false);
    vyr::ObservationStatistics statistics;
    if (result == VYR_OK && station.GetObservationStatistics(statistics) == VYR_OK &&
        !statistics.empty())
        parts.dataRate = statistics.begin()->second.dataRate;
    return result;
}

VYR_OCCUPATION occupation_of(const VYR_POINT_DESC& site) {
    VYR_OCCUPATION occupation;
    static_assert(sizeof occupation == sizeof site.description);
    std::memcpy(&occupation, &site.description, sizeof occupation);
    return occupation;
}

// The unused static occupation the epoch lies in. A description is matched by its time span,
// not by counting events: the first epoch's own occupation, or epochs a filter left out, would
// otherwise shift every later site onto the description of the one before.
const VYR_POINT_DESC* site_of(StationParts& parts, const VYR_OBSERVATIONEPOCH& epoch) {
    const double t = epoch.mjd + epoch.fraction;
    for (size_t i = 0; i < parts.sites.size(); ++i) {
        const VYR_POINT_DESCRIPTION& d = parts.sites[i].description;
        if (parts.siteUsed[i] || t < d.start - kOccupationToleranceDays ||
            t > d.detail.end + kOccupationToleranceDays)
            continue;
        parts.siteUsed[i] = true;
        return &parts.sites[i];
    }
    return nullptr;
}

// The a-priori point numbered as the occupation's description, taken from the working list.
bool take_point(StationParts& parts, uint32_t number, RNX_COORD& position) {
    for (auto at = parts.points.begin(); at != parts.points.end(); ++at) {
        if (at->number != number) continue;
        VYR_APPROXIMATE_POINT approximate;
        std::memcpy(&approximate, &*at, sizeof approximate);
        position = Vyr_Vyr2RnxPointXYZ(approximate);
        parts.points.erase(at);
        return true;
    }
    return false;
}

class Export {
public:
    Export(IVyrStationEx& station, IVyrCommonData* common, const VYR_RINEX_EXPORT_OPTIONS& options,
           VYR_RINEX_EXPORT_RESULT& result)
        : m_station(station), m_common(common), m_options(options), m_result(result) {}

    VYR_ERROR Run(const std::string& folder) {
        VYR_ERROR done = read_parts(m_station, m_parts);
        if (done != VYR_OK) return Fail(done, "the station's records cannot be read");

        // A first pass learns the signals for the header, which is written before the first
        // epoch, and whether there is an epoch at all (no file is begun for none).
        SignalsSeen signals;
        uint64_t epochs = 0;
        {
            EpochReader reader(m_station, m_options.filter, m_parts.dataRate);
            VYR_OBSERVATIONEPOCH epoch;
            for (done = reader.First(epoch); done == VYR_OK; done = reader.Next(epoch)) {
                signals.Add(epoch);
                ++epochs;
            }
            if (done != VYR_E_ITERATOR_AT_END)
                return Fail(done, "the station's observations cannot be read");
        }
        if (epochs == 0) return Fail(VYR_E_ITERATOR_AT_END, "the station has no epochs to export");

        WriterHold hold;
        if (is_error(GetNewRnxWriter(hold.writer)) || hold.writer == nullptr)
            return Fail(VYR_E_INVALID_INTERFACE, "no RINEX writer is available");
        m_writer = hold.writer;
        bool created = false;
        if (is_error(m_writer->GetObsDocument(m_document, created)) || m_document == nullptr)
            return Fail(VYR_E_INVALID_INTERFACE, "the RINEX writer hands out no document");

        done = Header(folder, signals);
        if (done == VYR_OK) done = Epochs();
        if (done == VYR_OK && Written(m_document->WriteDocument())) {
            m_document->GetOutputPath(m_result.path);
            m_writer->GetEpochsWritten(m_result.epochs);
            m_writer->GetValuesNotWritten(m_result.valuesNotWritten);
        }
        if (done == VYR_OK && !m_problem.empty()) done = VYR_E_WRITE_ENTRY_FAILED;
        if (done != VYR_OK) {
            m_result.path.clear();
            if (m_result.problem.empty()) m_result.problem = m_problem;
        }
        return done;  // the writer goes with hold; an unwritten document leaves no file
    }

private:
    VYR_ERROR Fail(VYR_ERROR code, const char* problem) {
        m_result.problem = problem;
        return code;
    }

    // True when a writer call succeeded; else keeps the writer's own words for the failure.
    // Warnings count as failures only where strict: a refused epoch or type list loses data.
    bool Written(eRNX code, bool strict = true) {
        if (code == eRNX_S_OK || (!strict && !is_error(code))) return true;
        if (m_problem.empty()) {
            m_writer->GetLastErrorText(m_problem);
            if (m_problem.empty()) m_problem = "the RINEX writer failed";
        }
        return false;
    }
    // Setters whose refusal loses nothing but the item itself (a text cut to its field).
    bool Set(eRNX code) { return Written(code, false); }

    VYR_ERROR Header(const std::string& folder, const SignalsSeen& signals) {
        IRnxObsDocument& d = *m_document;
        const VYR_ANTENNA_FIELDS& antenna = m_parts.antenna.fields;
        bool ok = Written(d.SetDocumentMode(RNX_DOCUMENT_OBS)) &&
                  Written(d.SetVersion(m_options.rinexVersion)) &&
                  Written(d.SetOutputPath(folder.c_str()));
        std::string site;
        if (!m_parts.sites.empty()) {
            const VYR_OCCUPATION first = occupation_of(m_parts.sites.front());
            site = field_text(first.markerName, sizeof first.markerName);
        }
        const std::string program = std::string("vyr ") + vyr_version();
        ok =
            ok && Set(d.SetMarkerName(marker_name_of(m_parts.key, site).c_str())) &&
            Set(d.SetProgram(program.c_str(), "", "")) && Set(d.SetObserverAgency("", kAgency)) &&
            Set(d.SetReceiver(
                field_text(m_parts.sensor.serialNumber, sizeof m_parts.sensor.serialNumber).c_str(),
                field_text(m_parts.sensor.receiverName, sizeof m_parts.sensor.receiverName).c_str(),
                "")) &&
            Set(d.SetHeaderFlag(false)) &&
            Set(d.SetAntenna(field_text(antenna.serialNumber, sizeof antenna.serialNumber).c_str(),
                             field_text(antenna.type, sizeof antenna.type).c_str())) &&
            Set(d.SetSignalStrengthUnit(RNX_STRENGTH_UNIT_DBHZ, kStrengthUnit));
        // The sampling interval when the filter thins the epochs, else the station's rate.
        const double interval = std::max<int32_t>(m_options.filter.samplingInterval,
                                                  static_cast<int32_t>(m_parts.dataRate)) /
                                1000.0;
        if (ok && interval > 0) ok = Set(d.SetInterval(interval));
        if (ok && m_common != nullptr) ok = CommonHeader();
        for (eSATSYS system : {eSATSYS_GPS, eSATSYS_GLONASS, eSATSYS_GALILEO, eSATSYS_SBAS}) {
            const std::vector<RNX_OBS_CODE> codes = signals.Codes(system);
            if (ok && !codes.empty()) ok = Written(d.SetObsTypes(system, 0, codes));
        }
        return ok ? VYR_OK : VYR_E_WRITE_ENTRY_FAILED;
    }

    bool CommonHeader() {
        IRnxObsDocument& d = *m_document;
        VYR_UTC_LEAP_SECONDS leap{};
        bool ok = true;
        if (m_common->GetUtcLeapSeconds(leap) == VYR_OK) {
            // The count and the byte after it, as one little-endian signed 16-bit number.
            const auto count = static_cast<int16_t>(leap.leapSeconds | (leap.reserved << 8));
            ok = Set(d.SetLeapSeconds(count, 0, 0, 0));
        }
        VYR_GLONASS_FREQUENCYMAP map;
        std::fill(std::begin(map.channel), std::end(map.channel),
                  VYR_GLONASS_FREQUENCYMAP::kNotSet);
        if (ok && m_common->GetFrequencyChannelMapGlo(map) == VYR_OK) {
            std::vector<RNX_GLONASS_SLOT> slots;
            for (int i = 0; i < VYR_GLONASS_FREQUENCYMAP::kSlots; ++i)
                if (map.channel[i] != VYR_GLONASS_FREQUENCYMAP::kNotSet)
                    slots.push_back({static_cast<uint8_t>(i + 1), map.channel[i]});
            if (!slots.empty()) ok = Set(d.SetGlonassSlots(slots));
        }
        return ok;
    }

    // The occupation records of a new site: its name, number, antenna height and position.
    bool SiteRecords(const VYR_POINT_DESC& site, bool header) {
        IRnxObsDocument& d = *m_document;
        const VYR_OCCUPATION occupation = occupation_of(site);
        const VYR_ANTENNA_FIELDS& antenna = m_parts.antenna.fields;
        bool ok = true;
        if (header) {
            ok = Set(d.SetAntennaDelta(occupation.antennaHeight, antenna.offsetEast,
                                       antenna.offsetNorth));
        } else {
            RNX_MARKER_TYPE marker{};
            marker.items = RNX_MARKER_NUMBER;
            marker.number = site.id;
            ok = Set(d.SetEventMarkerName(
                     field_text(occupation.markerName, sizeof occupation.markerName).c_str())) &&
                 Set(d.SetEventMarkerType(marker)) &&
                 Set(d.SetEventAntennaDelta(occupation.antennaHeight, antenna.offsetEast,
                                            antenna.offsetNorth));
        }
        RNX_COORD position{};
        if (ok && take_point(m_parts, site.id, position)) ok = Set(d.SetApproxPosition(position));
        return ok;
    }

    VYR_ERROR Epochs() {
        IRnxObsDocument& d = *m_document;
        EpochReader reader(m_station, m_options.filter, m_parts.dataRate);
        VYR_OBSERVATIONEPOCH epoch;
        RNX_OBS_EPOCH out;
        auto previous = vyr::kNoOccupationYet;
        bool first = true;
        VYR_ERROR read = reader.First(epoch);
        for (; read == VYR_OK; read = reader.Next(epoch), first = false) {
            eEPOCHFLAG event = eEPOCHFLAG_OK;
            Vyr_Vyr2RnxObsEpoch(epoch, previous, out, event);
            bool ok = true;
            if (first) ok = Set(d.SetTimeOfFirstObs(out.time));
            if (ok && event == eEPOCHFLAG_START_MOVING)
                ok = Written(d.SetEventFlag(event)) && Set(d.AddComment(kKinematicComment));
            if (ok && event == eEPOCHFLAG_NEW_SITE) {
                // The first epoch's site is the header's: its position and antenna height.
                const VYR_POINT_DESC* site = site_of(m_parts, epoch);
                if (first) {
                    if (site != nullptr) ok = SiteRecords(*site, true);
                } else {
                    ok = Written(d.SetEventFlag(event)) &&
                         (site == nullptr || SiteRecords(*site, false)) &&
                         Set(d.AddComment(kNewSiteComment));
                }
            }
            if (!ok || !Written(d.AddObsEpoch(out))) return VYR_E_WRITE_ENTRY_FAILED;
        }
        if (read != VYR_E_ITERATOR_AT_END)
            return Fail(read, "the station's observations cannot be read");
        return VYR_OK;
    }

    IVyrStationEx& m_station;
    IVyrCommonData* m_common;
    const VYR_RINEX_EXPORT_OPTIONS& m_options;
    VYR_RINEX_EXPORT_RESULT& m_result;
    StationParts m_parts;
    IRnxWriter* m_writer = nullptr;
    IRnxObsDocument* m_document = nullptr;
    std::string m_problem;
};

bool known_version(double version) {
    const long code = std::lround(version * 100);
    return std::fabs(version * 100 - code) < 1e-6 &&
           (code == 211 || code == 304 || code == 305 || code == 401);
}

}  // namespace

std::string rinex_output_folder(const std::string& base) {
    std::string folder = base;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + "RINEX_Output";
}

std::string marker_name_of(const VYR_STATION_KEY& key, const std::string& siteName) {
    std::string name = siteName;
    if (key.type == VYR_KEY_TEXT)
        name = field_text(reinterpret_cast<const char*>(key.value), sizeof key.value);
    const bool usable = std::any_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0;
    });
    return usable ? name : kDefaultMarker;
}

VYR_ERROR export_station_rinex(IVyrStationEx& station, IVyrCommonData* common,
                               const std::string& folder, const VYR_RINEX_EXPORT_OPTIONS& options,
                               VYR_RINEX_EXPORT_RESULT& result) {
    result = VYR_RINEX_EXPORT_RESULT{};
    if (folder.empty()) {
        result.problem = "no output folder was given";
        return VYR_E_INVALID_PARAMETER;
    }
    if (!known_version(options.rinexVersion)) {
        result.problem = "RINEX versions 2.11, 3.04, 3.05 and 4.01 are written";
        return VYR_E_INVALID_PARAMETER;
    }
    try {
        return Export(station, common, options, result).Run(folder);
    } catch (const std::bad_alloc&) {
        result.path.clear();
        result.problem = "out of memory";
        return VYR_E_MEMORY_OVERFLOW;
    }
}

}  // namespace vyr_import
