// Writes the seed corpus of the converters' fuzz target: the bundled sample observation files,
// the RINEX reader's seeds and a small file of every other kind the system converts, and files
// packed as they are downloaded (gzip of a plain and of a compact observation file, a compact
// file of version 1.0), so that the converters meet the input layer's decoders.
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "rinex_seed_texts.h"

using namespace rinex_seeds;

namespace {

std::string glonass_navigation2() {
    std::string t = hdr("     2.11           G: GLONASS NAV DATA", "RINEX VERSION / TYPE") +
                    hdr("", "END OF HEADER");
    t += format("%2d 21  1  1  0 15  0.0", 3) + d19(7.2e-5) + d19(0.0) + d19(900.0) + "\n";
    t += nav2_orbit(-1488.8, 1.2, 0.0, 0.0) + nav2_orbit(-5000.0, 2.0, 0.0, -4.0) +
         nav2_orbit(21000.5, 0.3, 0.0, 0.0);
    return t;
}

std::string sp3() {
    return "#cP2010  1  1  0  0  0.00000000      96 ORBIT IGS08 HLM  IGS\n"
           "## 1564 432000.00000000   900.00000000 55197 0.0000000000000\n"
           "+    2   G01R05  0  0  0  0  0  0  0  0  0  0  0  0  0  0  0\n"
           "%c G  cc GPS ccc cccc cccc cccc cccc ccccc ccccc ccccc ccccc\n"
           "*  2010  1  1  0  0  0.00000000\n"
           "PG01  15000.123456 -20000.500000   1234.000001     12.345678\n"
           "PR05  15001.000000 -20001.000000   1235.000000 999999.999999\n"
           "EOF\n";
}

std::string labelled60(const std::string& text, const std::string& label) {
    std::string line = text;
    line.resize(60, ' ');
    return line + label + "\n";
}

std::string labelled(const std::string& label, const std::string& value) {
    std::string line = label;
    line.resize(60, ' ');
    return line + ": " + value + "\n";
}

std::string ionosphere_model() {
    std::string t =
        "GLOBAL IONOSPHERE MODEL FOR DAY 001, 2010\n"
        "------------------------------------------------------------------------\n" +
        labelled("MODEL NUMBER / STATION NAME", "COD001-01") +
        labelled("MODEL TYPE (1=LOCAL,2=GLOBAL,3=STATION)", "2") +
        labelled("MAXIMUM DEGREE OF SPHERICAL HARMONICS", "1") + labelled("MAXIMUM ORDER", "1") +
        "DEVELOPMENT WITH RESPECT TO\n" +
        labelled("  GEOGRAPHICAL (=1) OR GEOMAGNETIC (=2) FRAME", "2") +
        labelled("MAPPING FUNCTION (0=NONE,1=1/COS)", "1") +
        labelled("HEIGHT OF SINGLE LAYER AND ITS RMS ERROR (KM)", "450.00    0.00") +
        labelled("  LATITUDE OF NORTH GEOMAGNETIC POLE (DEGREES)", "80.17") +
        labelled("  EAST LONGITUDE (DEGREES)", "-72.37") +
        labelled("  FROM EPOCH / REFERENCE EPOCH (Y,M,D,H,M,S)", "2010 01 01 00 00 00") +
        labelled("  TO EPOCH", "2010 01 01 02 00 00") +
        labelled("  MINIMUM LATITUDE (DEGREES)", "-87.64") +
        labelled("  MAXIMUM LATITUDE (DEGREES)", "87.70") + "COEFFICIENTS\n" +
        "DEGREE  ORDER    VALUE (TECU)   RMS (TECU)\n";
    t += "  0      0     1.00000000     0.0100\n";
    t += "  1      0     2.00000000     0.0100\n";
    t += "  1      1     3.00000000     0.0100\n";
    t += "  1     -1     4.00000000     0.0100\n";
    return t;
}

// Compact RINEX 3.0: two epochs, the second as differences against the first.
std::string compact_observation() {
    return labelled60("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
           labelled60("TOOL 1.0                                01-Jan-19 00:00",
                      "CRINEX PROG / DATE") +
           labelled60("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
           labelled60("G    2 C1C L1C", "SYS / # / OBS TYPES") +
           labelled60("E    1 C1C", "SYS / # / OBS TYPES") + labelled60("", "END OF HEADER") +
           "> 2019 01 01 20 56 45.0000000  0  2      G01E11\n"
           "3&-5000000000\n"
           "3&20000000000 3&100000000000  1 7\n"
           "3&21000000000\n"
           "                57 &0\n"
           "1000\n"
           "1000 2000\n"
           "-1000\n";
}

// Compact RINEX 1.0 (version 2 observations): two epochs, the second as differences.
std::string compact_observation2() {
    return labelled60("1.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
           labelled60("TOOL 1.0                                01-Jan-15 00:00",
                      "CRINEX PROG / DATE") +
           labelled60("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
           labelled60("     2    L1    C1", "# / TYPES OF OBSERV") +
           labelled60("  2015     2    13     0     0    0.0000000     GPS", "TIME OF FIRST OBS") +
           labelled60("", "END OF HEADER") +
           "&15  2 13  0  0  0.0000000  0  2G07G09\n"
           "\n"
           "3&120000000123 3&22000000456  1 8\n"
           "3&110000000000\n"
           "                3\n"
           "1&-12345\n"
           "1000 2000\n"
           "-1000\n";
}

// text as one gzip member.
std::string gzipped(const std::string& text) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::string out(deflateBound(&z, text.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const bool done = deflate(&z, Z_FINISH) == Z_STREAM_END;
    out.resize(done ? z.total_out : 0);
    deflateEnd(&z);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    for (const auto& sample : std::filesystem::directory_iterator(VYR_SAMPLES_DIR))
        std::filesystem::copy_file(sample.path(), dir / sample.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing);
    const std::pair<const char*, std::string> seeds[] = {
        {"obs3.rnx", observation()},
        {"nav2.rnx", navigation2()},
        {"nav3.rnx", navigation3()},
        {"nav4.rnx", navigation4()},
        {"glonass2.rnx", glonass_navigation2()},
        {"compact.crx", compact_observation()},
        {"compact2.crx", compact_observation2()},
        {"obs3.rnx.gz", gzipped(observation())},
        {"compact.crx.gz", gzipped(compact_observation())},
        {"orbit.sp3", sp3()},
        {"model.ion", ionosphere_model()},
    };
    for (const auto& [name, text] : seeds) std::ofstream(dir / name, std::ios::binary) << text;
    return 0;
}
