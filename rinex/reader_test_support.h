// Helpers of the reader tests: RINEX lines in their exact columns and handlers that record
// what they are told.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "rinex/codes.h"
#include "rinex/rnx_reader.h"

namespace rnx_test {

inline std::string format(const char* fmt, ...) {
    char buf[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

// A header line: content in columns 1-60, label from column 61.
inline std::string hdr(const std::string& content, const std::string& label) {
    std::string line = content.substr(0, 60);
    line.resize(60, ' ');
    return line + label + "\n";
}

inline std::string version_line(double version, char type, char system) {
    const char* kind = type == 'O' ? "OBSERVATION DATA" : "NAVIGATION DATA";
    return hdr(format("%9.2f%11s%-20s%c", version, "", kind, system), "RINEX VERSION / TYPE");
}

// "> yyyy mm dd hh mm ss.sssssss  f nnn" with an optional receiver clock offset.
inline std::string epoch_line(int y, int mo, int d, int h, int mi, double s, int flag, int n,
                              const char* clock = nullptr) {
    std::string line =
        format("> %4d %02d %02d %02d %02d%11.7f  %d%3d", y, mo, d, h, mi, s, flag, n);
    if (clock) line += format("%6s%15s", "", clock);
    return line + "\n";
}

// One observation field: F14.3 and the two digits (a blank digit when below 0).
// A satellite of an epoch with its values, as the reader delivers it.
inline RNX_OBS_SAT sat(eSATSYS system, uint8_t number, std::vector<RNX_OBS_VALUE> values) {
    RNX_OBS_SAT s{};
    s.system = system;
    s.number = number;
    s.values = std::move(values);
    return s;
}

// An observation code from its three characters ("C1C"), a value of it, an epoch of satellites.
inline RNX_OBS_CODE code(const char* text) {
    RNX_OBS_CODE c{};
    rnx::parse_obs_code(text, c);
    return c;
}
inline RNX_OBS_VALUE val(const char* c, double v, uint8_t lli = 0, uint8_t ssi = 0) {
    return RNX_OBS_VALUE{code(c), v, lli, ssi};
}
inline RNX_OBS_EPOCH epoch(const RNX_TIME& t, std::vector<RNX_OBS_SAT> sats) {
    RNX_OBS_EPOCH e{};
    e.time = t;
    e.flag = eEPOCHFLAG_OK;
    e.satellites = std::move(sats);
    return e;
}

inline std::string obs(double value, int lli = -1, int ssi = -1) {
    std::string f = format("%14.3f", value);
    f += lli < 0 ? ' ' : static_cast<char>('0' + lli);
    f += ssi < 0 ? ' ' : static_cast<char>('0' + ssi);
    return f;
}

struct Diagnostic {
    bool error;
    eRNX code;
    uint32_t line;
    std::string message;
};

class RecordingErrors : public IRnxReaderError {
public:
    void OnError(eRNX code, uint32_t line, const char* message) override {
        all.push_back({true, code, line, message});
    }
    void OnWarning(eRNX code, uint32_t line, const char* message) override {
        all.push_back({false, code, line, message});
    }
    bool has(eRNX code, uint32_t line) const {
        for (const Diagnostic& d : all)
            if (d.code == code && d.line == line) return true;
        return false;
    }
    std::vector<Diagnostic> all;
};

// Header notifications as short texts in order; epochs kept whole.
class RecordingObs : public IRnxReaderResultObs {
public:
    int OnHeaderBegin(eEPOCHFLAG cause) override { return note("begin:" + std::to_string(cause)); }
    int OnHeaderEnd() override { return note("end"); }
    int OnComment(const char* t) override { return note(std::string("comment:") + t); }
    int OnMarkerName(const char* t) override { return note(std::string("marker:") + t); }
    int OnReceiver(const char* n, const char* t, const char* v) override {
        return note(std::string("receiver:") + n + "|" + t + "|" + v);
    }
    int OnAntenna(const char* n, const char* t) override {
        return note(std::string("antenna:") + n + "|" + t);
    }
    int OnApproxPosition(const RNX_COORD& c) override {
        return note(format("position:%.4f,%.4f,%.4f", c.x, c.y, c.z));
    }
    int OnAntennaDeltaHEN(double h, double e, double n) override {
        return note(format("delta:%.4f,%.4f,%.4f", h, e, n));
    }
    int OnObsTypes(eSATSYS sys, char letter, const std::vector<RNX_OBS_CODE>& codes) override {
        types[static_cast<unsigned char>(letter)] = codes;
        return note(format("types:%c:%d:%zu", letter, sys, codes.size()));
    }
    int OnInterval(double s) override { return note(format("interval:%.3f", s)); }
    int OnTimeOfFirstObs(const RNX_TIME& t) override {
        return note(format("first:%d-%d-%d %d:%d:%.4f sys%d", t.year, t.month, t.day, t.hour,
                           t.minute, t.seconds, t.timeSystem));
    }
    int OnScaleFactor(eSATSYS, char letter, int factor,
                      const std::vector<RNX_OBS_CODE>& codes) override {
        return note(format("scale:%c:%d:%zu", letter, factor, codes.size()));
    }
    int OnPhaseShift(eSATSYS, char letter, const RNX_OBS_CODE& code, double cycles,
                     const std::vector<uint8_t>& sats) override {
        std::string s =
            format("shift:%c:%u%u%u:%.5f:", letter, code.kind, code.band, code.attribute, cycles);
        for (uint8_t n : sats) s += std::to_string(n) + ",";
        return note(s);
    }
    int OnGlonassSlotFrequency(uint8_t slot, int32_t channel) override {
        return note(format("slot:%d:%d", slot, channel));
    }
    int OnHeaderRecord(const char* label, const char*) override {
        return note(std::string("record:") + label);
    }
    int OnEpoch(const RNX_OBS_EPOCH& e) override {
        epochs.push_back(e);
        note("epoch");
        return stop_after > 0 && static_cast<int>(epochs.size()) >= stop_after ? 1 : 0;
    }
    int OnEventEpoch(const RNX_OBS_EPOCH& e) override {
        epochs.push_back(e);
        return note("event:" + std::to_string(e.flag));
    }
    int OnCycleSlipEpoch(const RNX_OBS_EPOCH& e) override {
        epochs.push_back(e);
        return note("slips");
    }
    int OnEndOfData() override { return note("eod"); }

    int note(const std::string& s) {
        events.push_back(s);
        return 0;
    }
    bool saw(const std::string& s) const {
        for (const std::string& e : events)
            if (e == s) return true;
        return false;
    }

    std::vector<std::string> events;
    std::vector<RNX_OBS_EPOCH> epochs;
    std::vector<RNX_OBS_CODE> types[256];
    int stop_after = 0;
};

class RecordingNav : public IRnxReaderResultNav {
public:
    int OnIonoCorrection(const RNX_IONO_CORR& c) override { return keep(iono, c); }
    int OnTimeSystemCorrection(const RNX_TIME_CORR& c) override { return keep(time, c); }
    int OnLeapSeconds(int32_t current, int32_t, int32_t, int32_t) override {
        leap = current;
        return 0;
    }
    int OnEphemerisGps(const RNX_NAV_GPS& g) override { return keep(gps, g); }
    int OnEphemerisGlonass(const RNX_NAV_GLO& g) override { return keep(glo, g); }
    int OnEphemerisGalileo(const RNX_NAV_GAL& g) override { return keep(gal, g); }
    int OnEndOfData() override {
        ++ends;
        return 0;
    }

    template <class T>
    static int keep(std::vector<T>& all, const T& one) {
        all.push_back(one);
        return 0;
    }
    std::vector<RNX_IONO_CORR> iono;
    std::vector<RNX_TIME_CORR> time;
    std::vector<RNX_NAV_GPS> gps;
    std::vector<RNX_NAV_GLO> glo;
    std::vector<RNX_NAV_GAL> gal;
    int32_t leap = -1;
    int ends = 0;
};

// Notifications joined with ';', to be compared whole.
inline std::string joined(const std::vector<std::string>& events) {
    std::string all;
    for (const std::string& e : events) all += (all.empty() ? "" : ";") + e;
    return all;
}

// Runs a reader over text with the given handlers.
inline eRNX read_text(const std::string& text, IRnxReaderResultObs* obs, IRnxReaderResultNav* nav,
                      IRnxReaderError* errors, bool converted_only = true) {
    IRnxReader* reader = nullptr;
    if (GetNewRnxReader(reader) != eRNX_S_OK) return eRNX_E_FILE_READ_ERROR;
    reader->SetErrorHandler(errors);
    reader->SetObsHandler(obs);
    reader->SetNavHandler(nav);
    reader->SetOption(converted_only);
    reader->SetInputText(text);
    const eRNX result = reader->Run();
    ReleaseRnxReader(reader);
    return result;
}

// A navigation value as writers of the format print it: D19.12 with a "D" exponent.
inline std::string d19(double v) {
    std::string s = format("%19.12E", v);
    for (char& c : s)
        if (c == 'E') c = 'D';
    return s;
}

// Version 3 and 4 message lines.
inline std::string nav3_first(const char* sat, int y, int mo, int d, int h, int mi, int s, double a,
                              double b, double c) {
    return format("%s %04d %02d %02d %02d %02d %02d", sat, y, mo, d, h, mi, s) + d19(a) + d19(b) +
           d19(c) + "\n";
}
inline std::string nav3_orbit(double a, double b, double c, double d) {
    return "    " + d19(a) + d19(b) + d19(c) + d19(d) + "\n";
}

// Version 2 message lines.
inline std::string nav2_first(int prn, int yy, int mo, int d, int h, int mi, double s, double a,
                              double b, double c) {
    return format("%2d %02d %2d %2d %2d %2d%5.1f", prn, yy, mo, d, h, mi, s) + d19(a) + d19(b) +
           d19(c) + "\n";
}
inline std::string nav2_orbit(double a, double b, double c, double d) {
    return "   " + d19(a) + d19(b) + d19(c) + d19(d) + "\n";
}

}  // namespace rnx_test
