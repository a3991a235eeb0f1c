#include "result_tables.h"

#include <cstdio>

#include "commands.h"
#include "project_access.h"
#include "station_text.h"

namespace vyr_cli {
namespace {

using nlohmann::ordered_json;
using Row = std::vector<ordered_json>;

// A result the association never received reads as empty.
bool received(VYR_ERROR got, const std::string& path) {
    if (got == VYR_E_ENTRY_NOT_FOUND) return false;
    check(got, path);
    return true;
}

// Every record of a collection handed out by get; none when the association never received it.
template <class T, class Collection, class Get>
std::vector<T> records_of(Get get, const std::string& path) {
    CVyrIPtrSmart<Collection> collection;
    std::vector<T> records;
    if (!received(get(collection), path)) return records;
    const VYR_ERROR read = collection->GetAll(records);
    if (read != VYR_E_NO_MORE_ENTRIES) check(read, path);
    return records;
}

template <class Collection, class Get>
uint32_t count_of(Get get, const std::string& path) {
    CVyrIPtrSmart<Collection> collection;
    uint32_t count = 0;
    if (received(get(collection), path)) check(collection->GetCount(count), path);
    return count;
}

ordered_json time_cell(double mjd) {
    return iso_time(mjd);
}
ordered_json sat_cell(const VYR_SATID& sat) {
    return satellite_name(sat);
}
ordered_json band_cell(VYR_FREQUENCY_BAND band) {
    return band_name(band);
}

std::string glonass_slot(uint8_t slot) {
    char text[8];
    std::snprintf(text, sizeof text, "R%02u", slot);
    return text;
}

[[noreturn]] void unknown_type(const std::string& path, const std::string& kind,
                               const std::string& type, const std::string& known) {
    throw CommandFailure{path + ": " + kind +
                             (type.empty() ? " needs --type" : " has no type '" + type + "'") +
                             "; one of: " + known,
                         kExitUsage};
}

VYR_RESIDUAL_TYPE residual_type(const ResultQuery& query, const std::string& path) {
    const auto type = residual_type_named(query.type);
    if (!type) unknown_type(path, "residuals", query.type, residual_type_names());
    return *type;
}

VYR_FREQUENCY_BAND status_band(const ResultQuery& query, const std::string& path) {
    const auto band = status_band_named(query.type);
    if (!band) unknown_type(path, query.kind, query.type, status_band_names());
    return *band;
}

ResultTable residuals(IVyrStationAssocEx& assoc, const ResultQuery& query,
                      const std::string& path) {
    std::vector<VYR_RESIDUAL> records;
    if (query.combination) {
        records = records_of<VYR_RESIDUAL, IVyrCollectionResidual>(
            [&](auto& out) {
                return assoc.GetResidualLinearCombination(*query.combination, query.combined, out);
            },
            path);
    } else {
        const VYR_RESIDUAL_TYPE type = residual_type(query, path);
        records = records_of<VYR_RESIDUAL, IVyrCollectionResidual>(
            [&](auto& out) { return assoc.GetResiduals(type, out); }, path);
    }
    ResultTable table{{"time", "sat", "value"}, {}};
    for (const VYR_RESIDUAL& epoch : records)
        for (const VYR_RESIDUAL_SV& entry : epoch.residuals)
            table.rows.push_back({time_cell(epoch.time), sat_cell(entry.sat), +entry.residual});
    return table;
}

ResultTable offsets(IVyrStationAssocEx& assoc, const ResultQuery& query, const std::string& path) {
    const auto type = offset_type_named(query.type);
    if (!type) unknown_type(path, "offsets", query.type, offset_type_names());
    ResultTable table{{"sat", "from", "to", "offset"}, {}};
    for (const auto& slot : records_of<VYR_RESIDUAL_OFFSET_SV, IVyrCollectionResidualOffsetSv>(
             [&](auto& out) { return assoc.GetResidualOffsets(*type, out); }, path))
        for (const VYR_RESIDUAL_OFFSET_INTERVAL& interval : slot.intervals)
            table.rows.push_back({glonass_slot(slot.slot), time_cell(interval.boundA),
                                  time_cell(interval.boundB), +interval.offset});
    return table;
}

ResultTable cycle_slips(IVyrStationAssocEx& assoc, const ResultQuery&, const std::string& path) {
    ResultTable table{{"time", "sat", "band", "flags", "cycles"}, {}};
    for (const VYR_CYCLE_SLIP& slip : records_of<VYR_CYCLE_SLIP, IVyrCollectionCycleSlip>(
             [&](auto& out) { return assoc.GetCycleSlipCollection(out); }, path))
        table.rows.push_back({time_cell(slip.time), sat_cell(slip.sat), band_cell(slip.band),
                              +slip.flags, static_cast<double>(slip.cycles)});
    return table;
}

ResultTable tracking_status(IVyrStationAssocEx& assoc, const ResultQuery& query,
                            const std::string& path) {
    const VYR_FREQUENCY_BAND band = status_band(query, path);
    ResultTable table{{"sat", "start", "end", "status"}, {}};
    for (const auto& sv : records_of<VYR_TRACKING_STATUS_SV, IVyrCollectionTrackingStatusSv>(
             [&](auto& out) { return assoc.GetTrackingStatus(band, out); }, path))
        for (const VYR_TRACKING_INTERVAL& interval : sv.intervals)
            table.rows.push_back({sat_cell(sv.sat), time_cell(interval.start),
                                  time_cell(interval.end), +interval.status});
    return table;
}

ResultTable ambiguity_status(IVyrStationAssocEx& assoc, const ResultQuery& query,
                             const std::string& path) {
    const VYR_FREQUENCY_BAND band = status_band(query, path);
    ResultTable table{{"sat", "time", "ambiguity", "status", "sigma"}, {}};
    for (const auto& sv : records_of<VYR_AMBIGUITY_STATUS_SV, IVyrCollectionAmbiguityStatusSv>(
             [&](auto& out) { return assoc.GetAmbiguityStatus(band, out); }, path))
        for (const VYR_AMBIGUITY_STATUS& status : sv.status)
            table.rows.push_back({sat_cell(sv.sat), time_cell(status.time), +status.ambiguity,
                                  +status.status, static_cast<double>(status.sigma)});
    return table;
}

ResultTable epoch_info(IVyrStationAssocEx& assoc, const ResultQuery&, const std::string& path) {
    ResultTable table{
        {"time", "used", "tracked", "pdop", "hdop", "vdop", "flags", "sat", "elevation", "azimuth"},
        {}};
    for (const VYR_EPOCH_SVINFO& epoch : records_of<VYR_EPOCH_SVINFO, IVyrCollectionEpochSvInfo>(
             [&](auto& out) { return assoc.GetEpochSvInfoCollection(out); }, path)) {
        const VYR_EPOCH_SVINFO_FIXED& info = epoch.info;
        const Row fixed = {time_cell(epoch.time),
                           +info.satellitesUsed,
                           +info.satellitesTracked,
                           static_cast<double>(info.pdop),
                           static_cast<double>(info.hdop),
                           static_cast<double>(info.vdop),
                           +info.flags};
        if (epoch.satellites.empty()) {
            Row row = fixed;
            row.resize(table.columns.size());
            table.rows.push_back(std::move(row));
        }
        for (const VYR_EPOCH_SVINFO_SV& sv : epoch.satellites) {
            Row row = fixed;
            row.insert(row.end(), {sat_cell(sv.sat), sv.elevation / 100.0, sv.azimuth / 100.0});
            table.rows.push_back(std::move(row));
        }
    }
    return table;
}

ResultTable sat_stats(IVyrStationAssocEx& assoc, const ResultQuery&, const std::string& path) {
    ResultTable table{{"sat", "band", "observations", "rms"}, {}};
    for (const VYR_SV_STAT& sv : records_of<VYR_SV_STAT, IVyrCollectionSvStat>(
             [&](auto& out) { return assoc.GetSvStatCollection(out); }, path))
        for (const VYR_SV_STAT_BAND& band : sv.bands)
            table.rows.push_back({sat_cell(sv.sat), band_cell(band.band), +band.observations,
                                  static_cast<double>(band.rms)});
    return table;
}

ResultTable points(IVyrStationAssocEx& assoc, const ResultQuery&, const std::string& path) {
    ResultTable table{
        {"id", "type", "start", "time", "x", "y", "z", "sigma0", "solution", "epochs"}, {}};
    for (const VYR_POINT& point : records_of<VYR_POINT, IVyrCollection<VYR_POINT>>(
             [&](auto& out) { return assoc.GetPointCollection(out); }, path)) {
        const VYR_POINT_POSITION_FIXED& p = point.position.position;
        table.rows.push_back({+p.descriptionId, +point.description.type,
                              time_cell(point.description.start), time_cell(p.time), +p.x, +p.y,
                              +p.z, +p.sigma0, +p.solutionType, +p.epochs});
    }
    return table;
}

ResultTable kernel_stats(IVyrStationAssocEx& assoc, const ResultQuery&, const std::string& path) {
    ResultTable table{
        {"epochs_processed", "epochs_rejected", "observations_used", "observations_rejected",
         "cycle_slips", "iterations", "start", "end", "rms_code", "rms_phase", "sigma0", "seconds",
         "result", "ambiguities_fixed", "ambiguities_total"},
        {}};
    VYR_KERNEL_STAT s{};
    if (received(assoc.GetKernelStatistics(s), path))
        table.rows.push_back({+s.epochsProcessed, +s.epochsRejected, +s.observationsUsed,
                              +s.observationsRejected, +s.cycleSlips, +s.iterations,
                              time_cell(s.start), time_cell(s.end), +s.rmsCode, +s.rmsPhase,
                              +s.sigma0, +s.seconds, +s.result, +s.ambiguitiesFixed,
                              +s.ambiguitiesTotal});
    return table;
}

ResultTable ambiguity_stats(IVyrStationAssocEx& assoc, const ResultQuery&,
                            const std::string& path) {
    ResultTable table{{"total", "fixed", "rejected", "ratio", "success_rate", "intervals", "bands",
                       "ambiguities", "satellites"},
                      {}};
    VYR_AMBIGUITY_STAT s;
    if (received(assoc.GetAmbiguityStatistics(s), path))
        table.rows.push_back({+s.summary.total, +s.summary.fixed, +s.summary.rejected,
                              +s.summary.ratio, +s.summary.successRate, s.intervals.size(),
                              s.bands.size(), s.ambiguities.size(), s.satellites.size()});
    return table;
}

// Reads every item; calls each for every one read.
template <class Each>
void for_each_raw_item(IVyrStationAssocEx& assoc, const std::string& path, Each each) {
    CVyrIPtrSmart<IVyrRawDataEx> raw;
    if (!received(assoc.GetRawData(raw), path)) return;
    VYR_RAW_DATA item;
    for (VYR_ERROR got = raw->GetFirstRawData(item); got == VYR_OK; got = raw->GetNextRawData(item))
        each(item);
}

ResultTable raw_data(IVyrStationAssocEx& assoc, const ResultQuery&, const std::string& path) {
    ResultTable table{{"kind", "time", "tag", "description", "stations"}, {}};
    for_each_raw_item(assoc, path, [&](const VYR_RAW_DATA& item) {
        if (item.kind == VYR_RAW_DATA::KIND_POINT_DESC) {
            table.rows.push_back({"point", time_cell(item.pointDesc.description.start), nullptr,
                                  item.pointDesc.id, nullptr});
            return;
        }
        std::string stations;
        for (const VYR_RAW_DATA_EPOCH& e : item.epochs)
            stations += (stations.empty() ? "" : " ") + key_display(e.station);
        const ordered_json time =
            item.epochs.empty()
                ? ordered_json()
                : ordered_json(iso_time(item.epochs[0].epoch.mjd, item.epochs[0].epoch.fraction));
        table.rows.push_back({"epoch", time, item.epochTag, nullptr, stations});
    });
    return table;
}

using TableMaker = ResultTable (*)(IVyrStationAssocEx&, const ResultQuery&, const std::string&);

const std::vector<std::pair<std::string, TableMaker>>& makers() {
    static const std::vector<std::pair<std::string, TableMaker>> list = {
        {"residuals", residuals},
        {"offsets", offsets},
        {"cycle-slips", cycle_slips},
        {"tracking-status", tracking_status},
        {"ambiguity-status", ambiguity_status},
        {"epoch-info", epoch_info},
        {"sat-stats", sat_stats},
        {"points", points},
        {"kernel-stats", kernel_stats},
        {"ambiguity-stats", ambiguity_stats},
        {"raw-data", raw_data},
    };
    return list;
}

}  // namespace

const std::vector<std::string>& result_kinds() {
    static const std::vector<std::string> kinds = [] {
        std::vector<std::string> names;
        for (const auto& [name, maker] : makers()) names.push_back(name);
        return names;
    }();
    return kinds;
}

ResultTable result_table(IVyrStationAssocEx& assoc, const ResultQuery& query,
                         const std::string& path) {
    for (const auto& [name, maker] : makers())
        if (name == query.kind) return maker(assoc, query, path);
    std::string known;
    for (const std::string& kind : result_kinds()) known += (known.empty() ? "" : ", ") + kind;
    throw CommandFailure{"unknown result kind '" + query.kind + "'; one of: " + known, kExitUsage};
}

ordered_json result_counts(IVyrStationAssocEx& assoc, const std::string& path) {
    ordered_json counts = ordered_json::object();
    const auto note = [&](const std::string& name, uint64_t count) {
        if (count > 0) counts[name] = count;
    };
    for (int t = VYR_RESIDUAL_L1_CODE; t <= VYR_RESIDUAL_L3_PHASE; ++t) {
        const auto type = static_cast<VYR_RESIDUAL_TYPE>(t);
        note("residuals." + residual_type_name(type),
             count_of<IVyrCollectionResidualEx>(
                 [&](auto& out) { return assoc.GetResidualsEx(type, out); }, path));
    }
    for (int t = VYR_RESIDUAL_OFFSET_L1_CODE; t <= VYR_RESIDUAL_OFFSET_L3_PHASE; ++t) {
        const auto type = static_cast<VYR_RESIDUAL_OFFSET_TYPE>(t);
        note("offsets." + offset_type_name(type),
             count_of<IVyrCollectionResidualOffsetSvEx>(
                 [&](auto& out) { return assoc.GetResidualOffsetsEx(type, out); }, path));
    }
    note("cycle-slips", count_of<IVyrCollectionCycleSlipEx>(
                            [&](auto& out) { return assoc.GetCycleSlipCollectionEx(out); }, path));
    for (int b = VYR_BAND_L1; b <= VYR_BAND_E5AB; ++b) {
        const auto band = static_cast<VYR_FREQUENCY_BAND>(b);
        note("tracking-status." + band_name(band),
             count_of<IVyrCollectionTrackingStatusSvEx>(
                 [&](auto& out) { return assoc.GetTrackingStatusEx(band, out); }, path));
        note("ambiguity-status." + band_name(band),
             count_of<IVyrCollectionAmbiguityStatusSvEx>(
                 [&](auto& out) { return assoc.GetAmbiguityStatusEx(band, out); }, path));
    }
    note("epoch-info", count_of<IVyrCollectionEpochSvInfoEx>(
                           [&](auto& out) { return assoc.GetEpochSvInfoCollectionEx(out); }, path));
    note("sat-stats", count_of<IVyrCollectionSvStatEx>(
                          [&](auto& out) { return assoc.GetSvStatCollectionEx(out); }, path));
    note("points", count_of<IVyrCollection<VYR_POINT_POSITION>>(
                       [&](auto& out) { return assoc.GetPointPositionCollection(out); }, path));
    VYR_KERNEL_STAT kernel{};
    note("kernel-stats", received(assoc.GetKernelStatistics(kernel), path) ? 1 : 0);
    VYR_AMBIGUITY_STAT ambiguity;
    note("ambiguity-stats", received(assoc.GetAmbiguityStatistics(ambiguity), path) ? 1 : 0);
    uint64_t items = 0;
    for_each_raw_item(assoc, path, [&](const VYR_RAW_DATA&) { ++items; });
    note("raw-data", items);
    return counts;
}

}  // namespace vyr_cli
