// `vyr import` end to end: stations made per site, re-imports, failed files, and the streamed
// import against the in-memory conversion followed by AddEpochs.
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_runner.h"

#include <vyr/vyr.h>

namespace {

using vyr_cli_test::Outcome;
using vyr_cli_test::slurp;

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using vyr_cli_test::sample;

std::string hdr(const std::string& content, const std::string& label) {
    std::string line = content.substr(0, 60);
    line.resize(60, ' ');
    return line + label + "\n";
}

// A version-3 GPS file of count epochs at 1 s with two satellites, the first at start seconds
// past midnight.
std::string v3_file(const char* marker, int count, double start = 0.0,
                    const char* receiver = "TRIMBLE NETR9") {
    std::string text =
        hdr("     3.04           OBSERVATION DATA    G", "RINEX VERSION / TYPE") +
        hdr(marker, "MARKER NAME") +
        hdr(std::string("R9                  ") + receiver, "REC # / TYPE / VERS") +
        hdr("G    3 C1C L1C S1C", "SYS / # / OBS TYPES") +
        hdr("  2020     3     1     0     0    0.0000000     GPS", "TIME OF FIRST OBS") +
        hdr("", "END OF HEADER");
    char line[160];
    for (int i = 0; i < count; ++i) {
        const double t = start + i;
        const int whole = static_cast<int>(t);
        std::snprintf(line, sizeof line, "> 2020 03 01 %02d %02d %10.7f  0  2\n", whole / 3600,
                      whole / 60 % 60, t - whole + whole % 60);
        text += line;
        for (int s = 0; s < 2; ++s) {
            std::snprintf(line, sizeof line, "G%02d%14.3f  %14.3f07%14.3f  \n", 5 + s,
                          20000000.0 + i * 10.5 + s, 105000000.25 + i * 55.0, 40.0 + s);
            text += line;
        }
    }
    return text;
}

// Every stream of a document below a storage: path -> bytes.
void read_tree(IStorage* storage, const std::string& prefix,
               std::map<std::string, std::string>& out) {
    IEnumSTATSTG* elements = nullptr;
    if (FAILED(storage->EnumElements(0, nullptr, 0, &elements))) return;
    STATSTG element{};
    ULONG fetched = 0;
    constexpr DWORD kRead = STGM_READ | STGM_SHARE_EXCLUSIVE;
    while (elements->Next(1, &element, &fetched) == S_OK && fetched == 1) {
        std::string name;
        cfb::utf16_to_utf8(element.pwcsName, name);
        const std::string path = prefix + "/" + name;
        IStorage* child = nullptr;
        IStream* stream = nullptr;
        if (element.type == STGTY_STORAGE &&
            SUCCEEDED(storage->OpenStorage(element.pwcsName, nullptr, kRead, nullptr, 0, &child))) {
            read_tree(child, path, out);
            child->Release();
        } else if (element.type != STGTY_STORAGE &&
                   SUCCEEDED(storage->OpenStream(element.pwcsName, nullptr, kRead, 0, &stream))) {
            std::string bytes(static_cast<size_t>(element.cbSize), '\0');
            ULONG read = 0;
            stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
            out[path] = bytes.substr(0, read);
            stream->Release();
        }
        CoTaskMemFree(element.pwcsName);
    }
    elements->Release();
}

std::map<std::string, std::string> tree_of(const std::string& path) {
    std::map<std::string, std::string> tree;
    std::u16string name;
    IStorage* document = nullptr;
    if (cfb::utf8_to_utf16(path, name) &&
        SUCCEEDED(StgOpenStorage(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr,
                                 0, &document))) {
        read_tree(document, "", tree);
        document->Release();
    }
    return tree;
}

// The paths whose bytes differ between two trees (or that only one holds).
std::vector<std::string> differences(const std::map<std::string, std::string>& a,
                                     const std::map<std::string, std::string>& b) {
    std::vector<std::string> paths;
    for (const auto& [path, bytes] : a)
        if (b.count(path) == 0 || b.at(path) != bytes) paths.push_back(path);
    for (const auto& [path, bytes] : b)
        if (a.count(path) == 0) paths.push_back(path);
    return paths;
}

class ImportCli : public vyr_cli_test::CliTest {};

TEST_F(ImportCli, BothSamplesBecomeStationsAndASecondImportChangesNothing) {
    const Outcome first = vyr({"import", project, sample("vyra0020.21o"),
                               sample("VYRB00XXX_R_20210021200_06M_30S_MO.rnx")});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_THAT(first.out, HasSubstr("station VYRA (marker VYRA): 20 epochs, "
                                     "2021-01-02T12:00:00.000 to 2021-01-02T12:09:30.000, "
                                     "systems GR"));
    EXPECT_THAT(first.out, HasSubstr("station VYRB (marker VYRB): 12 epochs"));
    EXPECT_THAT(first.out, HasSubstr("systems GRE"));
    EXPECT_TRUE(first.err.empty()) << first.err;

    const Outcome info = vyr({"info", project, "--json"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_THAT(info.out, HasSubstr("\"VYR GR405+GN\""));
    EXPECT_THAT(info.out, HasSubstr("\"A0816\""));

    const auto before = tree_of(project);
    const Outcome again = vyr({"import", project, sample("vyra0020.21o")});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_THAT(again.out, HasSubstr("site VYRA is in the project already as station VYRA"));
    EXPECT_THAT(differences(tree_of(project), before), ::testing::IsEmpty());
}

// A day split over files: a site continuing a station goes on it, a repeat changes nothing, an
// overlap is refused unless asked for a station of its own, other equipment makes a new station.
TEST_F(ImportCli, ASiteContinuingAStationIsAppendedAndAnOverlapRefused) {
    ASSERT_EQ(vyr({"import", project, write("a.rnx", v3_file("SITE", 3))}).status, 0);
    const struct {
        std::string file;
        std::vector<std::string> options;
        int status;
        std::string said;
    } steps[] = {
        {write("b.rnx", v3_file("SITE", 3, 3.0)),
         {},
         0,
         "station SITE (marker SITE): 3 epochs appended, 2020-03-01T00:00:03.000"},
        {dir / "a.rnx", {}, 0, "site SITE is in the project already as station SITE"},
        {write("ab.rnx", v3_file("SITE", 6)), {}, 0, "is in the project already as station SITE"},
        {write("overlap.rnx", v3_file("SITE", 3, 1.5)),
         {},
         1,
         "overlaps station SITE (2020-03-01T00:00:00.000 to 2020-03-01T00:00:05.000)"},
        {dir / "overlap.rnx", {"--new-station"}, 0, "station SITE_2 (marker SITE): 3 epochs,"},
        {write("other.rnx", v3_file("SITE", 3, 60.0, "SEPT POLARX5")),
         {},
         0,
         "station SITE_3 (marker SITE): 3 epochs,"},
    };
    for (const auto& step : steps) {
        std::vector<std::string> args{"import", project, step.file};
        args.insert(args.end(), step.options.begin(), step.options.end());
        const Outcome outcome = vyr(args);
        EXPECT_EQ(outcome.status, step.status) << step.file << ": " << outcome.err;
        EXPECT_THAT(outcome.out + outcome.err, HasSubstr(step.said)) << step.file;
    }
    const Outcome info = vyr({"info", project});
    EXPECT_THAT(info.out, HasSubstr("epochs\t6\n"));
}

TEST_F(ImportCli, AFailedFileNamesItsLineAndLeavesTheProjectAsItWas) {
    ASSERT_EQ(vyr({"import", project, sample("vyra0020.21o")}).status, 0);
    const auto before = tree_of(project);

    // 1500 good epochs (one batch written already), then an epoch cut short.
    std::string broken = v3_file("BROKEN", 1500) + "> 2020 03 01 01 00  0.0000000  0  2\nG05\n";
    const Outcome failed = vyr({"import", project, write("broken.rnx", broken)});
    EXPECT_EQ(failed.status, 1);
    EXPECT_THAT(failed.err, HasSubstr("broken.rnx:"));
    EXPECT_TRUE(failed.out.empty()) << failed.out;
    EXPECT_THAT(differences(tree_of(project), before), ::testing::IsEmpty());

    // A file that is no observation file, and one that is missing; a new project that received
    // nothing is not left behind.
    const std::string fresh = (dir / "fresh.vyr").string();
    const Outcome none = vyr({"import", fresh, write("x.txt", "hello\n"), (dir / "no").string()});
    EXPECT_EQ(none.status, 1);
    EXPECT_THAT(none.err, HasSubstr("x.txt: not a kind of file vyr imports"));
    EXPECT_THAT(none.err, HasSubstr("no: File not found."));
    EXPECT_FALSE(fs::exists(fresh));
}

// Under a file-size limit the command died of SIGXFSZ (status 153) without a word.
TEST_F(ImportCli, AFileSizeLimitIsAFailureNamingItAndTheProjectStaysAsItWas) {
    ASSERT_EQ(vyr({"import", project, sample("vyra0020.21o")}).status, 0);
    const std::string before = slurp(project);
    // The shell's limit counts 512-byte blocks: room for the project as it is and no more.
    const std::string cmd = "ulimit -f " + std::to_string(before.size() / 512 + 1) + "; " +
                            vyr_cli_test::quote(VYR_CLI_PATH) + " import " +
                            vyr_cli_test::quote(project) + " " +
                            vyr_cli_test::quote(sample("VYRB00XXX_R_20210021200_06M_30S_MO.rnx")) +
                            " 2>" + vyr_cli_test::quote((dir / "err").string());
    const int raw = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by a signal";
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_THAT(slurp(dir / "err"),
                HasSubstr("p.vyr: the file would grow past the size limit for files"));
    EXPECT_EQ(slurp(project), before);
}

// A station list cut inside a record was read as the shorter list; the next import committed
// it, leaving the other stations' storages unlisted for good.
TEST_F(ImportCli, AStationListCutInsideARecordIsDamageAndNothingIsWrittenOverIt) {
    ASSERT_EQ(vyr({"import", project, sample("vyra0020.21o"),
                   sample("VYRB00XXX_R_20210021200_06M_30S_MO.rnx")})
                  .status,
              0);
    const std::string unpacked = (dir / "tree").string();
    ASSERT_EQ(vyr({"cfb", "unpack", project, unpacked}).status, 0);
    const fs::path list = fs::path(unpacked) / "StationList";
    ASSERT_EQ(fs::file_size(list), 42u);  // two keys of 21 bytes
    for (const uintmax_t cut : {10u, 30u}) {
        fs::resize_file(list, cut);
        const std::string damaged = (dir / ("d" + std::to_string(cut) + ".vyr")).string();
        ASSERT_EQ(vyr({"cfb", "pack", unpacked, damaged}).status, 0);
        const std::string before = slurp(damaged);
        const Outcome info = vyr({"info", damaged});
        EXPECT_EQ(info.status, 1) << cut;
        EXPECT_THAT(info.err, HasSubstr(": damaged: the station list (StationList) does not read"))
            << cut;
        const Outcome import = vyr({"import", damaged, vyr_cli_test::sample("vyra0020.21o")});
        EXPECT_EQ(import.status, 1) << cut;
        EXPECT_THAT(import.err, HasSubstr(damaged + ": damaged: a stored list or record")) << cut;
        EXPECT_EQ(slurp(damaged), before) << cut;
    }
}

// A folder, a device and a pipe were each "File not found.".
TEST_F(ImportCli, AnInputThatIsNoRegularFileIsSaidForWhatItIs) {
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    fs::create_directories(dir / "folder");
    struct Row {
        std::string input;
        const char* said;
    };
    for (const Row& row : {Row{(dir / "folder").string(), "folder: is a folder, not a file"},
                           Row{"/dev/zero", "/dev/zero: is not a regular file"},
                           Row{(dir / "pipe").string(), "pipe: is not a regular file"},
                           Row{(dir / "none").string(), "none: File not found."}}) {
        const Outcome outcome = vyr({"import", project, row.input});
        EXPECT_EQ(outcome.status, 1) << row.input;
        EXPECT_THAT(outcome.err, HasSubstr(row.said)) << row.input;
    }
}

TEST_F(ImportCli, HeaderRecordsOffTheirColumnsImportWithGroupedWarnings) {
    std::string text = v3_file("LOGGER", 10);
    // Lines 6-8: slots a column off (read by their tokens), an unknown label, leap seconds that
    // are no number.
    text.insert(text.find(hdr("", "END OF HEADER")),
                hdr("  2  R01  1  R02 -4", "GLONASS SLOT / FRQ #") + hdr("Pixel 7", "PHONE MODEL") +
                    hdr("  many", "LEAP SECONDS"));
    // The unknown label again in 8 header records inside the data.
    for (int i = 0; i < 8; ++i)
        text += "> 2020 03 01 00 00 10.0000000  4  1\n" + hdr("Pixel 7", "PHONE MODEL");
    const std::string path = write("logger.rnx", text);
    const Outcome result = vyr({"import", project, path});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("station LOGGER (marker LOGGER): 10 epochs"));
    EXPECT_THAT(result.err,
                HasSubstr("vyr: " + path + ":7: warning: unknown header label \"PHONE MODEL\""));
    EXPECT_THAT(result.err,
                HasSubstr("vyr: " + path + ":8: warning: LEAP SECONDS is not readable"));
    // Nine of one kind: five shown with their lines, the rest counted in one line.
    size_t shown = 0;
    for (size_t at = 0; (at = result.err.find("PHONE MODEL", at)) != std::string::npos; ++at)
        ++shown;
    EXPECT_EQ(shown, 6u) << result.err;
    EXPECT_THAT(result.err, HasSubstr("vyr: " + path + ": warning: ... and 4 more like it"));
    EXPECT_THAT(result.err, ::testing::Not(HasSubstr("SLOT")));
}

TEST_F(ImportCli, StreamedImportStoresWhatTheInMemoryConversionAndAddEpochsStore) {
    const std::string file = write("long.rnx", v3_file("LONG", 2500));
    ASSERT_EQ(vyr({"import", project, file}).status, 0);

    // The same file through the converter into memory, then one AddEpochs.
    const std::string other = (dir / "q.vyr").string();
    {
        CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
        CVyrIPtrSmart<IVyrFileConverter> converter;
        ASSERT_EQ(root->GetFileConverter(converter), VYR_OK);
        std::vector<VYR_STATION_RINEX> sites;
        ASSERT_EQ(converter->ConvertRinexObs(file.c_str(), sites, nullptr), VYR_OK);
        ASSERT_EQ(sites.size(), 1u);
        ASSERT_EQ(sites[0].epochs.size(), 2500u);
        CVyrIPtrSmart<IVyrStorage> created;
        ASSERT_EQ(root->CreateStorage(other.c_str(), created), VYR_OK);
        CVyrIPtrSmart<IVyrCollectionStation> stations;
        ASSERT_EQ(created->GetStations(stations), VYR_OK);
        VYR_STATION_KEY key{};
        key.type = VYR_KEY_TEXT;
        std::memcpy(key.value, "LONG", 4);
        CVyrIPtrSmart<IVyrStation> station;
        ASSERT_EQ(stations->AddStation(key, station), VYR_OK);
        CVyrIPtrSmart<IVyrObservations> observations;
        ASSERT_EQ(station->GetObservations(observations), VYR_OK);
        ASSERT_EQ(observations->AddEpochs(sites[0].epochs), VYR_OK);
    }
    const auto streamed = tree_of(project);
    const auto gathered = tree_of(other);
    int compared = 0;
    for (const auto& [path, bytes] : gathered) {
        if (path.find("Observation") == std::string::npos &&
            path.find("Statistics") == std::string::npos)
            continue;
        ASSERT_EQ(streamed.count(path), 1u) << path;
        EXPECT_TRUE(streamed.at(path) == bytes) << path;
        ++compared;
    }
    EXPECT_GE(compared, 3);
}

// The text difference of a compact file: blank for an unchanged character, '&' for one that
// became a blank, trailing blanks dropped.
std::string text_difference(const std::string& before, const std::string& after) {
    std::string difference;
    for (size_t i = 0; i < after.size(); ++i) {
        const char old = i < before.size() ? before[i] : ' ';
        difference += after[i] == old ? ' ' : (after[i] == ' ' ? '&' : after[i]);
    }
    while (!difference.empty() && difference.back() == ' ') difference.pop_back();
    return difference;
}

// v3_file's observations in compact RINEX 3.0 form: 8 lines before the epochs, then 4 lines
// per epoch (epoch line, empty clock line, the two satellites).
std::string compact_v3_file(const char* marker, int count) {
    // The header is v3_file's own (6 lines) after the two lines of the compact form.
    std::string text =
        hdr("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
        hdr("TOOL 1.0                                01-Mar-20 00:00", "CRINEX PROG / DATE") +
        v3_file(marker, 0);
    std::string previous;
    char line[160];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "> 2020 03 01 %02d %02d %10.7f  0  2      G05G06",
                      i / 3600, i / 60 % 60, double(i % 60));
        text += (i == 0 ? std::string(line) : text_difference(previous, line)) + "\n\n";
        previous = line;
        // Pseudorange up 10.5 m and phase up 55 cycles an epoch: constant first differences.
        if (i == 0) {
            text += "3&20000000000 3&105000000250 3&40000   7\n";
            text += "3&20000001000 3&105000000250 3&41000   7\n";
        } else {
            text += i == 1 ? "10500 55000 0\n10500 55000 0\n" : "0 0 0\n0 0 0\n";
        }
    }
    return text;
}

TEST_F(ImportCli, ACompactFileImportsAndItsSummaryNamesIt) {
    // The expanded text goes to the temporary directory and is gone afterwards.
    const fs::path tmp = dir / "tmp";
    fs::create_directories(tmp);
    ASSERT_EQ(setenv("TMPDIR", tmp.c_str(), 1), 0);
    const std::string compact = write("site0600.20d", compact_v3_file("COMPACT", 90));
    const Outcome imported = vyr({"import", project, compact});
    unsetenv("TMPDIR");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_THAT(imported.out, HasSubstr(compact + ": station COMPACT (marker COMPACT): 90 epochs, "
                                                  "2020-03-01T00:00:00.000 to "
                                                  "2020-03-01T00:01:29.000, systems G"));
    EXPECT_TRUE(fs::is_empty(tmp));

    // The same observations in plain form are the same site: nothing new.
    const Outcome plain = vyr({"import", project, write("site.rnx", v3_file("COMPACT", 90))});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_THAT(plain.out, HasSubstr("is in the project already as station COMPACT"));
}

TEST_F(ImportCli, ADamagedCompactFileNamesItsLineAndLeavesTheProjectAsItWas) {
    ASSERT_EQ(vyr({"import", project, sample("vyra0020.21o")}).status, 0);
    const auto before = tree_of(project);
    const fs::path tmp = dir / "tmp";
    fs::create_directories(tmp);

    // Epoch 1400's first satellite (line 8 + 4 * 1400 + 3 = 5611) carries a broken difference.
    std::string text = compact_v3_file("BROKEN", 1500);
    size_t at = 0;
    for (int line = 1; line < 5611; ++line) at = text.find('\n', at) + 1;
    const size_t end = text.find('\n', at);
    ASSERT_EQ(text.substr(at, end - at), "0 0 0");
    text.replace(at, end - at, "0 1x5 0");
    const std::string broken = write("broken.crx", text);

    ASSERT_EQ(setenv("TMPDIR", tmp.c_str(), 1), 0);
    const Outcome failed = vyr({"import", project, broken});
    unsetenv("TMPDIR");
    EXPECT_EQ(failed.status, 1);
    // The line of the compact file that broke, after the expanded line the reader had come to.
    EXPECT_THAT(failed.err, HasSubstr(broken + ": expanded line "));
    EXPECT_THAT(failed.err, HasSubstr(": compact line 5611: G05 observation 2: difference \"1x5\" "
                                      "is not a whole number"));
    EXPECT_TRUE(failed.out.empty()) << failed.out;
    EXPECT_TRUE(fs::is_empty(tmp));
    EXPECT_THAT(differences(tree_of(project), before), ::testing::IsEmpty());
}

TEST_F(ImportCli, AProblemOfTheExpandedTextNamesTheCompactFile) {
    // The compact form is sound but the epoch it gives second is dated month 13: the observation
    // reader refuses it on line 10 of the expanded text (6 header lines, 3 per epoch).
    std::string text = compact_v3_file("MONTH", 3);
    const std::string second = std::string(20, ' ') + "1";  // the second epoch: 1 s later
    const size_t at = text.find("\n" + second + "\n");
    ASSERT_NE(at, std::string::npos);
    text.replace(at + 1, second.size(), "       1            1");  // and month 03 made 13
    const std::string bad = write("month.crx", text);
    const Outcome failed = vyr({"import", project, bad});
    EXPECT_EQ(failed.status, 1);
    EXPECT_THAT(failed.err, HasSubstr(bad + ": expanded line 10: ")) << failed.err;
    EXPECT_THAT(failed.err, ::testing::Not(HasSubstr(".rnx"))) << failed.err;
}

// A compact file inside gzip imports as its plain form does; cut short, it is refused whole.
TEST_F(ImportCli, ACompressedCompactFileImportsAndACutOneIsRefused) {
    const std::string compact = write("site0600.20d", compact_v3_file("PACKED", 3000));
    ASSERT_EQ(std::system(("gzip -k '" + compact + "'").c_str()), 0);
    const std::string packed = compact + ".gz";
    const Outcome imported = vyr({"import", project, packed});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_THAT(imported.out,
                HasSubstr(packed + ": station PACKED (marker PACKED): 3000 epochs, "));
    const Outcome plain = vyr({"import", project, write("site.rnx", v3_file("PACKED", 3000))});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_THAT(plain.out, HasSubstr("is in the project already as station PACKED"));

    const auto before = tree_of(project);
    std::string bytes = slurp(packed);
    bytes.resize(bytes.size() - 8);  // the trailer only: every line is there but its check
    const std::string cut = write("cut.crx.gz", bytes);
    const Outcome failed = vyr({"import", project, cut});
    EXPECT_EQ(failed.status, 1);
    EXPECT_THAT(failed.err, HasSubstr(cut + ": ")) << failed.err;
    EXPECT_THAT(failed.err, HasSubstr("gzip data is damaged: ")) << failed.err;
    EXPECT_THAT(differences(tree_of(project), before), ::testing::IsEmpty());
}

// A version-2 GPS file of count epochs at 1 s, G05 and G06 with L1 C1 D1 S1.
std::string v2_file(const char* marker, int count) {
    std::string text =
        hdr("     2.11           OBSERVATION DATA    G", "RINEX VERSION / TYPE") +
        hdr(marker, "MARKER NAME") + hdr("     4    L1    C1    D1    S1", "# / TYPES OF OBSERV") +
        hdr("  2020     3     1     0     0    0.0000000     GPS", "TIME OF FIRST OBS") +
        hdr("", "END OF HEADER");
    char line[160];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, " 20  3  1 %2d %2d %10.7f  0  2G05G06\n", i / 3600,
                      i / 60 % 60, double(i % 60));
        text += line;
        for (int s = 0; s < 2; ++s) {
            std::snprintf(line, sizeof line, "%14.3f  %14.3f  %14.3f  %14.3f  \n",
                          105000000.25 + i * 55.0, 20000000.0 + i * 10.5 + s, -1234.5 - s,
                          41.0 + s);
            text += line;
        }
    }
    return text;
}

