// What every plot of `vyr plot` shares: the page layout, the heading, the time axis with its
// grid, the legend, the satellite rows and the colours of the systems.
#pragma once

#include <string>
#include <vector>

#include <vyr/vyr.h>

#include "plot_time_axis.h"
#include "svg_writer.h"

namespace vyr_cli {

struct PlotLayout {
    double width = 1000;
    double left = 64, right = 24, top = 84, bottomMargin = 48;
    double plotHeight = 400;

    double plotRight() const { return width - right; }
    double plotWidth() const { return plotRight() - left; }
    double plotBottom() const { return top + plotHeight; }
    double height() const { return plotBottom() + bottomMargin; }
};

// Height of one satellite row of the row plots.
inline constexpr double kRowHeight = 14;

// A white page, the title and a line under it.
void draw_heading(SvgWriter& svg, const PlotLayout& layout, const std::string& title,
                  const std::string& subtitle);
// The plot's frame, vertical grid lines at the ticks, their labels and the axis name.
void draw_time_axis(SvgWriter& svg, const PlotLayout& layout, const TimeScale& scale);

struct LegendEntry {
    enum Shape { kBox, kTick, kLine };
    std::string label;
    std::string colour;
    Shape shape = kBox;
};
// One line of entries above the plot.
void draw_legend(SvgWriter& svg, const PlotLayout& layout, const std::vector<LegendEntry>& entries);

// Satellite names at the left of their rows, and light stripes behind every other row.
void draw_rows(SvgWriter& svg, const PlotLayout& layout, const std::vector<std::string>& names);

// One colour per system, the same in every plot.
std::string system_colour(VYR_SATELLITE_SYSTEM system);
// "GPS", "GLONASS", ...
std::string system_name(VYR_SATELLITE_SYSTEM system);
// The day or days of a span: "2021-01-02" or "2021-01-02 to 2021-01-03".
std::string days_of(int64_t first, int64_t last);
// "12:00:00 to 12:05:30" (with dates when the span crosses midnight).
std::string span_of(int64_t first, int64_t last);

}  // namespace vyr_cli
