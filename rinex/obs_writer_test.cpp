// The observation document: lines in their columns, files read back by our own reader, names,
// failures that leave nothing behind.
#include "rinex/obs_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "rinex/codes.h"
#include "rinex/reader_test_support.h"
#include "rinex/rnx_writer.h"
#include "tests/support/packed_value.h"

namespace {

namespace fs = std::filesystem;
using rnx_test::code;
using rnx_test::epoch;
using rnx_test::RecordingErrors;
using rnx_test::RecordingObs;
using rnx_test::sat;
using rnx_test::val;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "rnxw-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : "";
    }
    ~TempDir() {
        std::error_code ec;
        ::chmod(path_.c_str(), 0755);
        fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::vector<std::string> names() const {
        std::vector<std::string> all;
        for (const auto& e : fs::directory_iterator(path_)) all.push_back(e.path().filename());
        std::sort(all.begin(), all.end());
        return all;
    }

private:
    std::string path_;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream s(text);
    for (std::string l; std::getline(s, l);) out.push_back(l);
    return out;
}

// The first line whose label (from column 61) is label.
std::string header_line(const std::string& text, const std::string& label, int nth = 0) {
    for (const std::string& l : lines_of(text))
        if (l.size() > 60 && l.substr(60) == label && nth-- == 0) return l;
    return {};
}

RNX_TIME at(int h, int mi, double s) {
    return RNX_TIME{
        eTIMESYS_GPS, 2024, 3, 15, static_cast<uint8_t>(h), static_cast<uint8_t>(mi), s};
}

struct Writer {
    Writer() {
        GetNewRnxWriter(writer);
        bool created = false;
        writer->GetObsDocument(doc, created);
    }
    ~Writer() { ReleaseRnxWriter(writer); }
    std::string path() {
        std::string p;
        doc->GetOutputPath(p);
        return p;
    }
    uint64_t not_written() {
        uint64_t n = 0;
        writer->GetValuesNotWritten(n);
        return n;
    }
    IRnxWriter* writer = nullptr;
    IRnxObsDocument* doc = nullptr;
};

eRNX read_back(const std::string& path, RecordingObs& obs) {
    RecordingErrors errors;
    const eRNX r = rnx_test::read_text(slurp(path), &obs, nullptr, &errors, false);
    for (const auto& d : errors.all)
        ADD_FAILURE() << "reader: line " << d.line << ": " << d.message;
    return r;
}

std::vector<RNX_OBS_CODE> codes(std::initializer_list<const char*> texts) {
    std::vector<RNX_OBS_CODE> out;
    for (const char* t : texts) out.push_back(code(t));
    return out;
}

