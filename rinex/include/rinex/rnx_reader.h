// The reader of the RINEX access library: factories, the reader and the notification
// interfaces its caller implements.
//
// A run reads each input file line by line from its start to its end and calls the handler
// once per item, in file order; nothing of a file is kept beyond the record being read. Every
// notification answers 0 to go on; any other answer ends the run (its result is then
// eRNX_S_OK). Text arguments are terminated, trimmed of trailing blanks and valid only during
// the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "rinex/rnx_nav_types.h"
#include "rinex/rnx_types.h"

// Diagnostics of a run. line: 1-based line number in the file (0 when not tied to a line).
// Errors end the run; warnings are read past.
class IRnxReaderError {
public:
    virtual void OnError(eRNX code, uint32_t line, const char* message) = 0;
    virtual void OnWarning(eRNX code, uint32_t line, const char* message) = 0;
    virtual ~IRnxReaderError() = default;
};

// Notifications of an observation file. Header records arrive between OnHeaderBegin and
// OnHeaderEnd: once for the file's header (cause eEPOCHFLAG_NONE) and once for the header and
// comment lines of every event record that carries any (cause = the event's flag, e.g.
// eEPOCHFLAG_NEW_SITE), right after that event's OnEventEpoch.
class IRnxReaderResultObs {
public:
    // "RINEX VERSION / TYPE": version, file type letter ('O'), system letter.
    virtual int OnVersion(double, char, char) { return 0; }
    virtual int OnHeaderBegin(eEPOCHFLAG) { return 0; }
    virtual int OnHeaderEnd() { return 0; }
    virtual int OnProgram(const char*, const char*, const char*) { return 0; }
    virtual int OnComment(const char*) { return 0; }
    virtual int OnMarkerName(const char*) { return 0; }
    virtual int OnMarkerNumber(const char*) { return 0; }
    virtual int OnMarkerType(const char*) { return 0; }
    virtual int OnObserverAgency(const char*, const char*) { return 0; }
    // Receiver number, type, version.
    virtual int OnReceiver(const char*, const char*, const char*) { return 0; }
    // Antenna number, type.
    virtual int OnAntenna(const char*, const char*) { return 0; }
    virtual int OnApproxPosition(const RNX_COORD&) { return 0; }
    // Height, east, north in metres.
    virtual int OnAntennaDeltaHEN(double, double, double) { return 0; }
    virtual int OnAntennaDeltaXYZ(const RNX_COORD&) { return 0; }
    // "SYS / # / OBS TYPES" of one system, all continuation lines joined, in column order.
    virtual int OnObsTypes(eSATSYS, char, const std::vector<RNX_OBS_CODE>&) { return 0; }
    virtual int OnSignalStrengthUnit(const char*) { return 0; }
    virtual int OnInterval(double) { return 0; }
    virtual int OnTimeOfFirstObs(const RNX_TIME&) { return 0; }
    virtual int OnTimeOfLastObs(const RNX_TIME&) { return 0; }
    virtual int OnClockOffsetApplied(int) { return 0; }
    // "SYS / SCALE FACTOR": factor and the codes it applies to (empty: every code of the
    // system). The reader has already divided the delivered values by it.
    virtual int OnScaleFactor(eSATSYS, char, int, const std::vector<RNX_OBS_CODE>&) { return 0; }
    // "SYS / PHASE SHIFT": code, shift in cycles, satellite numbers (empty: all of the system).
    // Reported only: the values in the file already have the shift applied.
    virtual int OnPhaseShift(eSATSYS, char, const RNX_OBS_CODE&, double,
                             const std::vector<uint8_t>&) {
        return 0;
    }
    // "GLONASS SLOT / FRQ #": one call per slot.
    virtual int OnGlonassSlotFrequency(uint8_t, int32_t) { return 0; }
    // "GLONASS COD/PHS/BIS": one call per code, metres.
    virtual int OnGlonassCodePhaseBias(const RNX_OBS_CODE&, double) { return 0; }
    // "LEAP SECONDS": current, future, week, day (0 when blank).
    virtual int OnLeapSeconds(int32_t, int32_t, int32_t, int32_t) { return 0; }
    virtual int OnNumberOfSatellites(int32_t) { return 0; }
    // Any other header record, known or not: label and the 60 columns before it.
    virtual int OnHeaderRecord(const char*, const char*) { return 0; }
    // An observation epoch, flag 0 or 1 (eEPOCHFLAG_OK, eEPOCHFLAG_POWER_FAILURE).
    virtual int OnEpoch(const RNX_OBS_EPOCH&) { return 0; }
    // An event, flags 2 to 5, with or without a date; no satellites.
    virtual int OnEventEpoch(const RNX_OBS_EPOCH&) { return 0; }
    // Cycle-slip records, flag 6: satellites with the values of the slipped signals.
    virtual int OnCycleSlipEpoch(const RNX_OBS_EPOCH&) { return 0; }
    // The end of a file's data.
    virtual int OnEndOfData() { return 0; }
    virtual ~IRnxReaderResultObs() = default;
};

