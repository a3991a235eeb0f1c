// The file converter: exchange-format files into records in memory. It never touches a project;
// the caller writes what it fills through the station and common-data interfaces.
#pragma once

#include <rinex/rnx_types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "vyr/ephemeris.h"
#include "vyr/error.h"
#include "vyr/export.h"
#include "vyr/glonass_map.h"
#include "vyr/observation_epoch.h"

#pragma pack(push, 1)
// One occupation of a site: a static or kinematic interval. Byte for byte the layout of a point
// description (vyr/points.h), as which the caller stores it.
struct VYR_OCCUPATION {
    enum eMode : uint32_t {
        MODE_NONE = 0,
        MODE_STATIC = 1,
        MODE_KINEMATIC = 2,
    };

    double start;  // MJD with fraction of the interval's first epoch
    uint32_t reserved1;
    double antennaHeight;  // metres, the height of "ANTENNA: DELTA H/E/N"
    eMode mode;
    uint8_t reserved2;
    double end;           // MJD with fraction of the interval's last epoch
    char markerName[17];  // the site name, at most 16 characters
};

// What a file says of one site, apart from its lists: antenna, receiver, a-priori position.
struct VYR_STATION_RINEX_SITE {
    char antennaType[31];
    char antennaNumber[11];
    uint8_t reserved1[21];
    float antennaEast;  // metres, east of "ANTENNA: DELTA H/E/N"
    float antennaNorth;
    uint8_t reserved2[4];
    float antennaEast2;  // the same values a second time
    float antennaNorth2;
    uint8_t reserved3[4];
    int32_t receiverTypeId;  // GetReceiverTypeFromIGS of receiverType
    char receiverType[17];
    uint8_t reserved4[17];
    char receiverNumber[17];
    uint32_t aprioriPointIndex;
    uint16_t aprioriValid;  // 1 once a position was read
    double aprioriX;        // metres, ECEF
    double aprioriY;
    double aprioriZ;
    uint8_t reserved5[56];
};
#pragma pack(pop)
static_assert(sizeof(VYR_OCCUPATION) == 50);
static_assert(sizeof(VYR_STATION_RINEX_SITE) == 228);

// One site of an observation file. Kept in memory only, so the two lists follow the packed site
// part with their natural alignment.
struct VYR_STATION_RINEX : VYR_STATION_RINEX_SITE {
    std::vector<VYR_OBSERVATIONEPOCH> epochs;  // in file order
    std::vector<VYR_OCCUPATION> occupations;

    VYR_STATION_RINEX() : VYR_STATION_RINEX_SITE{} {}
};

// Told after every 500th epoch of a station while an observation file is converted.
class IVyrProgress {
public:
    // Called on the converting thread; the conversion goes on when it returns.
    virtual void Notify() = 0;

protected:
    ~IVyrProgress() = default;
};

// Receives an observation file site by site without the epochs being gathered in memory.
class IVyrStationRinexSink {
public:
    // An epoch of the site being read. station holds what the file said of that site so far
    // with its completed occupations (its epoch list stays empty); occupation is the one the
    // epoch belongs to; the sink may take the epoch's content. line: the line of the epoch
    // record in the file.
    virtual VYR_ERROR OnEpoch(const VYR_STATION_RINEX& station, const VYR_OCCUPATION& occupation,
                              VYR_OBSERVATIONEPOCH& epoch, uint32_t line) = 0;
    // A site is complete: the site part and its occupations (epochs were handed out before).
    virtual VYR_ERROR OnStation(const VYR_STATION_RINEX& station) = 0;
    // The conversion fails: the line where the problem was met (0 when not known) and a text
    // describing it. Called at most once, before the conversion returns its failure code.
    virtual void OnFailure(uint32_t line, const char* problem) = 0;
    // Something of the file was read past and the conversion goes on: a header record that
    // could not be read as written, a record of the data that could not be used. line: where
    // (0 when not tied to a line).
    virtual void OnWarning(uint32_t /*line*/, const char* /*problem*/) {}
    // Satellites of a system the project does not keep (BeiDou 'C', QZSS 'J', NavIC 'I', ...):
    // called once per system letter after the last site, with the number of satellite-epochs
    // read past.
    virtual void OnSystemReadPast(char /*system*/, uint64_t /*satelliteEpochs*/) {}
    // The input ends before its last epoch does (a cut download, compressed data that breaks
    // off): line is that of the last complete epoch's end, completeEpochs the epochs of the
    // file handed out whole. Without VyrObsConversionOptions::salvageCut, OnFailure follows and
    // the conversion fails; with it, the site is completed with the complete epochs.
    virtual void OnCut(uint32_t /*line*/, uint64_t /*completeEpochs*/, const char* /*problem*/) {}

protected:
    ~IVyrStationRinexSink() = default;
};

