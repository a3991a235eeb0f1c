// The message table: one text per message identifier (the low 16 bits of a code). Kept sorted
// by identifier so lookups are a binary search.
#include "entry/error_texts.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

struct MessageText {
    uint16_t id;
    const char* text;
};

// Texts are the system's own, letter for letter, misspellings included: callers and stored
// processing errors compare and show them as they are.
constexpr MessageText kMessages[] = {
    {0x0000, "Success."},
    {0x1001,
     "Processed data includes half wavelength data. This mode is not supported (L2 phase is "
     "ignored)."},
    {0x2001,
     "There is no iono association within a station association but the user requested it."},
    {0x2002, "There is no rover station available for this association."},
    {0x2003, "There are no linked stations available for this association."},
    {0x2004, "Missing orbit."},
    {0x2005, "Point descriptions behind last observation epoch found (skipped)."},
    {0x2006, "No broadcast ephemeris available, switched to precise ephemeris."},
    {0x2007, "No precise ephemeris available, switched to broadcast ephemeris."},
    {0x2008, "Switched to using no ionospheric model."},
    {0x2009,
     "Interval without observations or observations without corresponding interval description "
     "found (skipped)."},
    {0x200A, "Observation outside valid point description interval (skipped)."},
    {0x200B, "No position available:"},
    {0x200C, "Approximate points not available."},
    {0x200D, "Statistics are not available."},
    {0x200E, "Static observations during kinematic interval."},
    {0x200F, "No Gps orbits available."},
    {0x2010, "No Glonass orbits available."},
    {0x2011, "No Galileo orbits available."},
    {0x2013, "No Compass orbits available."},
    {0x2014, "No Glonass frequency table available."},
    {0x2015, "No frequency avialable for satellite %s."},
    {0x2016, "No Gps broadcast ephemeris available, switched to precise ephemeris."},
    {0x2017, "No Gps precise ephemeris available, switched to broadcast ephemeris."},
    {0x2018, "No Glonass broadcast ephemeris available, switched to precise ephemeris."},
    {0x2019, "No Glonass precise ephemeris available, switched to broadcast ephemeris."},
    {0x201A, "No Galileo broadcast ephemeris available, switched to precise ephemeris."},
    {0x201B, "No Galileo precise ephemeris available, switched to broadcast ephemeris."},
    {0x3001,
     "For at least one satellite, data being processed extends to near the end of the precise "
     "ephemeris coverage. Import of additional precise ephemeris is recommended."},
    {0x3002, "One of the processing parameters was not valid. Using default value."},
    {0x4001, "No orbits available for satellite %s between %s and %s."},
    {0x4002, "Invalid observation."},
    {0x4003, "Invalid observation block."},
    {0x4004, "Invalid observation time."},
    {0x4005, "Switched to using no ionospheric model."},
    {0x4006, "Observation type switched."},
    {0x4007,
     "Insufficient phase data available, code data used to derive a Computed ionospheric model."},
    {0x4008,
     "Insufficient code data available, phase data used to derive a Computed ionospheric model."},
    {0x4009, "An iono-free float/code solution does not require an ionospheric model."},
    {0x400A, "No Global/Regional model available."},
    {0x400B, "No Klobuchar model available."},
    {0x400C, "Not possible to derive a Computed ionospheric model with single frequency data."},
    {0x400D,
     "At least 45 minutes of dual frequency data are needed to derive a Computed ionospheric "
     "model."},
    {0x400E, "No observation data available to derive a Computed ionospheric model."},
    {0x5001, "The frequency has been changed."},
    {0x5002, "The solution type has been changed."},
    {0x5003,
     "No a priori coordinates for the rover are available. An initialization on known marker is "
     "not possible."},
    {0x5004, "An approximate position could not be calculated."},
    {0x5005,
     "Bad reference coordinates. Reference coordinates differ from expected position by more than "
     "200m."},
    {0x5006, "Bad station index."},
    {0x5007, "Unknown return value."},
    {0x5008, "No orbits available between %s and %s - no computation possible in this period."},
    {0x5009, "Not enough satellites to compute coordinates."},
    {0x500A, "Time tag position could not be computed:"},
    {0x500B, "No position available:"},
    {0x500C, "Known marker or float marker initialization failed."},
    {0x500D, "Less than 60% of phase data is available."},
    {0x500E, "Less than 60% of code data is available."},
    {0x500F, "Phase Observations missing on one or more frequencies of Gps."},
    {0x5010, "Phase Observations missing on one or more frequencies of Glonass."},
    {0x5011, "Phase Observations missing on one or more frequencies of Galileo."},
    {0x5012, "Phase Observations missing on one or more frequencies of Compass."},
    {0x5013, "Code Observations missing on one or more frequencies of Gps."},
    {0x5014, "Code Observations missing on one or more frequencies of Glonass."},
    {0x5015, "Code Observations missing on one or more frequencies of Galileo."},
    {0x5016, "Code Observations missing on one or more frequencies of Compass."},
    {0x5017, "SPP computation - only code data is used."},
    {0x5018, "Too less independent fixes. A fixed solution is not reliable enough."},
    {0x5019, "The DOP values exceeded a critical limit."},
    {0x501A, "Discarded Gnss Type to process: Gps"},
    {0x501B, "Discarded Gnss Type to process: Glonass"},
    {0x501C, "Discarded Gnss Type to process: Galileo"},
    {0x501D, "Discarded Gnss Type to process: SBAS"},
    {0x501E, "Discarded Gnss Type to process: Compass"},
    {0x501F, "Linearcombination switched due to missing frequencies"},
    {0x8001, "Invalid parameter."},
    {0x8002, "Invalid interface."},
    {0x8003, "Method is not implemented."},
    {0x8004, "File not found."},
    {0x9001, "Storage not created."},
    {0x9002, "Storage not found."},
    {0x9003, "Cannot create entry."},
    {0x9004, "Entry not found."},
    {0x9005, "Read entry failed."},
    {0x9006, "Write entry failed."},
    {0x9007, "Wrong kernel version."},
    {0x9008, "Invalid open mode."},
    {0x9009, "Mode not supported."},
    {0x900A, "Problem with cache container."},
    {0x900B, "Storage opened by another application."},
    {0x900C, "Entry already exists."},
    {0x900D, "Observation iterator is at the end of stream."},
    {0x900E, "Observation iterator failed to read."},
    {0x900F, "Observation iterator detected invalid status."},
    {0x9010, "Memory overflow"},
    {0x9011, "Failed to delete entry."},
    {0x9012, "No more entries available."},
    {0x9013, "Invalid status."},
    {0x9014, "No match."},
    {0x9015, "No appropriate point description found to description id of point position"},
    {0x9016, "Stream could not be deleted."},
    {0xA001, "The operation failed due to an error which was added to the error collection."},
    {0xA002, "The station object was used but is not set up, no data is available."},
    {0xA003, "The association object was used but is not set up, no data is available."},
    {0xA004, "The observation iterator was not available (raw data synchronizer)."},
    {0xA005, "The point description iterator was not available (raw data synchronizer)."},
    {0xA006, "Rover station of station association is not available."},
    {0xA007, "The status of an object allows only reading access."},
    {0xA008, "The id of the station is not available but it is mandatory."},
    {0xA009, "There are no observations available though they are mandatory."},
    {0xA00A, "An iterator was not initialized prior to use."},
    {0xA00B, "The observation merger was not initialized prior to use."},
    {0xA00C, "The raw data synchronizer was not initialized prior to use."},
    {0xA00D, "Point descriptions were not available."},
    {0xA00E, "Invalid status."},
    {0xA00F, "Could not create object."},
    {0xA010, "One of the linked stations of an association is invalid."},
    {0xA011, "End of raw data reached."},
    {0xA012, "No matching static point description interval found."},
    {0xA013, "Error handler failed."},
    {0xA014, "Association: Create station failed."},
    {0xA015, "Station Association: Get station association failed."},
    {0xA016, "Station Association: Get station association key failed."},
    {0xA017, "Station Association: Iterator failed."},
    {0xA018, "Station Association: Processing failed."},
    {0xA019, "Station Association: Create iono association failed."},
    {0xA01A, "Station Association: Setup failed."},
    {0xA01B, "Iono Association: Setup failed."},
    {0xA01C, "No observation iterator available for a station."},
    {0xA01D, "Fatal error in raw data synchronizer: Incorrect usage of raw data buffer."},
    {0xA01E, "Raw data synchronizer Failed."},
    {0xA01F, "Reference not static during the merged interval."},
    {0xA020, "Unknown error."},
    {0xA021, "No common observations found in raw data synchronizer."},
    {0xA022, "Station id not available."},
    {0xA023, "Sensor system not available."},
    {0xA024, "No antenna information available for reference (rover)."},
    {0xA025, "No ephemeris available."},
    {0xA026, "The key of the station is not available but it is mandatory."},
    {0xA027, "Storing the raw data failed."},
    {0xA028, "Association: Observation statistics could not be calculated."},
    {0xA029, "Association: Satellite availability statistics could not be calculated."},
    {0xA02A, "Association: Computation intervals could not be calculated."},
    {0xA02B, "Iono Association: Get iono computed association failed."},
    {0xA02C, "Station Association: Iono computed association not available."},
    {0xA02D, "Station Association: Set processing parameters kernel failed."},
    {0xA02E, "Iono Association: Set processing parameters iono computed failed."},
    {0xA02F, "Station Association: No common interval."},
    {0xA030, "Invalid occupation type."},
    {0xA031, "No position available:"},
    {0xA032, "Could not setup kernel."},
    {0xA033, "Calculation initialization failed."},
    {0xA034, "Calculation preparation failed."},
    {0xA035, "Ambiguity calculation failed."},
    {0xA036, "Position calculation failed."},
    {0xA037, "Station Association: Set used station association failed."},
    {0xA038, "Do not use."},
    {0xA039, "Processing aborted."},
    {0xA03A, "Invalid point."},
    {0xA03B, "Sampling rate could not be modified."},
    {0xA03C, "Residual calculation failed."},
    {0xA03D, "No approximate point available."},
    {0xA03E, "Use the default implementation."},
    {0xA03F, "Insufficient reference data from %s to %s. Differential position not possible."},
    {0xB001, "Missing orbits for satellite %s."},
    {0xB002, "No valid ephemeris for satellite coordinate calculation %s between %s and %s."},
    {0xB003, "The request is outside of the data period."},
    {0xB004, "Not enough roots in precise ephemeris file for orbit calculation."},
    {0xB005,
     "Interval of roots of precise ephemeris file is not constant - unable to compute orbits."},
    {0xB006, "No coefficients available."},
    {0xB007, "Processing parameters not set."},
    {0xB008, "Wrong processing mode."},
    {0xB009, "No satellite availability statistic available."},
    {0xB00A, "Satellite %s is unhealthy from %s to %s"},
    {0xB00B, "Invalid interface."},
    {0xB00C, "Set processing parameters orbit failed."},
    {0xB00D, "No ephemeris available for given calculation interval."},
    {0xB00E, "No valid ephemeris for satellite clock error calculation %s between %s and %s."},
    {0xB00F, "No valid ephemeris data found."},
    {0xC001, "Invalid intervals."},
    {0xC002, "Method not available."},
    {0xC003, "No coefficients available."},
    {0xC004,
     "One or more Computed ionospheric models derived from the reference station %s have a "
     "singular matrix - these models are not used."},
    {0xC005,
     "Invalid origin of development - not possible to derive a Computed ionospheric model."},
    {0xC006, "No UTC information available."},
    {0xC007, "Failed to store the used processing parameters for ionospheric computation."},
    {0xC008, "No observations available for computing ionospheric model."},
    {0xC009, "Update of equation system for least square adjustment failed."},
    {0xC00A, "Orbit tool is not available for ionospheric computation."},
    {0xC00B, "The ionospheric model cannot be used for the current station."},
    {0xC00C, "The number of stations in the iono association is invalid."},
    {0xC00D,
     "One or more Computed ionospheric models derived from the reference station %s are unreliable "
     "- these models are not used."},
    {0xC00E,
     "One or more Computed ionospheric models derived from the reference station %s have bad data "
     "- these models are not used."},
    {0xC00F,
     "For one or more Computed ionospheric models derived from the reference station %s the time "
     "span of usable data is too short - these models are not used."},
    {0xD001, "No valid parameter setting found for input."},
    {0xD002, "No valid orbit coefficients available for requested time."},
    {0xD003, "No valid Klobuchar coefficients available for requested time."},
    {0xD004, "No valid Computed ionospheric model for requested time available."},
    {0xD005, "No valid Global/Regional ionospheric model available for requested time."},
    {0xD006, "Too many stations for calculation (only <=2 allowed)."},
    {0xD007, "Invalid station id."},
    {0xD008, "Invalid observation time."},
    {0xD009, "Interpolation limit for instantaneous point exceeded - point not computed."},
    {0xD00A, "No time tag in time tag queue."},
    {0xD00B, "No reference coordinates available."},
    {0xE001, "Data or file type not supported."},
    {0xE002, "Failed to read."},
    {0xE003, "Header entry or data line missing."},
};

