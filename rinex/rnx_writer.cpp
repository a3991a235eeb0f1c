// The writer object behind IRnxWriter and its observation document.
#include <new>

#include "rinex/rnx_writer.h"

namespace rnx {
namespace {

class CRnxObsDocumentStub final : public IRnxObsDocument {
public:
    eRNX WriteDocument() override { return eRNX_E_NONIMPL; }
    eRNX SetVersion(double) override { return eRNX_E_NONIMPL; }
    eRNX SetDocumentMode(uint32_t) override { return eRNX_E_NONIMPL; }
    eRNX GetDocumentMode(uint32_t&) override { return eRNX_E_NONIMPL; }
    eRNX SetProgram(const char*, const char*, const char*) override { return eRNX_E_NONIMPL; }
    eRNX GetVersion(double&) override { return eRNX_E_NONIMPL; }
    eRNX SetCountryCode(const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetMarkerNumber(const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetMarkerName(const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetOutputPath(const char*) override { return eRNX_E_NONIMPL; }
    eRNX GetOutputPath(std::string&) override { return eRNX_E_NONIMPL; }
    eRNX SetMarkerType(const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetInterval(double) override { return eRNX_E_NONIMPL; }
    eRNX SetTimeOfLastObs(const RNX_TIME&) override { return eRNX_E_NONIMPL; }
    eRNX SetAntennaDelta(double, double, double) override { return eRNX_E_NONIMPL; }
    eRNX SetClockOffsetApplied(int32_t) override { return eRNX_E_NONIMPL; }
    eRNX SetMonumentReceiver(uint32_t, uint32_t) override { return eRNX_E_NONIMPL; }
    eRNX SetEventFlag(eEPOCHFLAG) override { return eRNX_E_NONIMPL; }
    eRNX AddComment(const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetEventMarkerName(const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetEventMarkerNumber(const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetEventAntennaDelta(double, double, double) override { return eRNX_E_NONIMPL; }
    eRNX SetObserverAgency(const char*, const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetReceiver(const char*, const char*, const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetAntenna(const char*, const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetApproxPosition(const RNX_COORD&) override { return eRNX_E_NONIMPL; }
    eRNX SetEventMarkerType(const RNX_MARKER_TYPE&) override { return eRNX_E_NONIMPL; }
    eRNX SetDataSource(char) override { return eRNX_E_NONIMPL; }
    eRNX SetAntennaDeltaXYZ(const RNX_COORD&) override { return eRNX_E_NONIMPL; }
    eRNX SetPhaseShift(eSATSYS, char, const RNX_OBS_CODE&, double) override {
        return eRNX_E_NONIMPL;
    }
    eRNX GetLastEpochTime(RNX_TIME&) override { return eRNX_E_NONIMPL; }
    eRNX SetDoi(const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetObsTypes(eSATSYS, char, const std::vector<RNX_OBS_CODE>&) override {
        return eRNX_E_NONIMPL;
    }
    eRNX SetSignalStrengthUnit(uint32_t, const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetLicense(const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetHeaderFlag(bool) override { return eRNX_E_NONIMPL; }
    eRNX SetStationInformation(const char*) override { return eRNX_E_NONIMPL; }
    eRNX SetGlonassCodePhaseBias(const std::vector<RNX_GLONASS_BIAS>&) override {
        return eRNX_E_NONIMPL;
    }
    eRNX GetObsTypes(eSATSYS, char, std::vector<RNX_OBS_CODE>&) override { return eRNX_E_NONIMPL; }
    eRNX SetLongFileName(bool) override { return eRNX_E_NONIMPL; }
    eRNX SetGlonassSlots(const std::vector<RNX_GLONASS_SLOT>&) override { return eRNX_E_NONIMPL; }
    eRNX SetLeapSeconds(int32_t, int32_t, int32_t, int32_t) override { return eRNX_E_NONIMPL; }
    eRNX AddHeaderRecord(const char*, const char*) override { return eRNX_E_NONIMPL; }
    eRNX AddObsEpoch(const RNX_OBS_EPOCH&) override { return eRNX_E_NONIMPL; }
    eRNX GetEpochCount(uint64_t&) override { return eRNX_E_NONIMPL; }
    eRNX SetTimeOfFirstObs(const RNX_TIME&) override { return eRNX_E_NONIMPL; }
};

class CRnxWriter final : public IRnxWriter {
public:
    eRNX GetLastError(eRNX&) override { return eRNX_E_NONIMPL; }
    eRNX GetLastErrorText(std::string&) override { return eRNX_E_NONIMPL; }
    eRNX GetBytesWritten(uint64_t&) override { return eRNX_E_NONIMPL; }
    eRNX GetEpochsWritten(uint64_t&) override { return eRNX_E_NONIMPL; }
    eRNX GetValuesNotWritten(uint64_t&) override { return eRNX_E_NONIMPL; }
    eRNX GetObsDocument(IRnxObsDocument*& document, bool& created) override {
        created = !handed_out_;
        handed_out_ = true;
        document = &document_;
        return eRNX_S_OK;
    }

private:
    CRnxObsDocumentStub document_;
    bool handed_out_ = false;
};

}  // namespace
}  // namespace rnx

eRNX GetNewRnxWriter(IRnxWriter*& writer) {
    writer = new (std::nothrow) rnx::CRnxWriter();
    return writer ? eRNX_S_OK : eRNX_E_FILE_WRITE_ERROR;
}

eRNX ReleaseRnxWriter(IRnxWriter*& writer) {
    delete writer;
    writer = nullptr;
    return eRNX_S_OK;
}
