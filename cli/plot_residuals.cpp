// The residual plot: an association's residuals of one type over time, a line per satellite in
// the shades of its system, broken where epochs are missing.
#include <algorithm>
#include <cmath>
#include <set>

#include "plot_frame.h"
#include "plot_kinds.h"
#include "station_text.h"

namespace vyr_cli {
namespace {

// Hue of a system; satellites of one system differ in lightness.
int system_hue(VYR_SATELLITE_SYSTEM system) {
    switch (system) {
        case VYR_SATSYS_GPS:
            return 210;
        case VYR_SATSYS_GLONASS:
            return 0;
        case VYR_SATSYS_GALILEO:
            return 120;
        case VYR_SATSYS_SBAS:
            return 30;
        default:
            return 280;
    }
}

std::string satellite_colour(const VYR_SATID& sat) {
    const int prn = sat.prn;
    return "hsl(" + std::to_string(system_hue(sat.system)) + ",70%," +
           std::to_string(28 + prn % 5 * 8) + "%)";
}

// A round step (1, 2 or 5 times a power of ten) giving about four ticks from 0 to top.
double value_step(double top) {
    const double raw = top / 4;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

// A tick value as short text: 0.05, -2, 1e-05.
std::string value_text(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", std::fabs(value) < 1e-12 ? 0.0 : value);
    return text;
}

}  // namespace

std::string residual_plot(const ResidualSeries& series, double width) {
    PlotLayout layout;
    layout.width = width;
    layout.left = 72;
    layout.plotHeight = 420;
    const TimeScale time(series.first, series.last, layout.left, layout.plotWidth());
    const int64_t gap = largest_gap(series.step);

    double largest = 0;
    for (const auto& [sat, values] : series.satellites)
        for (const auto& [t, v] : values) largest = std::max(largest, std::fabs(v));
    if (!(largest > 0)) largest = 1;
    const double step = value_step(largest);
    const double top = std::ceil(largest / step) * step;
    const double middle = layout.top + layout.plotHeight / 2;
    const double perUnit = layout.plotHeight / 2 / top;
    const auto y_of = [&](double v) { return middle - v * perUnit; };

    SvgWriter svg(layout.width, layout.height());
    size_t values = 0;
    for (const auto& [sat, list] : series.satellites) values += list.size();
    draw_heading(svg, layout,
                 series.station + ": " + series.type + " residuals of " + series.assoc + ", " +
                     days_of(series.first, series.last),
                 span_of(series.first, series.last) + ' ' + kTimeScale + ", " +
                     std::to_string(series.epochs) + " epochs, " +
                     std::to_string(series.satellites.size()) + " satellites, " +
                     std::to_string(values) + " values; GLONASS offsets applied");
    std::set<VYR_SATELLITE_SYSTEM> systems;
    for (const auto& [sat, list] : series.satellites) systems.insert(sat.system);
    std::vector<LegendEntry> legend;
    for (VYR_SATELLITE_SYSTEM system : systems)
        legend.push_back({system_name(system) + " (a shade per satellite)",
                          satellite_colour({system, 2}), LegendEntry::kLine});
    draw_legend(svg, layout, legend);
    draw_time_axis(svg, layout, time);

    // Value axis: grid lines and labels at the steps, the zero line darker.
    svg.open("g", {{"class", "value-axis"}, {"text-anchor", "end"}});
    std::string grid;
    for (double v = -top; v <= top + step / 2; v += step) {
        const double y = y_of(v);
        grid += 'M';
        append_coordinate(grid, layout.left);
        grid += ' ';
        append_coordinate(grid, y);
        grid += 'H';
        append_coordinate(grid, layout.plotRight());
        svg.text({{"class", "tick"},
                  {"data-value", value_text(v)},
                  {"x", SvgWriter::number(layout.left - 6)},
                  {"y", SvgWriter::number(y + 4)}},
                 value_text(v));
    }
    svg.element("path", {{"d", grid}, {"stroke", "#e4e4e4"}});
    svg.element("path",
                {{"d", "M" + SvgWriter::number(layout.left) + ' ' + SvgWriter::number(middle) +
                           'H' + SvgWriter::number(layout.plotRight())},
                 {"stroke", "#888888"}});
    svg.text({{"transform", "rotate(-90)"},
              {"x", SvgWriter::number(-middle)},
              {"y", "16"},
              {"text-anchor", "middle"},
              {"fill", "#444444"}},
             series.type + " residual (m)");
    svg.close("g");

    std::vector<int64_t> times;
    for (const auto& [sat, list] : series.satellites) {
        const std::string name = satellite_name(sat);
        times.clear();
        for (const auto& point : list) times.push_back(point.first);
        svg.open("g", {{"class", "sat"},
                       {"data-sat", name},
                       {"fill", "none"},
                       {"stroke", satellite_colour(sat)},
                       {"stroke-width", "1.2"}});
        svg.title(name);
        size_t i = 0;
        for (const Run& run : join_runs(times, gap)) {
            std::string points;
            points.reserve(run.count * 12);
            for (size_t n = 0; n < run.count; ++n, ++i) {
                if (n != 0) points += ' ';
                append_coordinate(points, time.x(list[i].first));
                points += ',';
                append_coordinate(points, y_of(list[i].second));
            }
            // A lone value is a dot, not an invisible line.
            if (run.count == 1)
                svg.element("circle", {{"class", "residual"},
                                       {"data-from", iso_of(run.first)},
                                       {"cx", SvgWriter::number(time.x(run.first))},
                                       {"cy", SvgWriter::number(y_of(list[i - 1].second))},
                                       {"r", "1.5"},
                                       {"fill", satellite_colour(sat)}});
            else
                svg.element("polyline", {{"class", "residual"},
                                         {"data-from", iso_of(run.first)},
                                         {"data-to", iso_of(run.last)},
                                         {"points", points}});
        }
        svg.close("g");
    }
    return svg.finish();
}

}  // namespace vyr_cli
