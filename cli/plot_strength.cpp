// The signal-strength plot: the availability rows coloured by carrier-to-noise density of one
// band, in bands of 5 dB-Hz.
#include <array>
#include <cmath>

#include "plot_frame.h"
#include "plot_kinds.h"
#include "station_text.h"

namespace vyr_cli {
namespace {

// Lower edges in dB-Hz of the classes above the first; dark for weak, bright for strong.
constexpr std::array<int, 6> kEdges = {25, 30, 35, 40, 45, 50};
constexpr std::array<const char*, 7> kColours = {"#440154", "#443983", "#31688e", "#21918c",
                                                 "#35b779", "#90d743", "#fde725"};

int strength_class(uint16_t quality) {
    const double dbhz = quality / 20.0;  // stored in 0.05 dB-Hz
    int k = 0;
    while (k < int(kEdges.size()) && dbhz >= kEdges[size_t(k)]) ++k;
    return k;
}

std::string class_label(size_t k) {
    if (k == 0) return "< " + std::to_string(kEdges[0]);
    if (k == kEdges.size()) return ">= " + std::to_string(kEdges.back());
    return std::to_string(kEdges[k - 1]) + "-" + std::to_string(kEdges[k]);
}

}  // namespace

std::string strength_plot(const StationTracks& tracks, const std::string& station,
                          const std::string& band, double width) {
    std::vector<std::pair<VYR_SATID, const SatelliteTrack*>> rows;
    for (const auto& [sat, track] : tracks.satellites)
        if (!track.strength.empty()) rows.emplace_back(sat, &track);

    PlotLayout layout;
    layout.width = width;
    layout.plotHeight = kRowHeight * double(std::max<size_t>(rows.size(), 1));
    const TimeScale scale(tracks.first, tracks.last, layout.left, layout.plotWidth());
    const int64_t gap = largest_gap(tracks.step);

    SvgWriter svg(layout.width, layout.height());
    draw_heading(svg, layout,
                 station + ": " + band + " signal strength, " + days_of(tracks.first, tracks.last),
                 span_of(tracks.first, tracks.last) + ' ' + kTimeScale + ", " +
                     std::to_string(tracks.epochs) + " epochs, " + std::to_string(rows.size()) +
                     " satellites with a strength on " + band + "; dB-Hz");
    std::vector<LegendEntry> legend;
    for (size_t k = 0; k < kColours.size(); ++k)
        legend.push_back({class_label(k), kColours[k], LegendEntry::kBox});
    draw_legend(svg, layout, legend);
    std::vector<std::string> names;
    for (const auto& row : rows) names.push_back(satellite_name(row.first));
    draw_rows(svg, layout, names);
    draw_time_axis(svg, layout, scale);

    double y = layout.top;
    std::vector<int> classes;
    for (const auto& [sat, track] : rows) {
        classes.clear();
        for (const uint16_t q : track->strength) classes.push_back(strength_class(q));
        const std::vector<Run> runs = join_runs(track->strengthTimes, gap, classes);
        std::array<std::string, kColours.size()> paths;
        for (size_t i = 0; i < runs.size(); ++i) {
            // A run reaches the next one when that follows without a gap, so that the colours
            // of a pass meet.
            int64_t end = runs[i].last;
            if (i + 1 < runs.size() && runs[i + 1].first - runs[i].last <= gap)
                end = runs[i + 1].first;
            const double x0 = scale.x(runs[i].first);
            const double w = std::max(scale.x(end) - x0, 1.5);
            std::string& d = paths[size_t(runs[i].key)];
            d += 'M';
            append_coordinate(d, x0);
            d += ' ';
            append_coordinate(d, y + 2);
            d += 'h';
            append_coordinate(d, w);
            d += "v10h";
            append_coordinate(d, -w);
            d += 'z';
        }
        svg.open("g", {{"class", "sat"}, {"data-sat", satellite_name(sat)}});
        for (size_t k = 0; k < paths.size(); ++k)
            if (!paths[k].empty())
                svg.element("path", {{"class", "strength"},
                                     {"data-class", class_label(k)},
                                     {"d", paths[k]},
                                     {"fill", kColours[k]}});
        svg.close("g");
        y += kRowHeight;
    }
    return svg.finish();
}

}  // namespace vyr_cli
