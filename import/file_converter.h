// CVyrFileConverter: the converter the root hands out. Every operation builds the converter of its
// format, runs it and drops it; the one state kept is the report of the last conversion.
#pragma once

#include <vyr/file_converter.h>

class CVyrFileConverter final : public IVyrFileConverter {
public:
    VYR_ERROR ConvertFrequencyMapGlo(const char* fileName, VYR_GLONASS_FREQUENCYMAP& map) override;
    VYR_ERROR ConvertRinexNavGal(const char* fileName,
                                 std::vector<VYR_BROADCASTEPHEMERIS_GAL>& out) override;
    VYR_ERROR ConvertRinexNavGlo(const char* fileName,
                                 std::vector<VYR_BROADCASTEPHEMERIS_GLO>& out) override;
    VYR_ERROR ConvertRinexNav(const char* fileName,
                              std::vector<VYR_BROADCASTEPHEMERIS>& out) override;
    VYR_ERROR ConvertSp3(const char* fileName, std::vector<VYR_PRECISEEPHEMERIS>& out) override;
    VYR_ERROR ConvertRinexObs(const char* fileName, std::vector<VYR_STATION_RINEX>& out,
                              IVyrProgress* progress) override;
    VYR_ERROR ConvertIonoGlobalReg(const char* fileName,
                                   std::vector<VYR_IONO_GLOBALREG>& out) override;
    VYR_ERROR ConvertRinexIonoKlobuchar(const char* fileName, double epoch,
                                        std::vector<VYR_IONOUTC>& out) override;
    void Release() override;
    const VyrConversionReport& GetLastReport() const override { return m_lastReport; }

private:
    VyrConversionReport m_lastReport;
};

namespace vyr_import {

// True when epoch (MJD with fraction) has a GPS week that fits 16 bits: from the origin on.
bool has_gps_week(double epoch);
// Stamps every record with the GPS week and seconds of week of epoch; needs has_gps_week(epoch).
void stamp_reference_time(double epoch, std::vector<VYR_IONOUTC>& records);

}  // namespace vyr_import
