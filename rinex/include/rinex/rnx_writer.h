// The writer of the RINEX access library: factories, the writer and its observation document.
//
// A document streams: its header is written when the first epoch is added (or at
// WriteDocument when none was), each epoch is written as it is added, and nothing but the
// epoch being written is held in memory. The data go to a hidden temporary file in the output
// folder, ".SSSS.partial-XXXXXX", which WriteDocument renames to the file's final name (known
// only then: the long name carries the period from the first to the last epoch). An existing
// file is never replaced. On any failure the temporary file is removed and nothing is left
// behind.
//
// Text arguments are copied; null pointers count as empty texts. Every operation returns an
// eRNX code: eRNX_S_OK, an error (1-9), or a warning (100-107) when an argument was refused or
// cut and the document is otherwise unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rinex/rnx_types.h"

#pragma pack(push, 1)
// "GLONASS SLOT / FRQ #": slot 1-24 (or up to 99) and its frequency number -7 to +6.
struct RNX_GLONASS_SLOT {
    uint8_t slot;
    int32_t frequency;
};

// "GLONASS COD/PHS/BIS": one code (C1C, C1P, C2C, C2P) and its bias in metres.
struct RNX_GLONASS_BIAS {
    RNX_OBS_CODE code;
    double bias;
};

// The marker of a new site, given with an event (SetEventMarkerType). items is a set of bits:
// 1 writes "MARKER TYPE" GEODETIC, 2 NON_GEODETIC, 8 the text of type; 4 writes number as
// "MARKER NUMBER" (decimal). Only versions 3 and 4 know "MARKER TYPE".
struct RNX_MARKER_TYPE {
    uint32_t items;
    int64_t number;
    char type[21];
};
#pragma pack(pop)

static_assert(sizeof(RNX_GLONASS_SLOT) == 5);
static_assert(sizeof(RNX_GLONASS_BIAS) == 20);
static_assert(sizeof(RNX_MARKER_TYPE) == 33);

enum : uint32_t {
    RNX_MARKER_GEODETIC = 1,
    RNX_MARKER_NON_GEODETIC = 2,
    RNX_MARKER_NUMBER = 4,
    RNX_MARKER_TYPE_TEXT = 8,
};

// Document modes (SetDocumentMode): the kind of file the document writes. Only observation
// files are written; the navigation kinds are refused with eRNX_E_FILE_TYPE_NOT_SUPPORTED.
enum : uint32_t {
    RNX_DOCUMENT_NAV_GPS = 1,
    RNX_DOCUMENT_NAV_GLONASS = 2,
    RNX_DOCUMENT_NAV_GALILEO = 4,
    RNX_DOCUMENT_OBS = 8,
};

// Signal strength units (SetSignalStrengthUnit).
enum : uint32_t {
    RNX_STRENGTH_UNIT_NONE = 0,
    RNX_STRENGTH_UNIT_DBHZ = 1,
    RNX_STRENGTH_UNIT_TEXT = 2,
};

