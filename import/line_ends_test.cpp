// Every reader of the importers gives the same records, counts and reports for a file whether its
// lines end in LF, CR LF or a lone CR.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "import/file_converter.h"
#include "import/import_test_support.h"
#include "import/text_file.h"

using namespace import_test;

namespace {

// What the conversions of a file gave: how many records, and their results, records and reports
// as bytes.
struct Outcome {
    size_t records = 0;
    std::string content;

    template <class T>
    void add(VYR_ERROR code, const std::vector<T>& out, const VyrConversionReport& report) {
        records += out.size();
        content += std::to_string(code) + "|";
        content.append(reinterpret_cast<const char*>(out.data()), out.size() * sizeof(T));
        for (const std::string& line : read_past_text(report)) content += "|" + line;
        for (const VyrLineProblem& remark : report.remarks)
            content += "|" + std::to_string(remark.line) + ":" + remark.problem;
        content += "|" + std::to_string(report.failure.line) + ":" + report.failure.problem;
    }
};

using Reader = std::function<Outcome(const std::string& path)>;

Reader sp3() {
    return [](const std::string& path) {
        CVyrFileConverter files;
        std::vector<VYR_PRECISEEPHEMERIS> out;
        Outcome o;
        o.add(files.ConvertSp3(path.c_str(), out), out, files.GetLastReport());
        return o;
    };
}

// The ephemerides of every system, the Klobuchar coefficients and the GLONASS channel map.
Reader navigation() {
    return [](const std::string& path) {
        CVyrFileConverter files;
        Outcome o;
        std::vector<VYR_BROADCASTEPHEMERIS> gps;
        o.add(files.ConvertRinexNav(path.c_str(), gps), gps, files.GetLastReport());
        std::vector<VYR_BROADCASTEPHEMERIS_GLO> glonass;
        o.add(files.ConvertRinexNavGlo(path.c_str(), glonass), glonass, files.GetLastReport());
        std::vector<VYR_BROADCASTEPHEMERIS_GAL> galileo;
        o.add(files.ConvertRinexNavGal(path.c_str(), galileo), galileo, files.GetLastReport());
        std::vector<VYR_IONOUTC> klobuchar;
        o.add(files.ConvertRinexIonoKlobuchar(path.c_str(), 59000.0, klobuchar), klobuchar,
              files.GetLastReport());
        std::vector<VYR_GLONASS_FREQUENCYMAP> map(1);
        o.add(files.ConvertFrequencyMapGlo(path.c_str(), map[0]), map, files.GetLastReport());
        o.records -= 1;  // the map is there in any case
        return o;
    };
}

Reader ionosphere() {
    return [](const std::string& path) {
        CVyrFileConverter files;
        std::vector<VYR_IONO_GLOBALREG> out;
        Outcome o;
        o.add(files.ConvertIonoGlobalReg(path.c_str(), out), out, files.GetLastReport());
        return o;
    };
}

// Sites, occupations and epochs in their stored encoding.
Reader observations() {
    return [](const std::string& path) {
        CVyrFileConverter files;
        std::vector<VYR_STATION_RINEX> stations;
        Outcome o;
        o.content = std::to_string(files.ConvertRinexObs(path.c_str(), stations, nullptr));
        for (const VYR_STATION_RINEX& s : stations) {
            o.content.append(reinterpret_cast<const char*>(&s), sizeof(VYR_STATION_RINEX_SITE));
            o.content.append(reinterpret_cast<const char*>(s.occupations.data()),
                             s.occupations.size() * sizeof(VYR_OCCUPATION));
            for (const VYR_OBSERVATIONEPOCH& epoch : s.epochs) {
                uint8_t buffer[vyr::kMaxStoredEpochSize];
                uint32_t written = 0;
                EXPECT_EQ(Vyr_SerializeObsEpoch(epoch, buffer, sizeof buffer, written), VYR_OK);
                o.content.append(reinterpret_cast<const char*>(buffer), written);
            }
            o.records += s.epochs.size();
        }
        o.content += "|" + files.GetLastReport().failure.problem;
        return o;
    };
}

// The plain text a compact file expands to; its lines as records.
Reader compact() {
    return [](const std::string& path) {
        Outcome o;
        uint64_t line = 0;
        std::string problem;
        const std::string expanded = path + ".expanded";
        const bool expandedWhole =
            Vyr_ExpandCompactRinex(path.c_str(), expanded.c_str(), line, problem);
        const std::string text = file_text(expanded);
        o.content =
            text + "|" + std::to_string(expandedWhole) + ":" + std::to_string(line) + ":" + problem;
        for (char c : text) o.records += c == '\n';
        return o;
    };
}

std::string sample(const char* name) {
    const char* source = std::getenv("VYR_SOURCE_DIR");
    return file_text(std::string(source != nullptr ? source : ".") + "/samples/" + name);
}

// A GPS and a GLONASS message of version 3 or 4 (with record lines), and a Galileo one.
std::string navigation_messages(bool version4) {
    const std::vector<std::vector<double>> orbit(7, {1.0, 2.0, 3.0, 4.0});
    return std::string(version4 ? "> EPH G05 LNAV\n" : "") + nav3_message("G05", 0.0, orbit) +
           (version4 ? "> EPH R07 FDMA\n" : "") +
           nav3_message("R07", 90030.0, {{1, 2, 3, 4}, {5, 6, 7, -3}, {9, 10, 11, 12}}) +
           (version4 ? "> EPH E11 INAV\n" : "") + nav3_message("E11", 0.0, orbit);
}

std::string navigation_header(const char* version, char type, char system) {
    return nav_version_line(version, type, system) +
           hdr("GPSA   1.1176E-08  1.4901E-08 -5.9605E-08 -1.1921E-07", "IONOSPHERIC CORR") +
           hdr("GPSB   8.8064E+04  3.2768E+04 -1.9661E+05 -1.9661E+05", "IONOSPHERIC CORR") +
           hdr("", "END OF HEADER");
}

}  // namespace

