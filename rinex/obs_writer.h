// The observation document: header, epochs and event records, streamed into a hidden
// temporary file in the output folder and renamed to the file's name when it is written.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rinex/rnx_writer.h"

namespace rnx {

// What the writer reports about its document.
struct WriterStatus {
    eRNX last = eRNX_S_OK;
    std::string text;
    uint64_t bytes = 0;
    uint64_t epochs = 0;
    uint64_t not_written = 0;
};

class ObsDocument final : public IRnxObsDocument {
public:
    explicit ObsDocument(WriterStatus& status) : status_(status) {}
    ~ObsDocument() override;
    ObsDocument(const ObsDocument&) = delete;
    ObsDocument& operator=(const ObsDocument&) = delete;

    eRNX WriteDocument() override;
    eRNX SetVersion(double version) override;
    eRNX SetDocumentMode(uint32_t mode) override;
    eRNX GetDocumentMode(uint32_t& mode) override;
    eRNX SetProgram(const char* program, const char* run_by, const char* date) override;
    eRNX GetVersion(double& version) override;
    eRNX SetCountryCode(const char* country) override;
    eRNX SetMarkerNumber(const char* number) override;
    eRNX SetMarkerName(const char* name) override;
    eRNX SetOutputPath(const char* folder) override;
    eRNX GetOutputPath(std::string& path) override;
    eRNX SetMarkerType(const char* type) override;
    eRNX SetInterval(double seconds) override;
    eRNX SetTimeOfLastObs(const RNX_TIME& time) override;
    eRNX SetAntennaDelta(double height, double east, double north) override;
    eRNX SetClockOffsetApplied(int32_t applied) override;
    eRNX SetMonumentReceiver(uint32_t monument, uint32_t receiver) override;
    eRNX SetEventFlag(eEPOCHFLAG flag) override;
    eRNX AddComment(const char* comment) override;
    eRNX SetEventMarkerName(const char* name) override;
    eRNX SetEventMarkerNumber(const char* number) override;
    eRNX SetEventAntennaDelta(double height, double east, double north) override;
    eRNX SetObserverAgency(const char* observer, const char* agency) override;
    eRNX SetReceiver(const char* number, const char* type, const char* version) override;
    eRNX SetAntenna(const char* number, const char* type) override;
    eRNX SetApproxPosition(const RNX_COORD& position) override;
    eRNX SetEventMarkerType(const RNX_MARKER_TYPE& marker) override;
    eRNX SetDataSource(char source) override;
    eRNX SetAntennaDeltaXYZ(const RNX_COORD& delta) override;
    eRNX SetPhaseShift(eSATSYS system, char letter, const RNX_OBS_CODE& code,
                       double cycles) override;
    eRNX GetLastEpochTime(RNX_TIME& time) override;
    eRNX SetDoi(const char* doi) override;
    eRNX SetObsTypes(eSATSYS system, char letter, const std::vector<RNX_OBS_CODE>& codes) override;
    eRNX SetSignalStrengthUnit(uint32_t unit, const char* text) override;
    eRNX SetLicense(const char* license) override;
    eRNX SetHeaderFlag(bool time_of_last_obs) override;
    eRNX SetStationInformation(const char* information) override;
    eRNX SetGlonassCodePhaseBias(const std::vector<RNX_GLONASS_BIAS>& biases) override;
    eRNX GetObsTypes(eSATSYS system, char letter, std::vector<RNX_OBS_CODE>& codes) override;
    eRNX SetLongFileName(bool long_name) override;
    eRNX SetGlonassSlots(const std::vector<RNX_GLONASS_SLOT>& slots) override;
    eRNX SetLeapSeconds(int32_t current, int32_t future, int32_t week, int32_t day) override;
    eRNX AddHeaderRecord(const char* label, const char* content) override;
    eRNX AddObsEpoch(const RNX_OBS_EPOCH& epoch) override;
    eRNX GetEpochCount(uint64_t& epochs) override;
    eRNX SetTimeOfFirstObs(const RNX_TIME& time) override;

private:
    enum class State { kOpen, kStreaming, kWritten, kFailed };
    // One system's observation types and where each code's value goes.
    struct SystemTypes {
        char letter;
        std::vector<RNX_OBS_CODE> codes;
        // Column of a code (kind 0-4, band 0-10, attribute 0-17), -1 when it has none.
        std::array<int16_t, 5 * 11 * 18> column;
        int columns = 0;
    };
    struct PendingEvent {
        eEPOCHFLAG flag = eEPOCHFLAG_NONE;
        std::vector<std::string> lines;  // header lines of the event record, whole
        bool marker = false;             // a marker item was given
        bool empty() const { return flag == eEPOCHFLAG_NONE && lines.empty(); }
    };