TEST(ObsWriter, Version3FileReadsBackWithItsValuesDigitsAndTypes) {
    TempDir dir;
    Writer w;
    // 14 GPS types: the header needs a continuation line.
    const auto gps = codes({"C1C", "L1C", "D1C", "S1C", "C1W", "L1W", "C2W", "L2W", "C2L", "L2L",
                            "S2L", "C5Q", "L5Q", "S5Q"});
    ASSERT_EQ(w.doc->SetOutputPath(dir.path().c_str()), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetMarkerName("wtzr"), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetObsTypes(eSATSYS_GPS, 0, gps), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetObsTypes(eSATSYS_GLONASS, 0, codes({"C1C", "L1C"})), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetObserverAgency("", "KORVA TERRALINKS"), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetReceiver("1234", "RCV TYPE", ""), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetSignalStrengthUnit(RNX_STRENGTH_UNIT_DBHZ, nullptr), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetGlonassSlots(
                  {{1, 1}, {2, -4}, {3, 5}, {4, 6}, {5, 1}, {6, -4}, {7, 5}, {8, 6}, {9, -2}}),
              eRNX_S_OK);
    ASSERT_EQ(w.doc->SetLeapSeconds(18, 0, 0, 0), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetApproxPosition({1, 4075580.3, 931853.9, 4801568.2}), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetHeaderFlag(true), eRNX_S_OK);

    RNX_OBS_EPOCH e1 =
        epoch(at(0, 0, 0), {sat(eSATSYS_GPS, 5,
                                {val("C1C", 23619095.450), val("L1C", -53875.632, 1, 7),
                                 val("S1C", 45.25), val("S5Q", 12345678901.0)}),
                            sat(eSATSYS_GLONASS, 12, {val("L1C", 0.0005, 5, 9)}),
                            sat(eSATSYS_SBAS, 120, {val("C1C", 1.0)})});  // no SBAS types
    e1.clockOffset = -0.000123456789;
    e1.hasClockOffset = 1;
    ASSERT_EQ(w.doc->AddObsEpoch(e1), eRNX_S_OK);
    ASSERT_EQ(w.doc->AddObsEpoch(epoch(at(0, 0, 30), {sat(eSATSYS_GPS, 7, {val("C5Q", -1.5)})})),
              eRNX_S_OK);
    ASSERT_EQ(w.doc->WriteDocument(), eRNX_S_OK);
    // S5Q does not fit F14.3, the SBAS satellite has no types.
    EXPECT_EQ(w.not_written(), 2u);

    const std::string path = w.path();
    EXPECT_EQ(fs::path(path).filename(), "WTZR00XXX_R_20240750000_01M_30S_MO.rnx");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"WTZR00XXX_R_20240750000_01M_30S_MO.rnx"});
    const std::string text = slurp(path);
    EXPECT_EQ(header_line(text, "RINEX VERSION / TYPE").substr(0, 41),
              "     3.04           OBSERVATION DATA    M");
    EXPECT_EQ(header_line(text, "SYS / # / OBS TYPES", 1).substr(0, 10), "       S5Q");
    EXPECT_EQ(header_line(text, "GLONASS SLOT / FRQ #", 1).substr(0, 11), "    R09 -2 ");
    EXPECT_EQ(header_line(text, "TIME OF LAST OBS").substr(0, 51),
              "  2024     3    15     0     0   30.0000000     GPS");
    // Columns: F14.3 and the two digits, values in the order of the type list, blank columns
    // for absent values, trailing blanks dropped.
    using rnx_test::obs;
    const std::string blank(16, ' ');
    EXPECT_NE(text.find("\n> 2024 03 15 00 00  0.0000000  0  2      -0.000123456789\n"
                        "G05" +
                        obs(23619095.450) + obs(-53875.632, 1, 7) + blank +
                        rnx_test::format("%14.3f", 45.25) + "\n" + "R12" + blank +
                        rnx_test::format("%14.3f", 0.0005) + "59\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(header_line(text, "GLONASS SLOT / FRQ #"),
              "  9 R01  1 R02 -4 R03  5 R04  6 R05  1 R06 -4 R07  5 R08  6 GLONASS SLOT / FRQ #");

    RecordingObs obs;
    ASSERT_EQ(read_back(path, obs), eRNX_S_OK);
    EXPECT_TRUE(obs.saw("types:G:1:14"));
    EXPECT_TRUE(obs.saw("slot:9:-2"));
    EXPECT_TRUE(obs.saw("position:4075580.3000,931853.9000,4801568.2000"));
    ASSERT_EQ(obs.epochs.size(), 2u);
    const RNX_OBS_EPOCH& r = obs.epochs[0];
    EXPECT_EQ(value_of(r.hasClockOffset), 1);
    EXPECT_DOUBLE_EQ(value_of(r.clockOffset), -0.000123456789);
    ASSERT_EQ(r.satellites.size(), 2u);
    ASSERT_EQ(r.satellites[0].values.size(), 3u);
    EXPECT_DOUBLE_EQ(value_of(r.satellites[0].values[1].value), -53875.632);
    EXPECT_EQ(value_of(r.satellites[0].values[1].lossOfLock), 1);
    EXPECT_EQ(value_of(r.satellites[0].values[1].signalStrength), 7);
    EXPECT_DOUBLE_EQ(value_of(r.satellites[0].values[2].value), 45.25);
    EXPECT_EQ(value_of(r.satellites[1].number), 12);
    EXPECT_DOUBLE_EQ(value_of(r.satellites[1].values[0].value), 0.001);
    EXPECT_EQ(value_of(r.satellites[1].values[0].signalStrength), 9);
    EXPECT_DOUBLE_EQ(value_of(obs.epochs[1].satellites[0].values[0].value), -1.5);
}

