#include "obs_rows.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "station_text.h"

namespace vyr_cli {
namespace {

constexpr size_t kPiece = 1 << 20;  // written out once this much is gathered

// Three decimals, exactly as printf's "%.3f" gives them. Values a thousandth apart are scaled to
// whole numbers and written digit by digit; a value near a rounding tie, or too large for the
// scaling to be exact, goes the general (slower) way.
void append_fixed3(std::string& out, double value) {
    const double scaled = std::fabs(value) * 1000.0;
    const double fraction = scaled - std::floor(scaled);
    // Scaling rounds by at most half a unit in the last place of scaled: keep clear of ties by
    // more than that.
    if (scaled < 1e15 && std::fabs(fraction - 0.5) > scaled * 4e-16 + 1e-9) {
        uint64_t n = static_cast<uint64_t>(scaled + 0.5);
        char text[24];
        char* p = text + sizeof text;
        for (int i = 0; i < 3; ++i, n /= 10) *--p = static_cast<char>('0' + n % 10);
        *--p = '.';
        do {
            *--p = static_cast<char>('0' + n % 10);
            n /= 10;
        } while (n != 0);
        if (std::signbit(value)) *--p = '-';
        out.append(p, text + sizeof text);
        return;
    }
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3);
    out.append(text, result.ptr);
}

void append_number(std::string& out, unsigned value) {
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

void append_flags(std::string& out, uint16_t flags) {
    static constexpr char kHex[] = "0123456789abcdef";
    const char text[6] = {'0',
                          'x',
                          kHex[(flags >> 12) & 15],
                          kHex[(flags >> 8) & 15],
                          kHex[(flags >> 4) & 15],
                          kHex[flags & 15]};
    out.append(text, sizeof text);
}

}  // namespace

const char* const kObsColumnsHelp = R"(Columns (one row per signal):
  time     epoch time tag as the imported file gave it (its time system, usually GPS)
  sat      G GPS, R GLONASS (slot), E Galileo, S SBAS (S20 = PRN 120)
  type     1 L1 C/A (GPS, GLONASS, SBAS)   2 L1 P(Y) (GPS, GLONASS)   3 L2 P(Y) semi-codeless
           (GPS 2W/2Y/2D)   4 L2 P (GPS, GLONASS)   5 L2C (GPS; GLONASS L2 C/A)   6 L5 (GPS,
           SBAS)   7 E5a   8 E5b   9 E1   10 E5 AltBOC   11 E6 (7 to 11 Galileo)
  code     pseudorange, metres          phase    carrier phase, cycles
  doppler  Doppler, Hz                  (empty: not observed)
  quality  carrier-to-noise density in 0.05 dB-Hz (dB-Hz x 20; 890 = 44.5 dB-Hz), 0 if none
  flags    0x0001 phase, 0x0002 code, 0x0004 Doppler, 0x0008 quality present;
           0x0100 loss of lock (a cycle slip may precede this phase);
           0x0800 mark carried over from an older receiver record)";

ObsRowPrinter::ObsRowPrinter(bool as_json) : m_json(as_json) {
    m_out.reserve(kPiece + 4096);
    m_out = as_json ? "[" : "time,sat,type,code,phase,doppler,quality,flags\n";
}

ObsRowPrinter::~ObsRowPrinter() {
    flush();
}

void ObsRowPrinter::print(const VYR_OBSERVATIONEPOCH& epoch) {
    const std::string time = iso_time(epoch.mjd, epoch.fraction);
    for (const VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
        const std::string sat = satellite_name(sv.satId);
        for (const VYR_OBSERVATIONEPOCH_SIGNAL& s : sv.observations) {
            const uint16_t flags = s.flags;
            const bool code = flags & VYR_OBSERVATIONEPOCH_SIGNAL::kCodeValid;
            const bool phase = flags & VYR_OBSERVATIONEPOCH_SIGNAL::kPhaseValid;
            const bool doppler = flags & VYR_OBSERVATIONEPOCH_SIGNAL::kDopplerValid;
            if (m_json) {
                using nlohmann::json;
                const auto value = [](bool valid, double v) { return valid ? json(v) : json(); };
                std::string flagsText;
                append_flags(flagsText, flags);
                const json row = {{"time", time},
                                  {"sat", sat},
                                  {"type", static_cast<int>(s.obsType)},
                                  {"code", value(code, s.code)},
                                  {"phase", value(phase, s.phase)},
                                  {"doppler", value(doppler, s.doppler)},
                                  {"quality", static_cast<int>(s.quality)},
                                  {"flags", flagsText}};
                // Every text of a row is made here, in ASCII: no check is needed.
                m_out += m_firstRow ? "\n  " : ",\n  ";
                m_out += row.dump();
            } else {
                m_out += time;
                m_out += ',';
                m_out += sat;
                m_out += ',';
                append_number(m_out, static_cast<unsigned>(s.obsType));
                m_out += ',';
                if (code) append_fixed3(m_out, s.code);
                m_out += ',';
                if (phase) append_fixed3(m_out, s.phase);
                m_out += ',';
                if (doppler) append_fixed3(m_out, s.doppler);
                m_out += ',';
                append_number(m_out, s.quality);
                m_out += ',';
                append_flags(m_out, flags);
                m_out += '\n';
            }
            m_firstRow = false;
        }
    }
    flush_if_full();
}

void ObsRowPrinter::finish() {
    if (m_json) m_out += m_firstRow ? "]\n" : "\n]\n";
    flush();
}

void ObsRowPrinter::flush_if_full() {
    if (m_out.size() >= kPiece) flush();
}

void ObsRowPrinter::flush() {
    std::fwrite(m_out.data(), 1, m_out.size(), stdout);
    m_out.clear();
}

}  // namespace vyr_cli
