// The availability plot: which satellites were observed when, and where they lost lock.
#include <set>

#include "plot_frame.h"
#include "plot_kinds.h"
#include "station_text.h"

namespace vyr_cli {
namespace {

constexpr const char* kLossOfLockColour = "#111111";

}  // namespace

std::string availability_plot(const StationTracks& tracks, const std::string& station,
                              double width) {
    PlotLayout layout;
    layout.width = width;
    layout.plotHeight = kRowHeight * double(std::max<size_t>(tracks.satellites.size(), 1));
    const TimeScale scale(tracks.first, tracks.last, layout.left, layout.plotWidth());
    const int64_t gap = largest_gap(tracks.step);

    SvgWriter svg(layout.width, layout.height());
    size_t marks = 0;
    for (const auto& [sat, track] : tracks.satellites) marks += track.lossOfLock.size();
    draw_heading(
        svg, layout, station + ": satellites observed, " + days_of(tracks.first, tracks.last),
        span_of(tracks.first, tracks.last) + ' ' + kTimeScale + ", " +
            std::to_string(tracks.epochs) + " epochs, " + std::to_string(tracks.satellites.size()) +
            " satellites, " + std::to_string(marks) + " losses of lock; bars join epochs up to " +
            SvgWriter::number(double(gap) / 1000.0) + " s apart");

    std::vector<std::string> names;
    std::set<VYR_SATELLITE_SYSTEM> systems;
    for (const auto& [sat, track] : tracks.satellites) {
        names.push_back(satellite_name(sat));
        systems.insert(sat.system);
    }
    std::vector<LegendEntry> legend;
    for (VYR_SATELLITE_SYSTEM system : systems)
        legend.push_back({system_name(system), system_colour(system), LegendEntry::kBox});
    legend.push_back({"loss of lock", kLossOfLockColour, LegendEntry::kTick});
    draw_legend(svg, layout, legend);
    draw_rows(svg, layout, names);
    draw_time_axis(svg, layout, scale);

    double y = layout.top;
    for (const auto& [sat, track] : tracks.satellites) {
        const std::string name = satellite_name(sat);
        svg.open("g", {{"class", "sat"}, {"data-sat", name}, {"fill", system_colour(sat.system)}});
        for (const Run& run : join_runs(track.epochs, gap)) {
            const double x0 = scale.x(run.first);
            // A lone epoch is still a visible sliver.
            const double w = std::max(scale.x(run.last) - x0, 1.5);
            svg.open("rect", {{"class", "bar"},
                              {"data-from", iso_of(run.first)},
                              {"data-to", iso_of(run.last)},
                              {"data-epochs", std::to_string(run.count)},
                              {"x", SvgWriter::number(x0)},
                              {"y", SvgWriter::number(y + 2)},
                              {"width", SvgWriter::number(w)},
                              {"height", SvgWriter::number(kRowHeight - 4)}});
            svg.title(name + ' ' + iso_of(run.first).substr(11, 8) + " to " +
                      iso_of(run.last).substr(11, 8) + ", " + std::to_string(run.count) +
                      " epochs");
            svg.close("rect");
        }
        if (!track.lossOfLock.empty()) {
            std::string ticks;
            ticks.reserve(track.lossOfLock.size() * 16);
            for (const int64_t t : track.lossOfLock) {
                ticks += 'M';
                append_coordinate(ticks, scale.x(t));
                ticks += ' ';
                append_coordinate(ticks, y);
                ticks += "v14";
            }
            svg.element("path", {{"class", "loss-of-lock"},
                                 {"data-count", std::to_string(track.lossOfLock.size())},
                                 {"d", ticks},
                                 {"stroke", kLossOfLockColour},
                                 {"stroke-width", "1.5"}});
        }
        svg.close("g");
        y += kRowHeight;
    }
    return svg.finish();
}

}  // namespace vyr_cli
