// Hostile bytes read as every kind of file the system converts (observations of version 2 and
// later, compact RINEX observations, navigation of each system, SP3 orbits, ionosphere models,
// GLONASS channel maps): each converter must answer with a result code that has a message text,
// never crash or hang, and what it hands back must be usable.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <vyr/error.h>
#include "import/compact_rinex.h"
#include "import/file_converter.h"

namespace {

// A known result: success or a failure the system can put into words.
void check(VYR_ERROR result) {
    std::string text;
    if (result != VYR_OK && (ErrorToStringDef(result, text) != VYR_OK || text.empty()))
        __builtin_trap();
}

void check_stations(const std::vector<VYR_STATION_RINEX>& stations) {
    for (const VYR_STATION_RINEX& station : stations)
        for (const VYR_OBSERVATIONEPOCH& epoch : station.epochs) {
            if (epoch.status != 1 || !(epoch.fraction >= 0.0 && epoch.fraction < 1.0))
                __builtin_trap();
            for (const VYR_OBSERVATIONEPOCH_SV& sat : epoch.satellites)
                for (const VYR_OBSERVATIONEPOCH_SIGNAL& s : sat.observations)
                    if (!std::isfinite(s.code) || !std::isfinite(s.phase) ||
                        !std::isfinite(s.doppler))
                        __builtin_trap();
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The converters take a file name: the input lives in an anonymous file in memory.
    static const int fd = memfd_create("converter-input", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    const char* name = path.c_str();

    CVyrFileConverter converter;
    std::vector<VYR_STATION_RINEX> stations;
    check(converter.ConvertRinexObs(name, stations, nullptr));
    check_stations(stations);
    std::vector<VYR_BROADCASTEPHEMERIS> gps;
    check(converter.ConvertRinexNav(name, gps));
    std::vector<VYR_BROADCASTEPHEMERIS_GLO> glonass;
    check(converter.ConvertRinexNavGlo(name, glonass));
    std::vector<VYR_BROADCASTEPHEMERIS_GAL> galileo;
    check(converter.ConvertRinexNavGal(name, galileo));
    std::vector<VYR_PRECISEEPHEMERIS> orbits;
    check(converter.ConvertSp3(name, orbits));
    std::vector<VYR_IONO_GLOBALREG> models;
    check(converter.ConvertIonoGlobalReg(name, models));
    std::vector<VYR_IONOUTC> klobuchar;
    check(converter.ConvertRinexIonoKlobuchar(name, 55197.5, klobuchar));
    VYR_GLONASS_FREQUENCYMAP map{};
    check(converter.ConvertFrequencyMapGlo(name, map));

    // The compact RINEX expander, fed line by line: a refusal always says why.
    CCompactRinexExpander expander;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string expanded;
    bool expanding = true;
    for (size_t at = 0; expanding && at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size());
        expanding = expander.Feed(text.substr(at, end - at), expanded);
        expanded.clear();
        at = end + 1;
    }
    if (expanding) expanding = expander.Finish();
    if (!expanding && expander.Problem().empty()) __builtin_trap();
    return 0;
}
