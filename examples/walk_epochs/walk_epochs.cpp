// Creates a project, imports a RINEX observation file into it and walks the first station's
// epochs with a filter: one epoch a minute, GLONASS left out.
//
//   walk_epochs NEW_PROJECT RINEX_OBS_FILE
#include <cstdio>
#include <string>
#include <vector>

#include <vyr/vyr.h>

namespace {

bool failed(VYR_ERROR code, const char* what) {
    if (VyrSucceeded(code)) return false;
    std::string text;
    ErrorToStringDef(code, text);
    std::fprintf(stderr, "walk_epochs: %s: 0x%08X %s\n", what, static_cast<unsigned>(code),
                 text.c_str());
    return true;
}

// Imports the file as `vyr import` does (one station per site), the file all or nothing; the
// report says what it gave or why it failed.
bool import_file(const char* project, const char* file) {
    std::vector<VyrFileImportReport> reports;
    const VYR_ERROR result = Vyr_ImportFiles(project, {file}, VyrImportOptions{}, reports);
    if (VyrFailed(result)) {
        std::fprintf(stderr, "walk_epochs: %s\n",
                     reports.empty() ? file : reports.front().problem.c_str());
        return false;
    }
    for (const VyrImportedSite& site : reports.front().sites)
        std::printf("imported %s: %llu epochs\n", site.key.c_str(),
                    static_cast<unsigned long long>(site.epochs));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: walk_epochs NEW_PROJECT RINEX_OBS_FILE\n");
        return 2;
    }
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrStorage> project;
    if (failed(root->CreateStorage(argv[1], project), argv[1])) return 1;
    project.Reset();  // the import opens the project itself, alone
    if (!import_file(argv[1], argv[2])) return 1;
    if (failed(root->OpenStorage(argv[1], project), argv[1])) return 1;

    CVyrIPtrSmart<IVyrCollectionStation> stations;
    CVyrIPtrSmart<IVyrStation> station;
    if (failed(project->GetStations(stations), "stations")) return 1;
    if (failed(stations->GetFirstStation(station), "first station")) return 1;
    VYR_STATION_KEY key{};
    std::string keyText;
    if (failed(station->GetKey(key), "station key")) return 1;
    VyrRecordToString(key, keyText);

    VYR_OBSERVATION_FILTER filter;
    filter.samplingInterval = 60000;  // milliseconds
    filter.excludeGlonass = 1;
    CVyrIPtrSmart<IVyrObservations> observations;
    if (failed(station->GetObservations(observations), "observations")) return 1;
    // Start places the walk on the first epoch the filter lets through.
    VYR_ERROR result = observations->Start(&filter, false);
    unsigned epochs = 0;
    while (VyrSucceeded(result)) {
        VYR_OBSERVATIONEPOCH epoch;
        if (failed(observations->GetCurrent(epoch), "epoch")) return 1;
        int year, month, day, hour, minute;
        double second;
        MjdToCalendar(epoch.mjd, epoch.fraction * 86400000.0, year, month, day, hour, minute,
                      second);
        std::printf("%04d-%02d-%02dT%02d:%02d:%06.3f %zu satellites\n", year, month, day, hour,
                    minute, second, epoch.satellites.size());
        ++epochs;
        result = observations->MoveNext(false);
    }
    // The walk ends with VYR_E_ITERATOR_AT_END; anything else is damage met on the way.
    if (result != VYR_E_ITERATOR_AT_END && failed(result, "walk")) return 1;
    std::printf("station %s: %u epochs\n", keyText.c_str(), epochs);
    return 0;
}
