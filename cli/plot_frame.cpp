#include "plot_frame.h"

#include "time_text.h"

namespace vyr_cli {
namespace {

constexpr const char* kAxisColour = "#444444";
constexpr const char* kGridColour = "#d8d8d8";

std::string num(double value) {
    return SvgWriter::number(value);
}

// Text widths are guessed: 11-pixel sans-serif runs about 6.2 pixels a character.
double text_width(const std::string& text) {
    return 6.2 * double(text.size());
}

}  // namespace

void draw_heading(SvgWriter& svg, const PlotLayout& layout, const std::string& title,
                  const std::string& subtitle) {
    svg.element("rect", {{"width", "100%"}, {"height", "100%"}, {"fill", "white"}});
    svg.text({{"x", num(layout.left)}, {"y", "22"}, {"font-size", "16"}, {"font-weight", "bold"}},
             title);
    svg.text({{"x", num(layout.left)}, {"y", "40"}, {"fill", kAxisColour}}, subtitle);
}

void draw_time_axis(SvgWriter& svg, const PlotLayout& layout, const TimeScale& scale) {
    const int most = std::max(2, int(layout.plotWidth() / 90));
    const std::vector<TimeTick> ticks = time_ticks(scale.first(), scale.last(), most);
    std::string grid, marks;
    for (const TimeTick& tick : ticks) {
        const double x = scale.x(tick.ms);
        grid += 'M';
        append_coordinate(grid, x);
        grid += ' ';
        append_coordinate(grid, layout.top);
        grid += 'V';
        append_coordinate(grid, layout.plotBottom());
        marks += 'M';
        append_coordinate(marks, x);
        marks += ' ';
        append_coordinate(marks, layout.plotBottom());
        marks += "v5";
    }
    svg.element("path", {{"class", "grid"}, {"d", grid}, {"stroke", kGridColour}});
    svg.element("rect", {{"class", "frame"},
                         {"x", num(layout.left)},
                         {"y", num(layout.top)},
                         {"width", num(layout.plotWidth())},
                         {"height", num(layout.plotHeight)},
                         {"fill", "none"},
                         {"stroke", kAxisColour}});
    svg.open("g", {{"class", "time-axis"}, {"text-anchor", "middle"}});
    svg.element("path", {{"d", marks}, {"stroke", kAxisColour}});
    for (const TimeTick& tick : ticks)
        svg.text({{"class", "tick"},
                  {"data-time", iso_of(tick.ms)},
                  {"x", num(scale.x(tick.ms))},
                  {"y", num(layout.plotBottom() + 17)}},
                 tick.label);
    svg.text({{"x", num(layout.left + layout.plotWidth() / 2)},
              {"y", num(layout.plotBottom() + 38)},
              {"fill", kAxisColour}},
             std::string("time (") + kTimeScale + ")");
    svg.close("g");
}

void draw_legend(SvgWriter& svg, const PlotLayout& layout,
                 const std::vector<LegendEntry>& entries) {
    const double y = layout.top - 20;
    double x = layout.left;
    svg.open("g", {{"class", "legend"}});
    for (const LegendEntry& entry : entries) {
        switch (entry.shape) {
            case LegendEntry::kBox:
                svg.element("rect", {{"x", num(x)},
                                     {"y", num(y)},
                                     {"width", "14"},
                                     {"height", "10"},
                                     {"fill", entry.colour}});
                break;
            case LegendEntry::kTick:
                svg.element("path", {{"d", "M" + num(x + 7) + ' ' + num(y - 2) + "v14"},
                                     {"stroke", entry.colour},
                                     {"stroke-width", "1.5"}});
                break;
            case LegendEntry::kLine:
                svg.element("path", {{"d", "M" + num(x) + ' ' + num(y + 5) + "h14"},
                                     {"stroke", entry.colour},
                                     {"stroke-width", "2"}});
                break;
        }
        svg.text({{"x", num(x + 18)}, {"y", num(y + 9)}}, entry.label);
        x += 18 + text_width(entry.label) + 14;
    }
    svg.close("g");
}

void draw_rows(SvgWriter& svg, const PlotLayout& layout, const std::vector<std::string>& names) {
    std::string stripes;
    for (size_t i = 1; i < names.size(); i += 2) {
        stripes += 'M';
        append_coordinate(stripes, layout.left);
        stripes += ' ';
        append_coordinate(stripes, layout.top + double(i) * kRowHeight);
        stripes += 'h';
        append_coordinate(stripes, layout.plotWidth());
        stripes += "v14h";
        append_coordinate(stripes, -layout.plotWidth());
        stripes += 'z';
    }
    if (!stripes.empty()) svg.element("path", {{"d", stripes}, {"fill", "#f3f3f3"}});
    svg.open("g", {{"class", "row-labels"}, {"text-anchor", "end"}});
    for (size_t i = 0; i < names.size(); ++i)
        svg.text(
            {{"x", num(layout.left - 6)}, {"y", num(layout.top + double(i) * kRowHeight + 11)}},
            names[i]);
    svg.close("g");
}

std::string system_colour(VYR_SATELLITE_SYSTEM system) {
    switch (system) {
        case VYR_SATSYS_GPS:
            return "#1f77b4";
        case VYR_SATSYS_GLONASS:
            return "#d62728";
        case VYR_SATSYS_GALILEO:
            return "#2ca02c";
        case VYR_SATSYS_SBAS:
            return "#ff7f0e";
        default:
            return "#9467bd";
    }
}

std::string system_name(VYR_SATELLITE_SYSTEM system) {
    switch (system) {
        case VYR_SATSYS_GPS:
            return "GPS";
        case VYR_SATSYS_GLONASS:
            return "GLONASS";
        case VYR_SATSYS_GALILEO:
            return "Galileo";
        case VYR_SATSYS_SBAS:
            return "SBAS";
        default:
            return "other";
    }
}

std::string days_of(int64_t first, int64_t last) {
    const std::string a = iso_of(first).substr(0, 10), b = iso_of(last).substr(0, 10);
    return a == b ? a : a + " to " + b;
}

std::string span_of(int64_t first, int64_t last) {
    const std::string a = iso_of(first), b = iso_of(last);
    if (a.compare(0, 10, b, 0, 10) == 0) return a.substr(11, 8) + " to " + b.substr(11, 8);
    return a.substr(0, 10) + ' ' + a.substr(11, 8) + " to " + b.substr(0, 10) + ' ' +
           b.substr(11, 8);
}

}  // namespace vyr_cli
