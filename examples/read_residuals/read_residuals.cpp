// Reads the L1 code residuals of a station association and prints them with their RMS per
// epoch. A project fresh from an import has no results: then the association of its first
// station is made and a few residuals are stored first, as the processing kernel would.
//
//   read_residuals PROJECT
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <vyr/vyr.h>

namespace {

bool failed(VYR_ERROR code, const char* what) {
    if (VyrSucceeded(code)) return false;
    std::string text;
    ErrorToStringDef(code, text);
    std::fprintf(stderr, "read_residuals: %s: 0x%08X %s\n", what, static_cast<unsigned>(code),
                 text.c_str());
    return true;
}

// The association whose rover is the project's first station, made when it is not there yet.
// Results are written through the extended interfaces; the base ones only read them.
VYR_ERROR rover_association(IVyrStorageEx& project, CVyrIPtrSmart<IVyrStationAssocEx>& assoc) {
    CVyrIPtrSmart<IVyrCollectionStation> stations;
    CVyrIPtrSmart<IVyrStation> station;
    VYR_STATION_ASSOC description;
    VYR_ERROR result = project.GetStations(stations);
    if (VyrSucceeded(result)) result = stations->GetFirstStation(station);
    if (VyrSucceeded(result)) result = station->GetKey(description.rover.station);
    if (VyrFailed(result)) return result;
    description.rover.value = 1;  // the entry is present
    description.rover.index = 0;
    CVyrIPtrSmart<IVyrCollectionStationAssocEx> assocs;
    result = project.GetStationAssocsEx(assocs);
    if (VyrFailed(result)) return result;
    CVyrIPtrSmart<IVyrStationAssoc> found;
    if (VyrFailed(assocs->GetAssocByDescription(description, found))) {
        result = assocs->AddAssoc(description, found);
        if (VyrFailed(result)) return result;
    }
    VYR_STATION_ASSOC_KEY key{};
    result = found->GetKey(key);
    // An association's storage opens once at a time: let go of it before opening it again.
    found.Reset();
    if (VyrSucceeded(result)) result = assocs->GetAssocEx(key, assoc);
    return result;
}

// What a kernel run would leave: three epochs a minute apart, two GPS satellites each.
VYR_ERROR store_some_residuals(IVyrCollectionResidualEx& residuals) {
    const double firstEpoch = 59216.5;  // 2021-01-02 12:00, MJD with fraction
    for (int i = 0; i < 3; ++i) {
        VYR_RESIDUAL epoch;
        epoch.time = firstEpoch + i / 1440.0;
        epoch.residuals = {{VYR_SATID{VYR_SATSYS_GPS, 5}, 0.25 * (i + 1)},
                           {VYR_SATID{VYR_SATSYS_GPS, 7}, -0.5 * (i + 1)}};
        const VYR_ERROR result = residuals.Add(epoch);
        if (VyrFailed(result)) return result;
    }
    return VYR_OK;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: read_residuals PROJECT\n");
        return 2;
    }
    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    CVyrIPtrSmart<IVyrStorageEx> project;
    if (failed(root->OpenStorageEx(argv[1], project), argv[1])) return 1;
    CVyrIPtrSmart<IVyrStationAssocEx> assoc;
    if (failed(rover_association(*project, assoc), "association")) return 1;
    VYR_STATION_ASSOC_KEY key{};
    std::string keyText;
    if (failed(assoc->GetKey(key), "association key")) return 1;
    VyrRecordToString(key, keyText);

    CVyrIPtrSmart<IVyrCollectionResidualEx> residuals;
    if (failed(assoc->GetResidualsEx(VYR_RESIDUAL_L1_CODE, residuals), "residuals")) return 1;
    uint32_t count = 0;
    if (failed(residuals->GetCount(count), "residual count")) return 1;
    if (count == 0 && failed(store_some_residuals(*residuals), "storing residuals")) return 1;

    std::vector<VYR_RESIDUAL> epochs;
    if (failed(residuals->GetAll(epochs), "reading residuals")) return 1;
    std::printf("association %s: %zu epochs of L1 code residuals\n", keyText.c_str(),
                epochs.size());
    for (const VYR_RESIDUAL& epoch : epochs) {
        double sum = 0.0;
        for (const VYR_RESIDUAL_SV& sv : epoch.residuals) sum += sv.residual * sv.residual;
        const double rms = epoch.residuals.empty() ? 0.0 : std::sqrt(sum / epoch.residuals.size());
        std::printf("%.8f %zu satellites, rms %.3f m\n", epoch.time, epoch.residuals.size(), rms);
    }
    return 0;
}