TEST(ObsWriter, Version2LinesContinueAfter12SatellitesAnd5Values) {
    TempDir dir;
    Writer w;
    ASSERT_EQ(w.doc->SetVersion(2.11), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetOutputPath(dir.path().c_str()), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetMarkerName("Stat"), eRNX_S_OK);
    // L1C and L1W both become L1: the first takes the column, L1W's values are left out.
    ASSERT_EQ(w.doc->SetObsTypes(eSATSYS_GPS, 0,
                                 codes({"C1C", "L1C", "L1W", "C1W", "C2W", "L2W", "S1C", "C5X",
                                        "L5X", "C7X", "D1C"})),
              eRNX_S_OK);
    std::vector<RNX_OBS_SAT> sats;
    for (uint8_t n = 1; n <= 14; ++n)
        sats.push_back(sat(eSATSYS_GPS, n,
                           {val("C1C", 20000000.0 + n), val("L1C", 1.25, 1), val("L1W", 9.0),
                            val("C2W", 7.0), val("C5X", 5.0, 0, 6), val("D1C", -3.5)}));
    RNX_OBS_EPOCH e = epoch(at(1, 2, 3.5), sats);
    e.clockOffset = 0.5;
    e.hasClockOffset = 1;
    ASSERT_EQ(w.doc->AddObsEpoch(e), eRNX_S_OK);
    ASSERT_EQ(w.doc->WriteDocument(), eRNX_S_OK);
    EXPECT_EQ(w.not_written(), 14u);
    EXPECT_EQ(fs::path(w.path()).filename(), "stat0750.24o");

    const std::string text = slurp(w.path());
    EXPECT_EQ(header_line(text, "# / TYPES OF OBSERV"),
              "    10    C1    P1    L1    D1    S1    P2    L2    C5    L5# / TYPES OF OBSERV");
    EXPECT_EQ(header_line(text, "# / TYPES OF OBSERV", 1).substr(0, 12), "          C7");
    EXPECT_EQ(header_line(text, "WAVELENGTH FACT L1/2").substr(0, 12), "     1     1");
    const std::vector<std::string> lines = lines_of(text);
    size_t at_epoch = 0;
    while (at_epoch < lines.size() && lines[at_epoch].find("END OF HEADER") == std::string::npos)
        ++at_epoch;
    ++at_epoch;
    ASSERT_LT(at_epoch + 3, lines.size());
    EXPECT_EQ(lines[at_epoch],
              " 24  3 15  1  2  3.5000000  0 14G01G02G03G04G05G06G07G08G09G10G11G12" +
                  rnx_test::format("%12.9f", 0.5));
    EXPECT_EQ(lines[at_epoch + 1], std::string(32, ' ') + "G13G14");
    // C1 P1 L1 D1 S1 / P2 L2 C5 L5 C7: P1 (C1W) absent, L1W left out, C5 with its strength.
    using rnx_test::obs;
    const std::string blank(16, ' ');
    EXPECT_EQ(lines[at_epoch + 2],
              obs(20000001.0) + blank + obs(1.25, 1) + rnx_test::format("%14.3f", -3.5));
    EXPECT_EQ(lines[at_epoch + 3], obs(7.0) + blank + obs(5.0, -1, 6));
    EXPECT_EQ(lines[at_epoch + 4],
              obs(20000002.0) + blank + obs(1.25, 1) + rnx_test::format("%14.3f", -3.5));
}