TEST(LineEnds, EveryReaderReadsLfCrLfAndCrAlike) {
    const std::string sp3Epoch = "*  2010  1  1  0  0  0.00000000\n";
    const std::string v2Header =
        hdr("    0.1118D-07  0.1490D-07 -0.5960D-07 -0.1192D-06", "ION ALPHA") +
        hdr("    0.8806D+05  0.3277D+05 -0.1966D+06 -0.1966D+06", "ION BETA") +
        hdr("", "END OF HEADER");
    const std::string compactEpoch = " 15  2 13  0  0  0.0000000  0  1G07";
    const struct {
        const char* reader;
        std::string lf;
        Reader run;
    } cases[] = {
        // A damaged position and no EOF line: the reported lines must match too.
        {"SP3",
         "#cP2010  1  1  0  0  0.00000000       2 ORBIT IGS08 HLM  IGS\n" + sp3Epoch +
             "PG05  15000.123456 -20000.500000   1234.000001     12.345678\n"
             "PG06  15000.1 x\n" +
             "*  2010  1  1  0 15  0.00000000\n" +
             "PR07  15001.000000 -20001.000000   1235.000000 999999.999999\n",
         sp3()},
        {"GPS navigation 2.11, with a damaged message",
         nav_version_line("2.11", 'N') + v2Header + gps_v2(5, 21, 1, 1, 2) +
             gps_v2(6, 21, 1, 1, 2, 3) + gps_v2(7, 21, 1, 1, 4),
         navigation()},
        {"GLONASS navigation 2.11",
         nav_version_line("2.11", 'G') + hdr("", "END OF HEADER") + glonass_v2(3, 21, 900.0, -4.0) +
             glonass_v2(4, 21, 930.0, 5.0),
         navigation()},
        {"mixed navigation 3.04", navigation_header("3.04", 'N', 'M') + navigation_messages(false),
         navigation()},
        {"mixed navigation 4.00", navigation_header("4.00", 'N', 'M') + navigation_messages(true),
         navigation()},
        {"ionosphere model",
         "CODE'S GLOBAL IONOSPHERE MAPS\n" + std::string(72, '-') + "\n" +
             iono_line("MODEL TYPE (1=LOCAL,2=GLOBAL,3=STATION)", "2") +
             iono_line("MAXIMUM DEGREE OF SPHERICAL HARMONICS", "1") +
             iono_line("MAXIMUM ORDER", "1") +
             iono_line("  GEOGRAPHICAL (=1) OR GEOMAGNETIC (=2) FRAME", "2") +
             iono_line("MAPPING FUNCTION (0=NONE,1=1/COS)", "1") +
             iono_line("HEIGHT OF SINGLE LAYER AND ITS RMS ERROR (KM)", "450.00    0.00") +
             iono_line("  LATITUDE OF NORTH GEOMAGNETIC POLE (DEGREES)", "80.17") +
             iono_line("  EAST LONGITUDE (DEGREES)", "-72.37") +
             iono_line("  FROM EPOCH / REFERENCE EPOCH (Y,M,D,H,M,S)", "2010 01 01 00 00 00") +
             iono_line("  TO EPOCH", "2010 01 01 02 00 00") +
             iono_line("  MINIMUM LATITUDE (DEGREES)", "-87.64") +
             iono_line("  MAXIMUM LATITUDE (DEGREES)", "87.70") +
             "DEGREE  ORDER    VALUE (TECU)   RMS (TECU)\n"
             "    0      0     27.69848683     0.0089\n"
             "    1      0      1.16843400     0.0076\n"
             "    1      1     -3.25126870     0.0079\n"
             "    1     -1      4.45034521     0.0080\n",
         ionosphere()},
        {"observations 2.11 (text parser)", sample("vyra0020.21o"), observations()},
        {"observations 3.04 (RINEX reader)", sample("VYRB00XXX_R_20210021200_06M_30S_MO.rnx"),
         observations()},
        {"compact RINEX 1.0",
         hdr("1.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
             hdr("TOOL 1.0                                01-Jan-15 00:00", "CRINEX PROG / DATE") +
             hdr("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
             hdr("SITE", "MARKER NAME") + hdr("     1    L1", "# / TYPES OF OBSERV") +
             hdr("", "END OF HEADER") + "&" + compactEpoch.substr(1) + "\n\n3&1000\n" +
             std::string(16, ' ') + "3\n\n7\n",
         compact()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reader);
        ScratchDir dir;
        const Outcome lf = c.run(dir.Write("lf", c.lf));
        ASSERT_GT(lf.records, 0u);
        for (const std::string end : {"\r\n", "\r"}) {
            std::string text;
            for (char ch : c.lf) text += ch == '\n' ? end : std::string(1, ch);
            const Outcome other = c.run(dir.Write(end.size() == 2 ? "crlf" : "cr", text));
            EXPECT_EQ(other.records, lf.records) << end.size();
            EXPECT_TRUE(other.content == lf.content) << end.size();
        }
    }
}

// Files are read in blocks: a CR LF split between two blocks is still one line end.
TEST(LineEnds, ACrLfSplitBetweenTwoReadsIsOneLineEnd) {
    const std::string bytes = "a\r\nb\rc\n\r\r\nd\r";
    for (size_t split = 0; split <= bytes.size(); ++split) {
        std::string first = bytes.substr(0, split);
        std::string second = bytes.substr(split);
        bool afterCr = false;
        first.resize(vyr_import::to_lf_line_ends(first.data(), first.size(), afterCr));
        second.resize(vyr_import::to_lf_line_ends(second.data(), second.size(), afterCr));
        EXPECT_EQ(first + second, "a\nb\nc\n\n\nd\n") << split;
    }
}
