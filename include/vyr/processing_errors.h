// Processing errors the computation kernel reports into a project: single reports, reports
// merged into time intervals, the error collection that stores both, and their texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vyr/error.h"
#include "vyr/export.h"

// The argument of a report: its type fixes its length.
//   0 none, 1 satellite number (1 byte), 2 key (21), 3 start and end time (16),
//   4 32-bit value (4), 5 time (8), 6 satellite number, start and end time (17).
class VYR_API CErrorPayload {
public:
    static constexpr uint32_t kNone = 0;
    static constexpr uint32_t kSatellite = 1;
    static constexpr uint32_t kKey = 2;
    static constexpr uint32_t kInterval = 3;
    static constexpr uint32_t kValue = 4;
    static constexpr uint32_t kTime = 5;
    static constexpr uint32_t kSatelliteInterval = 6;

    // The length a type fixes; 0 for types outside 1 to 6.
    static uint16_t LengthOf(uint32_t type);

    // Takes the type's length in bytes from bytes; a null pointer gives that many zero bytes.
    void Set(uint32_t type, const void* bytes);
    // Keeps the type but no bytes: what a stored payload of the wrong length reads back as.
    void SetTypeOnly(uint32_t type);

    uint32_t Type() const { return m_type; }
    uint16_t Length() const { return static_cast<uint16_t>(m_bytes.size()); }
    const uint8_t* Data() const { return m_bytes.data(); }
    // The value that tells reports of one code apart: the byte of type 1, the 32-bit word of
    // type 4, else 0.
    uint32_t KeyValue() const;

private:
    uint32_t m_type = kNone;
    std::vector<uint8_t> m_bytes;
};

// A single report, as stored in "ProcessingErrorsGeneral".
class VYR_API VYR_PROCESSING_ERROR {
public:
    VYR_PROCESSING_ERROR() = default;
    VYR_PROCESSING_ERROR(uint32_t code, uint32_t secondCode) : code(code), secondCode(secondCode) {}
    VYR_PROCESSING_ERROR(const VYR_PROCESSING_ERROR&) = default;
    VYR_PROCESSING_ERROR& operator=(const VYR_PROCESSING_ERROR&) = default;
    virtual ~VYR_PROCESSING_ERROR() = default;

    uint32_t code = 0;
    uint32_t secondCode = 0;  // equal to code when the report has none
    CErrorPayload payload;
};

// A report repeated at consecutive epochs, merged into one interval.
class VYR_API VYR_PROCESSING_ERROR_INTERVAL {
public:
    VYR_PROCESSING_ERROR_INTERVAL() = default;
    VYR_PROCESSING_ERROR_INTERVAL(uint32_t code, double time)
        : code(code), start(time), end(time) {}
    VYR_PROCESSING_ERROR_INTERVAL(const VYR_PROCESSING_ERROR_INTERVAL&) = default;
    VYR_PROCESSING_ERROR_INTERVAL& operator=(const VYR_PROCESSING_ERROR_INTERVAL&) = default;
    virtual ~VYR_PROCESSING_ERROR_INTERVAL() = default;

    uint32_t code = 0;
    double start = 0.0;  // MJD with fraction
    double end = 0.0;
    CErrorPayload payload;
};

// Operations in slot order. Handed out by a project, association or result object over one
// storage, it holds the storage and keeps its "ProcessingErrorsGeneral" stream open until
// released; the intervals still open are stored then. One thread at a time. A stream that could
// not be opened is returned by every call (VYR_E_CANNOT_CREATE_ENTRY).
class IVyrErrors {
public:
    // Stores the intervals still open, then returns every stored interval.
    virtual VYR_ERROR GetIntervalErrors(std::vector<VYR_PROCESSING_ERROR_INTERVAL>& errors) = 0;
    // Every stored single report; the vector is emptied first.
    virtual VYR_ERROR GetGeneralErrors(std::vector<VYR_PROCESSING_ERROR>& errors) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;

protected:
    ~IVyrErrors() = default;
};

// Reporting. Interval errors take the report's time and the time of the preceding epoch: a
// report continues the open interval of its kind when that interval ended at the preceding
// epoch. General errors are appended as they come: VYR_E_INVALID_PARAMETER in a project opened
// for reading, VYR_E_WRITE_ENTRY_FAILED when the write fails. A payload pointer gives the bytes of
// the payload type's length (see CErrorPayload); null gives zero bytes.
class IVyrErrorsEx : public IVyrErrors {
public:
    // Reports an interval error with a 32-bit value; fails only when storing the interval it
    // closes fails.
    virtual VYR_ERROR AddIntervalErrorValue(uint32_t code, double time, double previousEpoch,
                                            const void* value) = 0;
    // Reports an interval error of one satellite; fails as AddIntervalErrorValue.
    virtual VYR_ERROR AddIntervalErrorSatellite(uint32_t code, double time, double previousEpoch,
                                                const void* satellite) = 0;
    // Reports an interval error without argument; fails as AddIntervalErrorValue.
    virtual VYR_ERROR AddIntervalError(uint32_t code, double time, double previousEpoch) = 0;
    // Appends a report of one satellite over a time interval.
    virtual VYR_ERROR AddErrorSatelliteInterval(uint32_t code, uint32_t secondCode,
                                                const void* satelliteInterval) = 0;
    // Appends a report at a time.
    virtual VYR_ERROR AddErrorTime(uint32_t code, uint32_t secondCode, const void* time) = 0;
    // Appends a report with a 32-bit value.
    virtual VYR_ERROR AddErrorValue(uint32_t code, uint32_t secondCode, const void* value) = 0;
    // Appends a report over a time interval.
    virtual VYR_ERROR AddErrorInterval(uint32_t code, uint32_t secondCode,
                                       const void* interval) = 0;
    // Appends a report naming a station or association key.
    virtual VYR_ERROR AddErrorKey(uint32_t code, uint32_t secondCode, const void* key) = 0;
    // Appends a report of one satellite.
    virtual VYR_ERROR AddErrorSatellite(uint32_t code, uint32_t secondCode,
                                        const void* satellite) = 0;
    // Appends a report without argument.
    virtual VYR_ERROR AddError(uint32_t code, uint32_t secondCode) = 0;
    virtual ~IVyrErrorsEx() = default;
};

enum VYR_RECORDTOSTRING_TIMEFORMAT : int32_t {
    VYR_TIMEFORMAT_MJD = 0,       // "%.6f"
    VYR_TIMEFORMAT_CALENDAR = 1,  // "dd.mm.yyyy,hh:mm:ss.ss", rounded to 10 ms
    VYR_TIMEFORMAT_GPS = 2,       // GPS week and seconds of week; any other value as well
};

// The report's text with its argument filled in. VYR_E_ENTRY_NOT_FOUND and an empty text when the
// code has no text; VYR_S_UNKNOWN_RETURN_VALUE and the unfilled text when the text's conversions do
// not fit the argument.
VYR_API VYR_ERROR ErrorToString(const VYR_PROCESSING_ERROR& error, std::string& text);
// Appends the time (MJD with fraction) in the format.
VYR_API void AddTimeToString(const double& time, const VYR_RECORDTOSTRING_TIMEFORMAT& format,
                             std::string& text);
// A compact satellite number: 1-32 G, 33-56 R, 57-106 E, 107-126 S (PRN 120-139), others U.
VYR_API void getPrnAndSystem(unsigned char satellite, unsigned char& number, char& system);