TEST(ObsWriter, EventRecordsCarryTheirLinesAndReadBack) {
    TempDir dir;
    Writer w;
    ASSERT_EQ(w.doc->SetOutputPath(dir.path().c_str()), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetMarkerName("ROVR"), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetObsTypes(eSATSYS_GALILEO, 0, codes({"C1C", "L1C"})), eRNX_S_OK);
    // Kinematic from the first epoch: the comment goes into the header, the event after it.
    ASSERT_EQ(w.doc->SetEventFlag(eEPOCHFLAG_START_MOVING), eRNX_S_OK);
    ASSERT_EQ(w.doc->AddComment("  *** FROM NOW ON KINEMATIC DATA! ***"), eRNX_S_OK);
    const auto gal = [](double s) {
        return epoch(at(2, 0, s), {sat(eSATSYS_GALILEO, 11, {val("L1C", 100.0, 5)})});
    };
    ASSERT_EQ(w.doc->AddObsEpoch(gal(0)), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetReceiver("1", "2", "3"), eRNX_E_DOM_NOT_ENABLED);
    ASSERT_EQ(w.doc->SetEventFlag(eEPOCHFLAG_NEW_SITE), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetEventMarkerName("SITE2"), eRNX_S_OK);
    RNX_MARKER_TYPE marker{};
    marker.items = RNX_MARKER_NUMBER;
    marker.number = 4711;
    ASSERT_EQ(w.doc->SetEventMarkerType(marker), eRNX_S_OK);
    ASSERT_EQ(w.doc->SetApproxPosition({1, 1.0, -2.0, 3.25}), eRNX_S_OK);
    ASSERT_EQ(w.doc->AddComment("  *** THIS IS THE START OF A NEW SITE! ***"), eRNX_S_OK);
    ASSERT_EQ(w.doc->AddObsEpoch(gal(1)), eRNX_S_OK);
    ASSERT_EQ(w.doc->WriteDocument(), eRNX_S_OK);
    EXPECT_EQ(fs::path(w.path()).filename(), "ROVR00XXX_R_20240750200_01M_01S_EO.rnx");

    const std::string text = slurp(w.path());
    EXPECT_NE(text.find("END OF HEADER\n> 2024 03 15 02 00  0.0000000  2  0\n"), std::string::npos);
    EXPECT_NE(text.find("\n> 2024 03 15 02 00  1.0000000  3  4\nSITE2"), std::string::npos) << text;
    RecordingObs obs;
    ASSERT_EQ(read_back(w.path(), obs), eRNX_S_OK);
    const std::string all = rnx_test::joined(obs.events);
    EXPECT_EQ(header_line(text, "COMMENT"),
              rnx_test::hdr("  *** FROM NOW ON KINEMATIC DATA! ***", "COMMENT").substr(0, 67));
    EXPECT_NE(all.find("comment:*** FROM NOW ON KINEMATIC DATA! ***;marker:ROVR"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("event:3;epoch;event:4;begin:4;marker:SITE2;position:1.0000,-2.0000,3.2500;"
                       "comment:*** THIS IS THE START OF A NEW SITE! ***;end;epoch"),
              std::string::npos)
        << all;
    ASSERT_EQ(obs.epochs.size(), 4u);
    EXPECT_EQ(value_of(obs.epochs[2].recordCount), 4u);
    EXPECT_EQ(value_of(obs.epochs[3].satellites[0].values[0].lossOfLock), 5);
}

TEST(ObsWriter, HeaderOnlyFileAndSecondsThatRoundIntoTheNextMinute) {
    TempDir dir;
    {
        Writer w;
        ASSERT_EQ(w.doc->SetOutputPath(dir.path().c_str()), eRNX_S_OK);
        ASSERT_EQ(w.doc->SetVersion(4.01), eRNX_S_OK);
        ASSERT_EQ(w.doc->SetTimeOfFirstObs(at(23, 59, 59.999999996)), eRNX_S_OK);
        ASSERT_EQ(w.doc->SetDoi("10.1000/xyz"), eRNX_S_OK);
        ASSERT_EQ(w.doc->SetObsTypes(eSATSYS_GPS, 0, codes({"C1C"})), eRNX_S_OK);
        ASSERT_EQ(w.doc->SetHeaderFlag(true), eRNX_S_OK);
        ASSERT_EQ(w.doc->WriteDocument(), eRNX_S_OK);
        ASSERT_EQ(w.doc->WriteDocument(), eRNX_E_DOM_NOT_ENABLED);
        const std::string text = slurp(w.path());
        EXPECT_EQ(header_line(text, "TIME OF FIRST OBS").substr(0, 51),
                  "  2024     3    16     0     0    0.0000000     GPS");
        EXPECT_EQ(header_line(text, "DOI").substr(0, 11), "10.1000/xyz");
        RecordingObs obs;
        EXPECT_EQ(read_back(w.path(), obs), eRNX_S_OK);
        EXPECT_TRUE(obs.epochs.empty());
    }
}

TEST(ObsWriter, UnsafeMarkerNamesStayInTheFolderAndFilesAreNeverReplaced) {
    TempDir dir;
    const auto write_one = [&](const char* marker, double version) {
        Writer w;
        w.doc->SetVersion(version);
        w.doc->SetOutputPath(dir.path().c_str());
        w.doc->SetMarkerName(marker);
        w.doc->SetObsTypes(eSATSYS_GPS, 0, codes({"C1C"}));
        w.doc->AddObsEpoch(epoch(at(0, 0, 0), {sat(eSATSYS_GPS, 1, {val("C1C", 1.0)})}));
        EXPECT_EQ(w.doc->WriteDocument(), eRNX_S_OK);
        const std::string path = w.path();
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(dir.path())) << path;
        return fs::path(path).filename().string();
    };
    EXPECT_EQ(write_one("../x", 3.05), "XXXX00XXX_R_20240750000_00U_00U_GO.rnx");
    EXPECT_EQ(write_one("../x", 3.05), "XXXX00XXX_R_20240750000_00U_00U_GO-1.rnx");
    EXPECT_EQ(write_one("/etc/passwd", 2.11), "etcp0750.24o");
    EXPECT_EQ(write_one("etc/p", 2.11), "etcp0751.24o");
    EXPECT_EQ(dir.names().size(), 4u);  // no temporary file left
    for (int k = 2; k <= 9; ++k) write_one("etcp", 2.11);
    Writer w;
    w.doc->SetVersion(2.11);
    w.doc->SetOutputPath(dir.path().c_str());
    w.doc->SetMarkerName("etcp");
    EXPECT_EQ(w.doc->AddObsEpoch(epoch(at(0, 0, 0), {})), eRNX_S_OK);
    EXPECT_EQ(w.doc->WriteDocument(), eRNX_E_FILE_WRITE_ERROR);
    std::string text;
    w.writer->GetLastErrorText(text);
    EXPECT_NE(text.find("nothing was replaced"), std::string::npos) << text;
    EXPECT_EQ(dir.names().size(), 12u);
    EXPECT_EQ(slurp(dir.path() + "/etcp0750.24o").find("etcp"), std::string::npos);
}