TEST_F(ImportCli, ACutFileIsRefusedWithAHintAndItsCompleteEpochsImportedWithSalvage) {
    // Five whole epochs, then the sixth breaks off inside its first satellite's values.
    const std::string v2 = v2_file("CUTTWO", 6);
    const std::string v3 = v3_file("CUTTHREE", 6);
    // The compact form: 8 lines before the epochs, 4 per epoch; the sixth keeps its epoch line,
    // clock line and first satellite (line 31), its second satellite is missing.
    const std::string compact = compact_v3_file("CUTCRX", 6);
    size_t end = 0;
    for (int line = 0; line < 31; ++line) end = compact.find('\n', end) + 1;
    const std::string cutCompact = compact.substr(0, end);
    const auto gzipped = [this](const std::string& name, const std::string& text) {
        const std::string path = write(name, text);
        EXPECT_EQ(std::system(("gzip -f '" + path + "'").c_str()), 0);
        return slurp(path + ".gz");
    };
    // Whole but for the gzip trailer: all six epochs come out, then the read fails.
    std::string cutGzip = gzipped("whole.crx", compact);
    cutGzip.resize(cutGzip.size() - 8);
    struct Case {
        const char* name;
        std::string text;
        int epochs;         // complete before the cut
        const char* words;  // naming the cut
    };
    const Case cases[] = {
        {"cut.20o", v2.substr(0, v2.rfind(" 20  3  1  0  0  5") + 60), 5,
         "the file ends inside the epoch of line"},
        {"cut.rnx", v3.substr(0, v3.rfind("> 2020 03 01 00 00") + 60), 5,
         "the file ends inside the epoch of line"},
        {"cut.crx", cutCompact, 5, "compact line 31: the file ends inside an epoch"},
        {"cut-inside.crx.gz", gzipped("inside.crx", cutCompact), 5,
         "compact line 31: the file ends inside an epoch"},
        {"cut-short.crx.gz", cutGzip, 6, "gzip data is damaged: truncated gzip input"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = write(c.name, c.text);
        const std::string complete = std::to_string(c.epochs) + " complete epochs";
        const Outcome refused = vyr({"import", project, file});
        EXPECT_EQ(refused.status, 1);
        EXPECT_THAT(refused.err, HasSubstr(c.words));
        EXPECT_THAT(refused.err,
                    HasSubstr("\n" + complete + " could be imported with --salvage\n"));
        EXPECT_TRUE(refused.out.empty()) << refused.out;
        EXPECT_FALSE(fs::exists(project));  // nothing stored, not even the new project

        const Outcome salvaged = vyr({"import", "--salvage", project, file});
        EXPECT_EQ(salvaged.status, 0) << salvaged.err;
        EXPECT_THAT(salvaged.out,
                    HasSubstr(": " + std::to_string(c.epochs) +
                              " epochs, 2020-03-01T00:00:00.000 to 2020-03-01T00:00:0" +
                              std::to_string(c.epochs - 1) + ".000"));
        EXPECT_THAT(salvaged.err, HasSubstr(std::string(c.name) + ":"));
        EXPECT_THAT(salvaged.err, HasSubstr(std::string(": cut: ") + c.words));
        EXPECT_THAT(salvaged.err, HasSubstr("; " + complete + " imported"));
        fs::remove(project);
    }

    // A file that ends at an epoch boundary is whole: no cut, with or without --salvage.
    const Outcome whole = vyr({"import", project, write("whole.20o", v2_file("WHOLE", 3))});
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_THAT(whole.out, HasSubstr(": 3 epochs"));
    EXPECT_TRUE(whole.err.empty()) << whole.err;
}

TEST_F(ImportCli, Version2DopplerAndStrengthAreKeptUnlessAskedToLeaveThemOut) {
    const std::string file = write("ds.20o", v2_file("DS", 1));
    const std::string described = (dir / "described.vyr").string();
    ASSERT_EQ(vyr({"import", project, file}).status, 0);
    ASSERT_EQ(vyr({"import", "--v2-as-described", described, file}).status, 0);

    const Outcome kept = vyr({"obs", project, "DS", "--csv"});
    ASSERT_EQ(kept.status, 0) << kept.err;
    // G06: Doppler -1235.5, strength 42 dB-Hz as 840, flags phase, code, Doppler and quality.
    EXPECT_THAT(kept.out, HasSubstr("G06,1,20000001.000,105000000.250,-1235.500,840,0x000f"));
    const Outcome left = vyr({"obs", described, "DS", "--csv"});
    ASSERT_EQ(left.status, 0) << left.err;
    EXPECT_THAT(left.out, HasSubstr("G06,1,20000001.000,105000000.250,,0,0x0003"));
}

}  // namespace