// An observation file being written.
//
// The station export calls these operations by their place in the table, so their order is
// fixed (0-based): WriteDocument 0, SetDocumentMode 2, SetMarkerName 8, SetOutputPath 9,
// AddComment 18, SetEventMarkerName 19, SetObserverAgency 22, SetReceiver 23, SetAntenna 24,
// SetApproxPosition 25, SetEventMarkerType 26, SetObsTypes 32, SetSignalStrengthUnit 33,
// SetHeaderFlag 35, SetGlonassSlots 40, SetLeapSeconds 41, AddObsEpoch 43,
// SetTimeOfFirstObs 45. Never insert an operation between others.
//
// Header operations act on the file's header until it is written (at the first epoch);
// afterwards they answer eRNX_E_DOM_NOT_ENABLED, except those that start an event record with
// the next epoch: SetEventFlag, AddComment, SetEventMarkerName, SetEventMarkerNumber,
// SetEventAntennaDelta, SetEventMarkerType and SetApproxPosition. An event record is written
// before the next observation epoch with RINEX flag 2 (start moving, eEPOCHFLAG_START_MOVING)
// or 3 (new site, eEPOCHFLAG_NEW_SITE) as SetEventFlag chose; without SetEventFlag, flag 3
// when a marker item was given, else 4 (header information follows). Before the first epoch,
// comments and the position go into the header, SetEventFlag(eEPOCHFLAG_START_MOVING) writes an
// event record right after the header and SetEventFlag(eEPOCHFLAG_NEW_SITE) alone writes none.
class IRnxObsDocument {
public:
    // 0: finishes the file and gives it its final name (GetOutputPath).
    virtual eRNX WriteDocument() = 0;
    // 1: 2.11, 3.04 (the default), 3.05 or 4.01; others eRNX_E_FORMAT_VERSION_NOT_SUPPORTED.
    virtual eRNX SetVersion(double version) = 0;
    // 2: RNX_DOCUMENT_OBS (8), the default.
    virtual eRNX SetDocumentMode(uint32_t mode) = 0;
    // 3
    virtual eRNX GetDocumentMode(uint32_t& mode) = 0;
    // 4: "PGM / RUN BY / DATE"; an empty date is the UTC time the header is written.
    virtual eRNX SetProgram(const char* program, const char* runBy, const char* date) = 0;
    // 5
    virtual eRNX GetVersion(double& version) = 0;
    // 6: three letters for the long file name (ISO 3166 alpha-3); "XXX" when not set.
    virtual eRNX SetCountryCode(const char* country) = 0;
    // 7: "MARKER NUMBER".
    virtual eRNX SetMarkerNumber(const char* number) = 0;
    // 8: "MARKER NAME"; its letters and digits also begin the file name.
    virtual eRNX SetMarkerName(const char* name) = 0;
    // 9: the folder the file is written in (made when missing, one level).
    virtual eRNX SetOutputPath(const char* folder) = 0;
    // 10: the final path after WriteDocument; before it, the folder.
    virtual eRNX GetOutputPath(std::string& path) = 0;
    // 11: "MARKER TYPE" (versions 3 and 4), e.g. "GEODETIC".
    virtual eRNX SetMarkerType(const char* type) = 0;
    // 12: "INTERVAL" in seconds; also the data rate of the long file name.
    virtual eRNX SetInterval(double seconds) = 0;
    // 13: "TIME OF LAST OBS" as given (see SetHeaderFlag for the one the writer knows).
    virtual eRNX SetTimeOfLastObs(const RNX_TIME& time) = 0;
    // 14: "ANTENNA: DELTA H/E/N", metres.
    virtual eRNX SetAntennaDelta(double height, double east, double north) = 0;
    // 15: "RCV CLOCK OFFS APPL", 0 or 1.
    virtual eRNX SetClockOffsetApplied(int32_t applied) = 0;
    // 16: the monument and receiver digits of the long file name (0-9 each; "00" by default).
    virtual eRNX SetMonumentReceiver(uint32_t monument, uint32_t receiver) = 0;
    // 17: the event the next epoch starts: eEPOCHFLAG_START_MOVING or eEPOCHFLAG_NEW_SITE
    // (eEPOCHFLAG_NONE or eEPOCHFLAG_OK withdraws it).
    virtual eRNX SetEventFlag(eEPOCHFLAG flag) = 0;
    // 18: a "COMMENT" (up to 60 characters) of the header, or of the next event record.
    virtual eRNX AddComment(const char* comment) = 0;
    // 19: "MARKER NAME" of the next event record.
    virtual eRNX SetEventMarkerName(const char* name) = 0;
    // 20: "MARKER NUMBER" of the next event record.
    virtual eRNX SetEventMarkerNumber(const char* number) = 0;
    // 21: "ANTENNA: DELTA H/E/N" of the next event record.
    virtual eRNX SetEventAntennaDelta(double height, double east, double north) = 0;
    // 22: "OBSERVER / AGENCY".
    virtual eRNX SetObserverAgency(const char* observer, const char* agency) = 0;
    // 23: "REC # / TYPE / VERS".
    virtual eRNX SetReceiver(const char* number, const char* type, const char* version) = 0;
    // 24: "ANT # / TYPE".
    virtual eRNX SetAntenna(const char* number, const char* type) = 0;
    // 25: "APPROX POSITION XYZ" (type 1, cartesian) of the header, or of the next event record.
    virtual eRNX SetApproxPosition(const RNX_COORD& position) = 0;
    // 26: the marker items of the next event record.
    virtual eRNX SetEventMarkerType(const RNX_MARKER_TYPE& marker) = 0;
    // 27: the data source letter of the long file name: 'R' receiver (default), 'S' stream,
    // 'U' unknown.
    virtual eRNX SetDataSource(char source) = 0;
    // 28: "ANTENNA: DELTA X/Y/Z" (type 1), metres.
    virtual eRNX SetAntennaDeltaXYZ(const RNX_COORD& delta) = 0;
    // 29: "SYS / PHASE SHIFT" for all satellites of a system (versions 3 and 4); the values
    // added are taken as already shifted. letter: the system letter, 0 to take it from system.
    virtual eRNX SetPhaseShift(eSATSYS system, char letter, const RNX_OBS_CODE& code,
                               double cycles) = 0;
    // 30: the time of the last epoch added (year 0 before the first).
    virtual eRNX GetLastEpochTime(RNX_TIME& time) = 0;
    // 31: "DOI" (version 4).
    virtual eRNX SetDoi(const char* doi) = 0;
    // 32: the observation types of one system, in the order of their columns. letter: the
    // system letter, 0 to take it from system (needed for systems delivered as OTHER). Codes
    // need a kind (1-4), a band and an attribute; a list holding another is refused whole
    // with eRNX_W_HEADER_DATA_UNKNOWN.
    virtual eRNX SetObsTypes(eSATSYS system, char letter,
                             const std::vector<RNX_OBS_CODE>& codes) = 0;
    // 33: "SIGNAL STRENGTH UNIT" (versions 3 and 4): RNX_STRENGTH_UNIT_DBHZ writes "DBHZ",
    // RNX_STRENGTH_UNIT_TEXT the text, RNX_STRENGTH_UNIT_NONE none.
    virtual eRNX SetSignalStrengthUnit(uint32_t unit, const char* text) = 0;
    // 34: "LICENSE OF USE" (version 4).
    virtual eRNX SetLicense(const char* license) = 0;
    // 35: true writes "TIME OF LAST OBS" with the last epoch added (filled in at
    // WriteDocument); false (default) writes it only when SetTimeOfLastObs gave one.
    virtual eRNX SetHeaderFlag(bool timeOfLastObs) = 0;
    // 36: "STATION INFORMATION" (version 4).
    virtual eRNX SetStationInformation(const char* information) = 0;
    // 37: "GLONASS COD/PHS/BIS" (versions 3 and 4), 4 codes per line.
    virtual eRNX SetGlonassCodePhaseBias(const std::vector<RNX_GLONASS_BIAS>& biases) = 0;
    // 38: the types SetObsTypes gave a system (empty when none).
    virtual eRNX GetObsTypes(eSATSYS system, char letter, std::vector<RNX_OBS_CODE>& codes) = 0;
    // 39: false names a version 3 or 4 file with the short name "ssssdddf.yyo" too (version
    // 2 files always have it). Default true.
    virtual eRNX SetLongFileName(bool longName) = 0;
    // 40: "GLONASS SLOT / FRQ #" (versions 3 and 4), 8 slots per line.
    virtual eRNX SetGlonassSlots(const std::vector<RNX_GLONASS_SLOT>& slots) = 0;
    // 41: "LEAP SECONDS": current; future, week and day are written when any is not 0
    // (version 2 writes the current count only).
    virtual eRNX SetLeapSeconds(int32_t current, int32_t future, int32_t week, int32_t day) = 0;
    // 42: any other header record: label (up to 20 characters) and content (up to 60).
    virtual eRNX AddHeaderRecord(const char* label, const char* content) = 0;
    // 43: writes an epoch (after the header, and after the event record its event
    // operations asked for). flag eEPOCHFLAG_OK or eEPOCHFLAG_POWER_FAILURE: observations;
    // eEPOCHFLAG_CYCLE_SLIP: a cycle-slip record; eEPOCHFLAG_START_MOVING to
    // eEPOCHFLAG_EXTERNAL_EVENT: an event record of that flag with the pending event items and
    // no satellites. Values whose code is not among their system's types, satellites of a
    // system without types, and values that do not fit F14.3 are left out and counted
    // (IRnxWriter::GetValuesNotWritten); the epoch is still eRNX_S_OK.
    virtual eRNX AddObsEpoch(const RNX_OBS_EPOCH& epoch) = 0;
    // 44: epochs written so far (event records not counted).
    virtual eRNX GetEpochCount(uint64_t& epochs) = 0;
    // 45: "TIME OF FIRST OBS"; without it the first epoch's time. A time system of
    // eTIMESYS_NONE is written as the files' default (GPS for mixed files).
    virtual eRNX SetTimeOfFirstObs(const RNX_TIME& time) = 0;
    // 46. The document belongs to its writer and goes with it.
    virtual ~IRnxObsDocument() = default;
};