// Notifications of a navigation file.
class IRnxReaderResultNav {
public:
    virtual int OnVersion(double, char, char) { return 0; }
    virtual int OnProgram(const char*, const char*, const char*) { return 0; }
    virtual int OnComment(const char*) { return 0; }
    virtual int OnIonoCorrection(const RNX_IONO_CORR&) { return 0; }
    virtual int OnTimeSystemCorrection(const RNX_TIME_CORR&) { return 0; }
    // "LEAP SECONDS": current, future, week, day (0 when blank).
    virtual int OnLeapSeconds(int32_t, int32_t, int32_t, int32_t) { return 0; }
    virtual int OnHeaderRecord(const char*, const char*) { return 0; }
    virtual int OnHeaderEnd() { return 0; }
    virtual int OnEphemerisGps(const RNX_NAV_GPS&) { return 0; }
    virtual int OnEphemerisGlonass(const RNX_NAV_GLO&) { return 0; }
    virtual int OnEphemerisGalileo(const RNX_NAV_GAL&) { return 0; }
    virtual int OnEndOfData() { return 0; }
    virtual ~IRnxReaderResultNav() = default;
};

class IRnxReader {
public:
    virtual void SetErrorHandler(IRnxReaderError* handler) = 0;
    virtual void SetNavHandler(IRnxReaderResultNav* handler) = 0;
    virtual void SetObsHandler(IRnxReaderResultObs* handler) = 0;
    // The one option: true delivers only satellites of the systems eSATSYS names (GPS,
    // GLONASS, Galileo, SBAS); false also delivers the others as eSATSYS_OTHER.
    virtual void SetOption(bool convertedSystemsOnly) = 0;
    virtual bool GetOption() const = 0;
    virtual void SetInputFiles(const std::vector<std::string>& paths) = 0;
    // Reads bytes held by the caller instead of files (kept by reference until the run ends).
    virtual void SetInputText(std::string_view text) = 0;
    // Reads every input in turn. eRNX_S_OK when all was read; an error code (1-9) when a file
    // could not be read to its end; otherwise the first warning that lost data (a record or
    // value that could not be read, an epoch cut short). Unknown header labels and systems
    // the library does not convert lose nothing and leave the result at eRNX_S_OK.
    virtual eRNX Run() = 0;
    // The last file's "RINEX VERSION / TYPE": version, type letter, system letter.
    virtual double GetFormatVersion() const = 0;
    virtual char GetFileType() const = 0;
    virtual char GetSatelliteSystem() const = 0;
    // Lines read from the current (or last) file.
    virtual uint32_t GetLineNumber() const = 0;
    // Epoch records or ephemerides delivered so far.
    virtual uint64_t GetRecordCount() const = 0;
    virtual uint32_t GetWarningCount() const = 0;
    virtual void Release() = 0;
    virtual ~IRnxReader() = default;
    // Reads a stream the caller opened and keeps (not closed by the reader), positioned at the
    // first line; a read failure of the stream (ferror) ends the run with eRNX_E_FILE_READ_ERROR.
    // Appended here so that the operations before it keep their places.
    virtual void SetInputStream(std::FILE* stream) = 0;
    // Satellites of the system with this letter ('C', 'J', 'I', ...) that the option left out
    // during the last run, counted once per epoch they appear in.
    virtual uint64_t GetSatellitesReadPast(char systemLetter) const = 0;
};

// The reader is owned by the library: obtain it here and hand it back with ReleaseRnxReader,
// which also sets the pointer to null.
eRNX GetNewRnxReader(IRnxReader*& reader);
eRNX ReleaseRnxReader(IRnxReader*& reader);
