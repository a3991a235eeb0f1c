// Writes the seed corpus of the project fuzz target: one project per bundled sample observation
// file, holding a station with the file's epochs and a few precise orbit positions, made through
// the library as any caller would; and the damaged projects that once broke a reader, kept as
// regression inputs.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <vyr/vyr.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrFileConverter> converter;
    if (!root.IsValid() || root->GetFileConverter(converter) != VYR_OK) return 1;
    for (const auto& sample : std::filesystem::directory_iterator(VYR_SAMPLES_DIR)) {
        std::vector<VYR_STATION_RINEX> sites;
        if (converter->ConvertRinexObs(sample.path().c_str(), sites, nullptr) != VYR_OK ||
            sites.empty())
            return 1;
        const std::filesystem::path path = dir / (sample.path().stem().string() + ".vyr");
        std::filesystem::remove(path);
        CVyrIPtrSmart<IVyrStorage> project;
        CVyrIPtrSmart<IVyrCollectionStation> stations;
        CVyrIPtrSmart<IVyrStation> station;
        CVyrIPtrSmart<IVyrObservations> observations;
        CVyrIPtrSmart<IVyrCommonData> common;
        VYR_STATION_KEY key{};
        key.type = VYR_KEY_TEXT;
        std::memcpy(key.value, "SEED", 4);
        if (root->CreateStorage(path.c_str(), project) != VYR_OK ||
            project->GetStations(stations) != VYR_OK ||
            stations->AddStation(key, station) != VYR_OK ||
            station->GetObservations(observations) != VYR_OK ||
            observations->AddEpochs(sites.front().epochs) != VYR_OK ||
            project->GetCommonData(common) != VYR_OK ||
            common->AddPreciseEphemerisRecords(
                {{5, 15000123.456, -20000500.0, 1234000.001, 1e-5, 59216.0},
                 {37, 15001000.0, -20001000.0, 1235000.0, 2e-5, 59216.0}}) != VYR_OK)
            return 1;
    }
    for (const auto& input : std::filesystem::directory_iterator(VYR_REGRESSIONS_DIR)) {
        if (input.path().extension() != ".vyr") continue;
        const std::filesystem::path seed = dir / input.path().filename();
        std::filesystem::copy_file(input.path(), seed,
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(seed, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
    }
    return 0;
}