// The writer: hands out its observation document and tells what was written.
class IRnxWriter {
public:
    // 0: the last error or warning an operation of the writer or its document returned
    // (eRNX_S_OK when none).
    virtual eRNX GetLastError(eRNX& code) = 0;
    // 1: its text, naming the file or value concerned.
    virtual eRNX GetLastErrorText(std::string& text) = 0;
    // 2: bytes written to the file so far.
    virtual eRNX GetBytesWritten(uint64_t& bytes) = 0;
    // 3: observation epochs written so far.
    virtual eRNX GetEpochsWritten(uint64_t& epochs) = 0;
    // 4: values and satellites left out: a value too large for F14.3 (or not a number), a
    // code not among its system's types, a satellite of a system without types or with an
    // invalid number.
    virtual eRNX GetValuesNotWritten(uint64_t& values) = 0;
    // 5: the writer's observation document; created is true when this call made it (the
    // same document is handed out until the writer is released).
    virtual eRNX GetObsDocument(IRnxObsDocument*& document, bool& created) = 0;
    // 6. Released through ReleaseRnxWriter; a document not yet written is abandoned (its
    // temporary file removed).
    virtual ~IRnxWriter() = default;
};

// The writer is owned by the library: obtain it here and hand it back with ReleaseRnxWriter,
// which also sets the pointer to null.
eRNX GetNewRnxWriter(IRnxWriter*& writer);
eRNX ReleaseRnxWriter(IRnxWriter*& writer);
