// Hostile bytes read as RINEX: the reader must deliver or refuse them, never crash or hang, and
// what it delivers must keep its own promises.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "rinex/rnx_reader.h"

namespace {

class CheckingObs : public IRnxReaderResultObs {
public:
    int OnEpoch(const RNX_OBS_EPOCH& e) override { return check(e); }
    int OnCycleSlipEpoch(const RNX_OBS_EPOCH& e) override { return check(e); }
    int OnEventEpoch(const RNX_OBS_EPOCH& e) override {
        if (!e.satellites.empty()) __builtin_trap();
        return 0;
    }

private:
    // Never more satellites than announced, and only finite values.
    static int check(const RNX_OBS_EPOCH& e) {
        if (e.satellites.size() > e.recordCount) __builtin_trap();
        for (const RNX_OBS_SAT& s : e.satellites)
            for (const RNX_OBS_VALUE& v : s.values)
                if (!std::isfinite(v.value) || v.lossOfLock > 9 || v.signalStrength > 9)
                    __builtin_trap();
        return 0;
    }
};

class CheckingNav : public IRnxReaderResultNav {
public:
    int OnEphemerisGps(const RNX_NAV_GPS& g) override {
        if (g.prn < 1 || g.prn > 99 || !std::isfinite(g.sqrtA)) __builtin_trap();
        return 0;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (bool converted_only : {true, false}) {
        IRnxReader* reader = nullptr;
        if (GetNewRnxReader(reader) != eRNX_S_OK) return 0;
        CheckingObs obs;
        CheckingNav nav;
        reader->SetObsHandler(&obs);
        reader->SetNavHandler(&nav);
        reader->SetOption(converted_only);
        reader->SetInputText(text);
        const eRNX result = reader->Run();
        if (result != eRNX_S_OK && (result < 1 || result > 9) && (result < 100 || result > 107))
            __builtin_trap();
        ReleaseRnxReader(reader);
    }
    return 0;
}