TEST(ObsWriter, FailedWritesAreReportedAndLeaveNothingBehind) {
    TempDir dir;
    {
        // Not a folder.
        Writer w;
        w.doc->SetOutputPath("/dev/full");
        EXPECT_EQ(w.doc->WriteDocument(), eRNX_E_FILE_WRITE_ERROR);
        eRNX last = eRNX_S_OK;
        w.writer->GetLastError(last);
        EXPECT_EQ(last, eRNX_E_FILE_WRITE_ERROR);
    }
    if (::geteuid() != 0) {
        // A folder that cannot be written (root writes anyway, so only tried as a user).
        const std::string ro = dir.path() + "/ro";
        ASSERT_EQ(::mkdir(ro.c_str(), 0555), 0);
        Writer w;
        w.doc->SetOutputPath(ro.c_str());
        EXPECT_EQ(w.doc->AddObsEpoch(epoch(at(0, 0, 0), {})), eRNX_E_FILE_WRITE_ERROR);
        EXPECT_TRUE(fs::is_empty(ro));
    }
    {
        // The disk fills up while epochs are written: a file size limit stands in for it.
        const std::string full = dir.path() + "/full";
        struct rlimit old {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 200000;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        eRNX add = eRNX_S_OK, write = eRNX_S_OK;
        {
            Writer w;
            w.doc->SetOutputPath(full.c_str());
            w.doc->SetObsTypes(eSATSYS_GPS, 0, codes({"C1C", "L1C", "C2W", "L2W"}));
            std::vector<RNX_OBS_SAT> sats;
            for (uint8_t n = 1; n <= 30; ++n)
                sats.push_back(
                    sat(eSATSYS_GPS, n,
                        {val("C1C", 2e7), val("L1C", 1e8), val("C2W", 2e7), val("L2W", 8e7)}));
            for (int i = 0; i < 2000 && add == eRNX_S_OK; ++i)
                add = w.doc->AddObsEpoch(epoch(at(i / 3600, i / 60 % 60, i % 60), sats));
            write = w.doc->WriteDocument();
        }
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, old_handler);
        EXPECT_EQ(add, eRNX_E_FILE_WRITE_ERROR);
        EXPECT_NE(write, eRNX_S_OK);
        EXPECT_TRUE(fs::is_empty(full));
    }
    {
        // Released without WriteDocument: the temporary file goes too.
        const std::string gone = dir.path() + "/gone";
        {
            Writer w;
            w.doc->SetOutputPath(gone.c_str());
            ASSERT_EQ(w.doc->AddObsEpoch(epoch(at(0, 0, 0), {})), eRNX_S_OK);
            EXPECT_FALSE(fs::is_empty(gone));
        }
        EXPECT_TRUE(fs::is_empty(gone));
    }
}

