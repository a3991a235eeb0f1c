// `vyr plot`: a station's data as an SVG picture (availability, signal strength, residuals),
// through the same filter as `vyr obs`.
#include <cmath>
#include <memory>

#include <vyr/vyr.h>

#include "commands.h"
#include "number_options.h"
#include "observation_filter_options.h"
#include "output_file.h"
#include "plot_kinds.h"
#include "plot_time_axis.h"
#include "project_access.h"
#include "project_lookup.h"
#include "result_text.h"

namespace vyr_cli {
namespace {

struct PlotOptions {
    std::string path, station, kind, assoc, output, band = "L1", type;
    FilterOptions filter;
    double width = 1000;
};

// Signal-strength bands as a person types them.
std::optional<VYR_FREQUENCY_BAND> strength_band(const std::string& name) {
    if (name == "E6") return VYR_BAND_E6;
    return status_band_named(name);
}

// Residual epochs as the observation filter would take them: time span, sampling, systems,
// satellites.
bool residual_epoch_kept(double mjd, const VYR_OBSERVATION_FILTER& filter) {
    if (filter.startTime > 0 && filter.endTime >= filter.startTime &&
        (mjd < filter.startTime || mjd > filter.endTime))
        return false;
    if (filter.samplingInterval > 0) {
        const int64_t ms = milliseconds_of(mjd) % kMsPerDay;
        const int64_t r = ms % filter.samplingInterval;
        if (r > 1 && r < filter.samplingInterval - 1) return false;
    }
    return true;
}

bool residual_satellite_kept(const VYR_SATID& sat, const VYR_OBSERVATION_FILTER& filter) {
    if (filter.excludedSatellites.count(sat) != 0) return false;
    switch (sat.system) {
        case VYR_SATSYS_GPS:
            return !filter.excludeGps;
        case VYR_SATSYS_GLONASS:
            return !filter.excludeGlonass;
        case VYR_SATSYS_GALILEO:
            return !filter.excludeGalileo;
        case VYR_SATSYS_SBAS:
            return !filter.excludeSbas;
        default:
            return true;
    }
}

ResidualSeries read_residuals(IVyrStorageEx& storage, const PlotOptions& options,
                              const VYR_OBSERVATION_FILTER& filter) {
    const auto type = residual_type_named(options.type);
    if (!type)
        throw CommandFailure{options.type.empty()
                                 ? "residuals need --type; one of: " + residual_type_names()
                                 : "--type: not a residual type: '" + options.type +
                                       "'; one of: " + residual_type_names(),
                             kExitUsage};
    CVyrIPtrSmart<IVyrStationAssocEx> assoc = find_assoc(storage, options.path, options.assoc);
    CVyrIPtrSmart<IVyrCollectionResidual> collection;
    ResidualSeries series{options.station, options.assoc, options.type, {}, 0, 0, 0, 0};
    const VYR_ERROR opened = assoc->GetResiduals(*type, collection);
    if (opened == VYR_E_ENTRY_NOT_FOUND) return series;
    check(opened, options.path);
    VYR_RESIDUAL record;
    int64_t previous = 0;
    VYR_ERROR result = collection->GetFirst(record);
    for (; result == VYR_OK; result = collection->GetNext(record)) {
        // A time no epoch can have is damage; it would not even convert to milliseconds.
        if (!(record.time >= vyr::kFirstEpochMjd && record.time < vyr::kEndEpochMjd))
            throw CommandFailure{options.path + ": a stored " + options.type +
                                 " residual holds no valid time; the project is damaged"};
        if (!residual_epoch_kept(record.time, filter)) continue;
        const int64_t t = milliseconds_of(record.time);
        bool any = false;
        for (const VYR_RESIDUAL_SV& entry : record.residuals) {
            const VYR_SATID sat = entry.sat;
            const double value = entry.residual;
            if (!std::isfinite(value) || !residual_satellite_kept(sat, filter)) continue;
            auto& list = series.satellites[sat];
            if (!list.empty() && t < list.back().first) continue;
            list.emplace_back(t, value);
            any = true;
        }
        if (!any) continue;
        if (series.epochs == 0) series.first = t;
        if (series.epochs != 0 && t > previous && (series.step == 0 || t - previous < series.step))
            series.step = t - previous;
        series.last = std::max(series.last, t);
        previous = t;
        ++series.epochs;
    }
    if (result != VYR_E_NO_MORE_ENTRIES) check(result, options.path);
    return series;
}

void plot(const PlotOptions& options) {
    const bool residuals = options.kind == "residuals";
    if (residuals && options.assoc.empty())
        throw CommandFailure{
            "residuals need the association: vyr plot PROJECT STATION residuals "
            "ASSOC --type T -o FILE.svg",
            kExitUsage};
    if (!residuals && !options.assoc.empty())
        throw CommandFailure{options.kind + " takes no association (" + options.assoc + ")",
                             kExitUsage};
    if (residuals && (options.filter.windows || options.filter.repair))
        throw CommandFailure{
            "--windows and --repair-clock-jumps act on observations, not on "
            "residuals",
            kExitUsage};
    std::optional<VYR_FREQUENCY_BAND> band;
    if (options.kind == "snr") {
        band = strength_band(options.band);
        if (!band)
            throw CommandFailure{
                "--band: not a band: '" + options.band + "'; one of: L1, L2, L5E5a, E5b, E5ab, E6",
                kExitUsage};
    }
    const VYR_OBSERVATION_FILTER filter = filter_of(options.filter);
    ReadOnlyProject project(options.path);
    // Refused before the work of drawing, and again when the picture is written.
    refuse_project_output(options.output, options.path, "plot");
    CVyrIPtrSmart<IVyrStationEx> station =
        find_station(project.storage(), options.path, options.station);

    std::string svg;
    if (residuals) {
        const ResidualSeries series = read_residuals(project.storage(), options, filter);
        if (series.epochs == 0)
            throw CommandFailure{options.path + ": association " + options.assoc + " holds no " +
                                 options.type + " residuals that pass the filter"};
        svg = residual_plot(series, options.width);
    } else {
        CVyrIPtrSmart<IVyrObservations> observations;
        check(station->GetObservations(observations), options.path);
        const StationTracks tracks = read_tracks(*observations, filter, band, options.path);
        if (tracks.epochs == 0)
            throw CommandFailure{options.path + ": no epochs of " + options.station +
                                 " pass the filter"};
        svg = band ? strength_plot(tracks, options.station, options.band, options.width)
                   : availability_plot(tracks, options.station, options.width);
    }
    write_output_file(options.output, svg, options.path, "plot");
}

}  // namespace

void add_plot_command(CLI::App& app) {
    auto* command = app.add_subcommand(
        "plot", "Draw a station's availability, signal strength or residuals as SVG");
    command->footer(
        "Kinds:\n"
        "  availability  a row per satellite, bars where observed, ticks at losses of lock\n"
        "  snr           the same rows coloured by signal strength of --band (dB-Hz)\n"
        "  residuals     residuals of association ASSOC, --type T, a line per satellite\n"
        "Times are GPS time, as the project keeps them.");
    auto options = std::make_shared<PlotOptions>();
    command->add_option("PROJECT", options->path, "Project file")->required();
    command->add_option("STATION", options->station, "Station key text or display text")
        ->required();
    command->add_option("KIND", options->kind, "availability, snr or residuals")
        ->required()
        ->check(CLI::IsMember({"availability", "snr", "residuals"}));
    command->add_option("ASSOC", options->assoc, "Association key text (residuals only)");
    command
        ->add_option("-o,--output", options->output,
                     "The SVG file to write (replaced when it exists; never a project)")
        ->required();
    command->add_option("--band", options->band,
                        "Band of snr: L1 (default), L2, L5E5a, E5b, E5ab, E6");
    command->add_option("--type", options->type,
                        "Residual type of residuals: " + residual_type_names());
    command->add_option("--width", options->width, "Width of the picture in pixels (default 1000)")
        ->check(number_range(400, 20000, "a width in pixels"));
    add_filter_options(*command, options->filter, true);
    command->callback([=] { plot(*options); });
}

}  // namespace vyr_cli
