// The pictures `vyr plot` draws, each as the text of an SVG document.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <vyr/vyr.h>

#include "plot_tracks.h"

namespace vyr_cli {

// One row per satellite: a bar where it was observed (epochs no more than 1.5 steps apart
// joined), a tick at every epoch that marks a loss of lock.
std::string availability_plot(const StationTracks& tracks, const std::string& station,
                              double width);

// The same rows coloured by the signal strength of one band.
std::string strength_plot(const StationTracks& tracks, const std::string& station,
                          const std::string& band, double width);

// Residuals of an association over time: one line per satellite, broken at gaps.
struct ResidualSeries {
    std::string station, assoc, type;
    std::map<VYR_SATID, std::vector<std::pair<int64_t, double>>> satellites;
    int64_t first = 0, last = 0, step = 0;
    uint64_t epochs = 0;
};
std::string residual_plot(const ResidualSeries& series, double width);

}  // namespace vyr_cli
