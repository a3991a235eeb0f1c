#include "plot_tracks.h"

#include "plot_time_axis.h"
#include "project_access.h"

namespace vyr_cli {
namespace {

// The signal of the band whose strength is shown: the lowest signal type carrying a quality (the
// civil signal where there are several), or none.
const VYR_OBSERVATIONEPOCH_SIGNAL* strength_signal(const VYR_OBSERVATIONEPOCH_SV& sv,
                                                   VYR_FREQUENCY_BAND band) {
    const VYR_OBSERVATIONEPOCH_SIGNAL* chosen = nullptr;
    for (const VYR_OBSERVATIONEPOCH_SIGNAL& s : sv.observations) {
        const VYR_OBSTYPE type = s.obsType;
        if ((s.flags & VYR_OBSERVATIONEPOCH_SIGNAL::kQualityValid) == 0 || s.quality == 0 ||
            Vyr_ObsTypeToFrequencyBand(type) != band)
            continue;
        if (chosen == nullptr || type < chosen->obsType) chosen = &s;
    }
    return chosen;
}

}  // namespace

StationTracks read_tracks(IVyrObservations& observations, const VYR_OBSERVATION_FILTER& filter,
                          std::optional<VYR_FREQUENCY_BAND> band, const std::string& path) {
    StationTracks tracks;
    VYR_OBSERVATIONEPOCH epoch;
    int64_t previous = 0;
    VYR_ERROR result = observations.StartAndGetFirst(epoch, &filter, false, 0);
    for (; result == VYR_OK; result = observations.GetNext(epoch, false)) {
        const int64_t t = milliseconds_of(epoch.mjd, epoch.fraction);
        if (tracks.epochs == 0) tracks.first = t;
        if (tracks.epochs != 0 && t > previous && (tracks.step == 0 || t - previous < tracks.step))
            tracks.step = t - previous;
        ++tracks.epochs;
        tracks.last = std::max(tracks.last, t);
        previous = t;
        for (const VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
            bool tracked = false, lost = false;
            for (const VYR_OBSERVATIONEPOCH_SIGNAL& s : sv.observations) {
                tracked = tracked || (s.flags & VYR_OBSERVATIONEPOCH_SIGNAL::kTracked) != 0;
                lost = lost || (s.flags & VYR_OBSERVATIONEPOCH_SIGNAL::kLossOfLock) != 0;
            }
            if (!tracked) continue;
            SatelliteTrack& track = tracks.satellites[sv.satId];
            // A stream out of time order is drawn as it comes; runs need the times ordered.
            if (!track.epochs.empty() && t < track.epochs.back()) continue;
            track.epochs.push_back(t);
            if (lost) track.lossOfLock.push_back(t);
            if (!band) continue;
            if (const VYR_OBSERVATIONEPOCH_SIGNAL* s = strength_signal(sv, *band)) {
                track.strengthTimes.push_back(t);
                track.strength.push_back(s->quality);
            }
        }
    }
    if (result != VYR_E_ITERATOR_AT_END) check(result, path);
    return tracks;
}

std::vector<Run> join_runs(const std::vector<int64_t>& times, int64_t largest_gap,
                           const std::vector<int>& keys) {
    std::vector<Run> runs;
    for (size_t i = 0; i < times.size(); ++i) {
        const int key = i < keys.size() ? keys[i] : 0;
        if (runs.empty() || times[i] - runs.back().last > largest_gap || key != runs.back().key)
            runs.push_back({times[i], times[i], key, 0});
        runs.back().last = times[i];
        ++runs.back().count;
    }
    return runs;
}

}  // namespace vyr_cli