constexpr bool sorted_by_id() {
    for (size_t i = 1; i < std::size(kMessages); ++i)
        if (kMessages[i - 1].id >= kMessages[i].id) return false;
    return true;
}
static_assert(sorted_by_id(), "the message table must stay sorted by identifier");

// The buffer the texts are loaded into holds 500 bytes including the terminator.
constexpr size_t kMaxTextLength = 499;

}  // namespace

namespace vyr_entry {

const char* find_error_text(VYR_ERROR code) {
    const auto id = static_cast<uint16_t>(static_cast<uint32_t>(code) & 0xFFFFu);
    const auto* end = std::end(kMessages);
    const auto* found = std::lower_bound(std::begin(kMessages), end, id,
                                         [](const MessageText& m, uint16_t v) { return m.id < v; });
    return (found != end && found->id == id) ? found->text : nullptr;
}

}  // namespace vyr_entry

VYR_ERROR ErrorToStringDef(VYR_ERROR code, std::string& text) {
    const char* found = vyr_entry::find_error_text(code);
    if (found == nullptr) {
        text.clear();
        return VYR_E_ENTRY_NOT_FOUND;
    }
    text.assign(found, strnlen(found, kMaxTextLength));
    return VYR_OK;
}

std::string Vyr_FailureText(VYR_ERROR code, const std::string& subject) {
    std::string text;
    ErrorToStringDef(code, text);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(code));
    return subject + ": " + (text.empty() ? "failed" : text) + " (" + hex + ")";
}