// Choices of the observation conversion; the defaults are the conversion as first described.
struct VyrObsConversionOptions {
    // Version-2 files: take Doppler (D1, D2, D5, ...) and signal strength (S1, S2, S5, ...) into
    // their slots (Doppler value and bit; strength as quality, dB-Hz x 20, as for version 3)
    // instead of leaving them out of the epoch.
    bool v2DopplerAndStrength = false;
    // A file that ends inside an epoch gives its complete epochs instead of failing.
    bool salvageCut = false;
};

// A place in a file and what is wrong there. line counts from 1; 0 when not tied to a line.
struct VyrLineProblem {
    uint32_t line = 0;
    std::string problem;
};

// What a conversion read past and, when it failed, where and why.
struct VyrConversionReport {
    // Records of the file left out of the output for one kind of damage: how many, the lines of
    // the first kMaxLines of them, and what is wrong (the same text for all).
    struct ReadPast {
        static constexpr size_t kMaxLines = 5;
        std::string problem;
        uint32_t records = 0;
        std::vector<uint32_t> lines;
    };
    std::vector<ReadPast> readPast;  // in the order the kinds were first met
    // What else the file lacks, with no record left out for it (an SP3 file without "EOF").
    std::vector<VyrLineProblem> remarks;
    // Set when the conversion failed and knows the place; problem empty otherwise.
    VyrLineProblem failure;
};

// Operations in slot order. Needs no project and holds nothing but the report of its last
// conversion; one thread at a time per object. Every conversion clears its output first; a null
// or empty file name gives VYR_E_INVALID_PARAMETER, a missing file (or a directory, or a name
// above 260 characters) VYR_E_FILE_NOT_FOUND. A file of another kind gives
// VYR_E_UNSUPPORTED_FILE, a record that cannot be read VYR_E_FAILED_TO_READ, a file without the
// header or data it needs VYR_E_HEADER_OR_DATA_MISSING, a navigation file of a version not read
// VYR_E_NOT_IMPLEMENTED; GetLastReport then tells the line.
class IVyrFileConverter {
public:
    // The GLONASS channel map of a GLONASS navigation file; slots not named stay -111.
    virtual VYR_ERROR ConvertFrequencyMapGlo(const char* fileName,
                                             VYR_GLONASS_FREQUENCYMAP& map) = 0;
    // The Galileo ephemerides of a Galileo navigation file.
    virtual VYR_ERROR ConvertRinexNavGal(const char* fileName,
                                         std::vector<VYR_BROADCASTEPHEMERIS_GAL>& out) = 0;
    // The GLONASS ephemerides of a GLONASS navigation file.
    virtual VYR_ERROR ConvertRinexNavGlo(const char* fileName,
                                         std::vector<VYR_BROADCASTEPHEMERIS_GLO>& out) = 0;
    // The GPS ephemerides of a GPS navigation file.
    virtual VYR_ERROR ConvertRinexNav(const char* fileName,
                                      std::vector<VYR_BROADCASTEPHEMERIS>& out) = 0;
    // Every satellite position of an SP3 file.
    virtual VYR_ERROR ConvertSp3(const char* fileName, std::vector<VYR_PRECISEEPHEMERIS>& out) = 0;
    // One VYR_STATION_RINEX per site of the file. progress may be null. Sites completed before a
    // failure stay in out.
    virtual VYR_ERROR ConvertRinexObs(const char* fileName, std::vector<VYR_STATION_RINEX>& out,
                                      IVyrProgress* progress) = 0;
    // The models of a global/regional ionosphere model file.
    virtual VYR_ERROR ConvertIonoGlobalReg(const char* fileName,
                                           std::vector<VYR_IONO_GLOBALREG>& out) = 0;
    // The Klobuchar values of a navigation file's header. epoch: MJD with fraction of day,
    // stamped on every record as GPS week and seconds of week; VYR_E_INVALID_PARAMETER for an
    // epoch without a GPS week.
    virtual VYR_ERROR ConvertRinexIonoKlobuchar(const char* fileName, double epoch,
                                                std::vector<VYR_IONOUTC>& out) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;
    virtual ~IVyrFileConverter() = default;
    // What the last conversion of this object read past and where it failed. Placed after the
    // destructor so that the slots before stay where callers built against them expect them.
    virtual const VyrConversionReport& GetLastReport() const = 0;
};

