// Writes the seed corpus of the project fuzz target: one project per bundled sample observation
// file, holding a station with the file's epochs, a few precise orbit positions and an
// association with residuals, offsets, a cycle slip and raw data, made through the library as any
// caller would; and the damaged projects that once broke a reader, kept as regression inputs.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <vyr/vyr.h>

namespace {

// Results of an association of the station: two residual types (GPS and GLONASS), GLONASS
// offsets, a cycle slip and raw data holding the station's first epoch.
bool add_results(IVyrStorage& project, const VYR_STATION_KEY& key,
                 const VYR_OBSERVATIONEPOCH& epoch) {
    CVyrIPtrSmart<IVyrCollectionStationAssocEx> assocs;
    CVyrIPtrSmart<IVyrStationAssoc> added;
    CVyrIPtrSmart<IVyrStationAssocEx> assoc;
    VYR_STATION_ASSOC description;
    description.rover = {1, key, 0};
    VYR_STATION_ASSOC_KEY assocKey{};
    if (static_cast<IVyrStorageEx&>(project).GetStationAssocsEx(assocs) != VYR_OK ||
        assocs->AddAssoc(description, added) != VYR_OK || added->GetKey(assocKey) != VYR_OK)
        return false;
    added.Reset();
    if (assocs->GetAssocEx(assocKey, assoc) != VYR_OK) return false;
    const double t = epoch.mjd + epoch.fraction;
    for (VYR_RESIDUAL_TYPE type : {VYR_RESIDUAL_L1_CODE, VYR_RESIDUAL_L2_CODE}) {
        CVyrIPtrSmart<IVyrCollectionResidualEx> residuals;
        if (assoc->GetResidualsEx(type, residuals) != VYR_OK) return false;
        for (int n = 0; n < 2; ++n)
            if (residuals->Add({t + n * 30.0 / 86400.0,
                                {{{VYR_SATSYS_GPS, 5}, 0.5 + type},
                                 {{VYR_SATSYS_GLONASS, 3}, 1.0}}}) != VYR_OK)
                return false;
    }
    CVyrIPtrSmart<IVyrCollectionResidualOffsetSvEx> offsets;
    CVyrIPtrSmart<IVyrCollectionCycleSlipEx> slips;
    CVyrIPtrSmart<IVyrRawDataEx> raw;
    VYR_RAW_DATA item;
    item.kind = VYR_RAW_DATA::KIND_EPOCH;
    item.epochs = {{key, epoch}};
    return assoc->GetResidualOffsetsEx(VYR_RESIDUAL_OFFSET_L1_CODE, offsets) == VYR_OK &&
           offsets->Add({3, {{t, t + 1e-3, 0.25}}}) == VYR_OK &&
           assoc->GetCycleSlipCollectionEx(slips) == VYR_OK &&
           slips->Add({t, {VYR_SATSYS_GPS, 5}, VYR_BAND_L1, 1, 2.0f}) == VYR_OK &&
           assoc->GetRawData(raw) == VYR_OK && raw->AddRawData(item) == VYR_OK;
}

}  // namespace

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
                 {37, 15001000.0, -20001000.0, 1235000.0, 2e-5, 59216.0}}) != VYR_OK ||
            !add_results(*project, key, sites.front().epochs.front()))
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