TEST(ObsWriter, RefusedArguments) {
    Writer w;
    struct Case {
        eRNX got;
        eRNX expected;
        const char* what;
    } const table[] = {
        {w.doc->SetVersion(3.03), eRNX_E_FORMAT_VERSION_NOT_SUPPORTED, "version 3.03"},
        {w.doc->SetDocumentMode(RNX_DOCUMENT_NAV_GPS), eRNX_E_FILE_TYPE_NOT_SUPPORTED, "nav mode"},
        {w.doc->SetObsTypes(eSATSYS_GPS, 0, {RNX_OBS_CODE{1, 2, 0}}), eRNX_W_HEADER_DATA_UNKNOWN,
         "code without attribute"},
        {w.doc->SetObsTypes(eSATSYS_GPS, 0, codes({"C1C", "C1C"})), eRNX_W_HEADER_DATA_UNKNOWN,
         "code twice"},
        {w.doc->SetObsTypes(eSATSYS_GPS, 'R', codes({"C1C"})), eRNX_W_HEADER_DATA_UNKNOWN,
         "letter of another system"},
        {w.doc->SetObsTypes(eSATSYS_OTHER, 'C', codes({"C2I"})), eRNX_S_OK, "BeiDou by letter"},
        {w.doc->SetCountryCode("de"), eRNX_W_DATA_INVALID, "two-letter country"},
        {w.doc->SetMarkerNumber("123456789012345678901"), eRNX_W_DATA_INVALID, "cut number"},
        {w.doc->AddHeaderRecord("END OF HEADER", ""), eRNX_W_DATA_INVALID, "own label"},
        {w.doc->SetEventFlag(eEPOCHFLAG_EXTERNAL_EVENT), eRNX_W_DATA_INVALID, "event flag 5"},
        {w.doc->SetApproxPosition({2, 0, 0, 0}), eRNX_W_DATA_INVALID, "not cartesian"},
        {w.doc->AddObsEpoch(epoch(RNX_TIME{eTIMESYS_GPS, 2024, 13, 1, 0, 0, 0}, {})),
         eRNX_W_DATA_INVALID, "month 13"},
    };
    for (const Case& c : table) EXPECT_EQ(value_of(c.got), value_of(c.expected)) << c.what;
    double version = 0;
    w.doc->GetVersion(version);
    EXPECT_DOUBLE_EQ(version, 3.04);
    std::vector<RNX_OBS_CODE> got;
    w.doc->GetObsTypes(eSATSYS_OTHER, 'C', got);
    EXPECT_EQ(got.size(), 1u);
}

}  // namespace
