// What the plots draw of a station's observations, read once through the observation filter:
// per satellite the epochs it was observed, its losses of lock and its signal strength in one
// band; and the joining of epochs into runs, which keeps a day of data a few hundred shapes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <vyr/vyr.h>

namespace vyr_cli {

struct SatelliteTrack {
    std::vector<int64_t> epochs;      // ms, in time order
    std::vector<int64_t> lossOfLock;  // ms of the epochs where a phase carries the mark
    // Signal strength of the band asked for: time and quality in 0.05 dB-Hz.
    std::vector<int64_t> strengthTimes;
    std::vector<uint16_t> strength;
};

struct StationTracks {
    std::map<VYR_SATID, SatelliteTrack> satellites;  // by system, then number
    uint64_t epochs = 0;
    int64_t first = 0, last = 0;
    // The smallest step between two epochs read (0 with fewer than two): the data rate of what
    // is drawn, after sampling.
    int64_t step = 0;
};

// Every epoch the filter lets through. band: whose signal strength to keep (none: keep none).
// Throws CommandFailure naming the path when the observations do not read.
StationTracks read_tracks(IVyrObservations& observations, const VYR_OBSERVATION_FILTER& filter,
                          std::optional<VYR_FREQUENCY_BAND> band, const std::string& path);

// A run of times no more than the largest gap apart, and of one key.
struct Run {
    int64_t first = 0, last = 0;
    int key = 0;
    size_t count = 0;
};

// times in order; keys (when given, one per time) split runs where they change.
std::vector<Run> join_runs(const std::vector<int64_t>& times, int64_t largest_gap,
                           const std::vector<int>& keys = {});

// The largest gap that still joins two epochs: one and a half steps, so that a missing epoch
// breaks a bar and jitter of the time tags does not.
inline int64_t largest_gap(int64_t step) {
    return step + step / 2;
}

}  // namespace vyr_cli