    bool v2() const { return version_ < 300; }
    eRNX note(eRNX code, std::string text);
    eRNX header_only(const char* what);
    eRNX set_text(std::string& field, const char* text, size_t width, const char* what);

    // Lines.
    static void add_line(std::string& out, std::string_view content, std::string_view label);
    std::string version_line() const;
    char file_system() const;
    void build_tables();
    std::string header_text();
    // The pending event record (its flag, the time of the epoch it precedes or none).
    void event_lines(eEPOCHFLAG flag, const RNX_TIME* time);
    void epoch_line(const RNX_TIME& t, int rinex_flag, int count, const double* clock);
    void satellites(const RNX_OBS_EPOCH& epoch, int rinex_flag);

    // The file.
    eRNX begin();  // header into the temporary file
    eRNX flush();
    eRNX fail(std::string text);
    void remove_temporary();
    eRNX finish();

    WriterStatus& status_;
    State state_ = State::kOpen;
    int version_ = 304;  // 211, 304, 305, 401
    uint32_t mode_ = RNX_DOCUMENT_OBS;

    std::string program_ = "rnx writer", run_by_, date_;
    std::string marker_name_, marker_number_, marker_type_;
    std::string observer_, agency_;
    std::string receiver_number_, receiver_type_, receiver_version_;
    std::string antenna_number_, antenna_type_;
    std::string country_, doi_, license_, station_information_;
    std::string strength_unit_;
    std::vector<std::string> comments_;
    std::vector<std::string> extra_records_;  // whole header lines
    std::optional<RNX_COORD> position_, delta_xyz_;
    std::optional<std::array<double, 3>> delta_hen_;
    std::optional<double> interval_;
    std::optional<RNX_TIME> first_obs_, last_obs_;
    std::optional<int32_t> clock_applied_;
    std::optional<std::array<int32_t, 4>> leap_;
    std::vector<RNX_GLONASS_SLOT> slots_;
    std::vector<RNX_GLONASS_BIAS> biases_;
    std::vector<std::string> phase_shifts_;  // whole lines
    bool time_of_last_obs_ = false;
    bool long_name_ = true;
    char source_ = 'R';
    unsigned monument_ = 0, receiver_digit_ = 0;

    std::vector<SystemTypes> systems_;
    std::array<int8_t, 128> system_index_{};  // letter -> systems_ index + 1
    // Version 2: the one type list, and each system's column of its codes in it.
    std::vector<std::string> v2_types_;

    PendingEvent event_;

    // Streaming state.
    std::string folder_, final_path_, temporary_path_;
    int fd_ = -1;
    std::string buffer_;
    uint64_t file_offset_ = 0;      // bytes handed to the file so far
    int64_t last_obs_offset_ = -1;  // where the TIME OF LAST OBS line was reserved
    bool have_epoch_ = false;
    RNX_TIME first_epoch_{}, last_epoch_{};
    double smallest_step_ = 0.0;
    uint64_t epochs_ = 0;
    std::vector<const RNX_OBS_VALUE*> slots_scratch_;
    std::vector<uint32_t> written_scratch_;
};

}  // namespace rnx
