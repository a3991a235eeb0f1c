// The road from files to a project in one call: each file's kind told by its content, compact
// and compressed files, one station per site, common-data lists, re-imports found, and every
// file all or nothing.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "vyr/error.h"
#include "vyr/export.h"
#include "vyr/file_converter.h"

class IVyrStorageEx;
struct VyrFileImportReport;

// What a file holds, told by its first lines (decompressed when it is compressed).
enum class VyrImportKind : int32_t {
    kUnknown = 0,
    kRinexObservation,
    kCompactRinexObservation,
    kRinexNavigationGps,
    kRinexNavigationGlonass,
    kRinexNavigationGalileo,
    kRinexNavigationMixed,
    kSp3,
    kIonosphereModel,
};

// Where the import is in the file it reads.
struct VyrImportProgress {
    size_t fileIndex = 0;  // in the list given; 0 for Vyr_ImportFile
    std::string path;
    // Lines of the file as it is read (decompressed, compact RINEX expanded); linesTotal is 0
    // when they were not counted (only observation files are).
    uint64_t linesRead = 0;
    uint64_t linesTotal = 0;
    uint64_t bytesStored = 0;  // the file's size as stored (compressed bytes for a compressed file)
};

struct VyrImportOptions {
    // Every site makes a station of its own, even one that continues a station of the project.
    bool newStation = false;
    // Unlike the converter's defaults, version-2 Doppler and signal strength are kept.
    VyrObsConversionOptions conversion{true, false};
    // Called as a file is read, with growing linesRead, at most about a thousand times per
    // file, and once with linesRead == linesTotal when it was read. When set, an observation
    // file is read once more beforehand to count its lines.
    std::function<void(const VyrImportProgress&)> progress;
    // Set (from any thread or a signal handler) to stop: the file in hand is abandoned between
    // two epochs and reported as cancelled; Vyr_ImportFiles imports no further file.
    const std::atomic<bool>* cancel = nullptr;
    // Vyr_ImportFiles only: called with each file's report once that file is done.
    std::function<void(const VyrFileImportReport&)> fileDone;
};

// One site of an observation file.
struct VyrImportedSite {
    std::string key;     // display text of the station's key
    std::string marker;  // of the site's first occupation
    uint64_t epochs = 0;
    uint32_t firstMjd = 0;
    double firstFraction = 0.0;
    uint32_t lastMjd = 0;
    double lastFraction = 0.0;
    std::string systems;          // letters of the systems seen, in the order G R E S
    bool alreadyPresent = false;  // the project held the site already; nothing was written
    bool appended = false;        // the epochs went on a station that held earlier ones
};

// Records of one common-data list a file gave: new ones, those the project held already and,
// of those, how many differ from the record kept for their satellite and time (the first one
// stored is kept); notes: what the conversion read past ("read past 2 damaged records (lines
// 120, 340): problem", "line 12: problem").
struct VyrImportedList {
    std::string list;  // "GPS ephemerides"
    size_t added = 0;
    size_t present = 0;
    size_t otherKept = 0;
    std::vector<std::string> notes;
};

// One kind of problem an observation file was read past: its first lines (0 when not tied to a
// line) and how many more like it were met.
struct VyrImportWarning {
    static constexpr size_t kLinesKept = 5;
    std::string problem;
    std::vector<uint32_t> lines;
    uint64_t more = 0;
};

// An observation file that ends inside an epoch: the line of the last complete epoch's end and
// the epochs before it.
struct VyrImportCut {
    bool cut = false;
    uint32_t line = 0;
    uint64_t completeEpochs = 0;
    std::string problem;
};

// What one file did.
struct VyrFileImportReport {
    std::string path;
    VyrImportKind kind = VyrImportKind::kUnknown;
    VYR_ERROR result = VYR_OK;
    // On failure: "FILE:LINE: problem (text of the code)", "FILE: problem" when no line is
    // known, "FILE: expanded line LINE: ..." for a compact file.
    std::string problem;
    bool cancelled = false;  // stopped through the cancel flag
    // The failure is a site overlapping a station with other epochs; newStation imports it.
    bool overlaps = false;
    std::vector<VyrImportedSite> sites;  // observation files
    std::vector<VyrImportedList> lists;  // every other kind, in the order the lists were fed
    // Satellite-epochs of systems a project does not keep, read past, by letter in letter order.
    std::vector<std::pair<char, uint64_t>> otherSystems;
    std::vector<VyrImportWarning> warnings;  // in the order first met, at most kMaxWarnings
    uint64_t otherWarnings = 0;              // of kinds beyond those
    static constexpr size_t kMaxWarnings = 100;
    bool expandedLines = false;  // lines are those of the compact file's expanded text
    VyrImportCut cut;
    bool added = false;  // something of the file is new in the project
};

// The kind of a file. False when the file cannot be opened or decoded: problem tells why.
VYR_API bool Vyr_DetectImportKind(const std::string& path, VyrImportKind& kind,
                                  std::string& problem);
// "RINEX observation", "SP3 precise orbit", ...; "unknown".
VYR_API const char* Vyr_ImportKindName(VyrImportKind kind);

// Imports one file into an open project. The unit of work is the caller's: when the result is a
// failure, what the file wrote is still in the project, uncommitted, and the caller lets the
// project go without committing it (a document opened on cfb::UndoLockBytes, undone). When it
// succeeds and report.added is false, nothing was written.
VYR_API VYR_ERROR Vyr_ImportFile(IVyrStorageEx& project, const std::string& path,
                                 const VyrImportOptions& options, VyrFileImportReport& report);

// Imports files into the project at projectPath, each file its own unit of work: the project is
// opened for writing (exclusively: nobody may hold it open meanwhile) for every file and
// committed once the file is in; a file that fails, or is cancelled, leaves nothing of itself,
// and the files before it stay. A file that adds nothing leaves the document's bytes alone.
// reports gets one report per file imported or tried (none for files after a cancel). Returns
// VYR_OK when every file was imported, else the first failure's code; a project that cannot be
// opened or saved is told in the report of the file in hand ("PROJECT: not saved: cause").
VYR_API VYR_ERROR Vyr_ImportFiles(const std::string& projectPath,
                                  const std::vector<std::string>& files,
                                  const VyrImportOptions& options,
                                  std::vector<VyrFileImportReport>& reports);