// The observation import without gathering epochs: the same conversion as ConvertRinexObs, each
// site and epoch handed to sink as soon as it is read; fails as ConvertRinexObs. A failure code
// of the sink ends the conversion and is returned.
VYR_API VYR_ERROR Vyr_ConvertRinexObsToSink(const char* fileName, IVyrStationRinexSink& sink);
// The same with choices beyond the first description.
VYR_API VYR_ERROR Vyr_ConvertRinexObsToSinkEx(const char* fileName, IVyrStationRinexSink& sink,
                                              const VyrObsConversionOptions& options);

// Expands a compact RINEX observation file (CRINEX 1.0 or 3.0) into the plain RINEX file it
// stands for, written to outFileName (made or overwritten). The compact file is read as a stream;
// memory does not grow with its length. Returns false when it cannot: problem then tells why and
// problemLine names the line of the compact file (0 when opening, reading or writing failed).
VYR_API bool Vyr_ExpandCompactRinex(const char* inFileName, const char* outFileName,
                                    uint64_t& problemLine, std::string& problem);

// The first bytes (at most maxBytes) of a file as the importers read it: decompressed when it is
// gzip, Unix compress, bzip2, xz or a zip of one file (found by content), LF line ends, compact
// RINEX left as it is. False when the file cannot be opened or decoded: problem tells why. Damage
// found after some text was decoded leaves that text and true: it is the importer's to find
// (a cut file's complete epochs can then be salvaged).
VYR_API bool Vyr_ReadLeadingText(const char* fileName, size_t maxBytes, std::string& text,
                                 std::string& problem);

// The number of lines of a file as the importers read it (decompressed, compact RINEX
// expanded): the line numbers a conversion reports run up to it. False when it cannot be read
// to its end.
VYR_API bool Vyr_CountTextLines(const char* fileName, uint64_t& lines);

// One epoch of the RINEX access library as the system's epoch. strength[system][type] tells
// that the file carries a signal-strength observation for that system (rows by eSATSYS 0-4)
// and observation type (columns by VYR_OBSTYPE 0-11); a phase's strength digit is used only
// where it does not. Always returns 0.
VYR_API VYR_ERROR Vyr_ConvertToObsEpoch(const RNX_OBS_EPOCH& epoch, const bool strength[][12],
                                        VYR_OBSERVATIONEPOCH& out);

// The receiver family of an IGS receiver name (judged on its first 16 characters, in any case);
// 0 when no row of the receiver table matches.
VYR_API void GetReceiverTypeFromIGS(const char* name, long& type);
