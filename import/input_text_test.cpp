// The input layer on files compressed at test time by the real tools: the text it hands out, and
// the one problem text of a damaged, cut or refused file.
#include "import/input_text.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "import/compact_rinex.h"
#include "import/convert_file_rinex_obs.h"
#include "import/import_test_support.h"

using namespace import_test;

namespace {

// The command that packs IN into OUT; empty for a plain copy.
struct Packer {
    const char* name;
    const char* command;  // with IN and OUT in place of the file names
};

const Packer kPackers[] = {
    {"plain", ""},
    {"gzip", "gzip -c IN > OUT"},
    {"bzip2", "bzip2 -c IN > OUT"},
    {"xz", "xz -c IN > OUT"},
    {"compress", "compress -c IN > OUT"},
    {"zip", "zip -q -j OUT IN"},
};

bool have_tool(const std::string& command) {
    const std::string tool = command.substr(0, command.find(' '));
    return std::system(("command -v " + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// Writes content and packs it; the packed file's path, or empty when the tool is missing.
std::string packed(const ScratchDir& dir, const Packer& packer, const std::string& name,
                   const std::string& content) {
    const std::string in = dir.Write(name, content);
    if (*packer.command == '\0') return in;
    if (!have_tool(packer.command)) return {};
    const std::string out = dir.Path(name + "." + packer.name);
    std::string command = packer.command;
    command.replace(command.find("IN"), 2, "'" + in + "'");
    command.replace(command.find("OUT"), 3, "'" + out + "'");
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return out;
}

// What a stream gives to its end, and the problem that stopped it.
struct Read {
    bool opened = false;
    std::string text;
    bool failed = false;
    std::string problem;
};

Read read_all(const std::string& path, vyr_import::Expansion expansion) {
    Read read;
    std::string opening;
    const vyr_import::TextFile file = vyr_import::open_input_text(path.c_str(), expansion, opening);
    read.opened = file != nullptr;
    if (!file) return read;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) read.text.append(buffer, n);
    read.failed = std::ferror(file.get()) != 0;
    read.problem = vyr_import::read_problem(file.get());
    return read;
}

// A compact RINEX 1.0 file of count epochs of one satellite, values as first differences.
std::string compact_v1(int count) {
    std::string text =
        hdr("1.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
        hdr("TOOL 1.0                                01-Jan-15 00:00", "CRINEX PROG / DATE") +
        hdr("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
        hdr("     2    L1    C1", "# / TYPES OF OBSERV") + hdr("", "END OF HEADER");
    for (int i = 0; i < count; ++i) {
        text += i == 0 ? "&15  2 13  0  0  0.0000000  0  1G07\n"
                       : std::string(24, ' ') + std::to_string(i % 10) + "\n";
        text += "\n";  // no clock offset
        text += i == 0 ? "1&120000000 1&22000000000\n" : "17 -3\n";
    }
    return text;
}

// What the expander makes of a compact text: the text the input layer must hand out.
std::string expanded(const std::string& compact) {
    CCompactRinexExpander expander;
    std::string out;
    size_t at = 0;
    while (at < compact.size()) {
        const size_t end = compact.find('\n', at);
        EXPECT_TRUE(expander.Feed(compact.substr(at, end - at), out)) << expander.Problem();
        at = end + 1;
    }
    EXPECT_TRUE(expander.Finish()) << expander.Problem();
    return out;
}

TEST(InputText, EachPackingGivesTheDecodedTextWithCompactExpanded) {
    // Long enough to span many reads, with CR LF line ends that come out as LF.
    std::string plainCrLf;
    std::string plainLf;
    for (int i = 0; i < 20000; ++i) {
        const std::string line = "line " + std::to_string(i) + std::string(i % 70, 'x');
        plainCrLf += line + "\r\n";
        plainLf += line + "\n";
    }
    const std::string compact = compact_v1(3000);
    const std::string plainOfCompact = expanded(compact);
    ScratchDir dir;
    for (const Packer& packer : kPackers) {
        SCOPED_TRACE(packer.name);
        const std::string text = packed(dir, packer, "text", plainCrLf);
        const std::string crx = packed(dir, packer, "obs.crx", compact);
        if (text.empty()) {
            std::cerr << "skipped: " << packer.name << " is not installed\n";
            continue;
        }
        const Read fromText = read_all(text, vyr_import::Expansion::kCompact);
        EXPECT_FALSE(fromText.failed) << fromText.problem;
        EXPECT_TRUE(fromText.text == plainLf);
        const Read fromCompact = read_all(crx, vyr_import::Expansion::kCompact);
        EXPECT_FALSE(fromCompact.failed) << fromCompact.problem;
        EXPECT_TRUE(fromCompact.text == plainOfCompact);
        // Decompressed only, compact stays compact: kind detection looks at "CRINEX".
        EXPECT_TRUE(read_all(crx, vyr_import::Expansion::kAsStored).text == compact);
    }
}

// A byte changed in the middle of a file; a file cut short; cut just before its trailer, so
// that every line came out whole and only the check at the end is missing.
enum class Damage { kChangedByte, kCutInHalf, kTrailerCut };

TEST(InputText, DamagedAndCutFilesFailWithOneLineNamingWhatBroke) {
    std::string plain;
    for (int i = 0; i < 5000; ++i) plain += "value " + std::to_string(i * 7919 % 10007) + "\n";
    struct Case {
        size_t packer;
        Damage damage;
        const char* problemStart;
    };
    const Case cases[] = {
        {1, Damage::kChangedByte, "gzip data is damaged: "},
        {1, Damage::kCutInHalf, "gzip data is damaged: "},
        {1, Damage::kTrailerCut, "gzip data is damaged: "},
        {2, Damage::kChangedByte, "bzip2 data is damaged: "},
        {2, Damage::kCutInHalf, "bzip2 data is damaged: "},
        {3, Damage::kCutInHalf, "xz data is damaged: "},
        {3, Damage::kTrailerCut, "xz data is damaged: "},
        {5, Damage::kCutInHalf, "zip data is damaged: "},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        const Packer& packer = kPackers[c.packer];
        SCOPED_TRACE(std::string(packer.name) + " damage " +
                     std::to_string(static_cast<int>(c.damage)));
        const std::string path = packed(dir, packer, "text", plain);
        if (path.empty()) continue;
        std::string bytes = file_text(path);
        switch (c.damage) {
            case Damage::kChangedByte:
                bytes[bytes.size() / 2] ^= 0x55;
                break;
            case Damage::kCutInHalf:
                bytes.resize(bytes.size() / 2);
                break;
            case Damage::kTrailerCut:
                bytes.resize(bytes.size() - 4);
                break;
        }
        const Read read = read_all(dir.Write("damaged", bytes), vyr_import::Expansion::kCompact);
        ASSERT_TRUE(read.opened);
        EXPECT_TRUE(read.failed);
        EXPECT_EQ(read.problem.rfind(c.problemStart, 0), 0u) << read.problem;
        EXPECT_EQ(read.problem.find('\n'), std::string::npos) << read.problem;
        EXPECT_GT(read.problem.size(), std::string(c.problemStart).size()) << read.problem;
    }
}

TEST(InputText, AZipOfTwoFilesIsRefusedAndAnEmptyOneToo) {
    ScratchDir dir;
    if (!have_tool("zip")) GTEST_SKIP() << "zip is not installed";
    const std::string a = dir.Write("a.txt", "first\n");
    const std::string b = dir.Write("b.txt", "second\n");
    const std::string two = dir.Path("two.zip");
    ASSERT_EQ(std::system(("zip -q -j '" + two + "' '" + a + "' '" + b + "'").c_str()), 0);
    const Read read = read_all(two, vyr_import::Expansion::kCompact);
    ASSERT_TRUE(read.opened);
    EXPECT_TRUE(read.failed);
    EXPECT_TRUE(read.text.empty());  // no part of the first file is handed out
    EXPECT_NE(read.problem.find("more than one file"), std::string::npos) << read.problem;

    // The end record of a zip without files, as every writer of the format makes it.
    const std::string empty =
        dir.Write("empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    const Read none = read_all(empty, vyr_import::Expansion::kCompact);
    EXPECT_TRUE(none.failed);
    EXPECT_NE(none.problem.find("holds no file"), std::string::npos) << none.problem;
}

TEST(InputText, ACompactLineThatDoesNotExpandNamesTheCompactLine) {
    // Line 5 of the header is END OF HEADER; epoch i takes lines 6 + 3i to 8 + 3i.
    std::string compact = compact_v1(50);
    const size_t at = compact.find("17 -3\n", compact.find("17 -3\n") + 1);  // line 14
    compact.replace(at, 5, "17 -x");
    ScratchDir dir;
    for (size_t packer : {size_t{0}, size_t{1}}) {
        const std::string path = packed(dir, kPackers[packer], "bad.crx", compact);
        if (path.empty()) continue;
        const Read read = read_all(path, vyr_import::Expansion::kCompact);
        EXPECT_TRUE(read.failed);
        EXPECT_EQ(read.problem.rfind("compact line 14: G07 observation 2: difference", 0), 0u)
            << read.problem;
        // What came before the damaged line was handed out.
        EXPECT_EQ(read.text.rfind(expanded(compact_v1(2)), 0), 0u);
    }
    // Cut inside an epoch: the end of the compact file is the problem.
    const Read cut =
        read_all(dir.Write("cut.crx", compact_v1(5).substr(0, compact_v1(5).size() - 6)),
                 vyr_import::Expansion::kCompact);
    EXPECT_TRUE(cut.failed);
    EXPECT_NE(cut.problem.find("ends inside an epoch"), std::string::npos) << cut.problem;
}

TEST(InputText, MissingFilesDoNotOpenAndOtherStreamsHaveNoProblem) {
    std::string problem;
    EXPECT_EQ(
        vyr_import::open_input_text("/nonexistent/x.gz", vyr_import::Expansion::kCompact, problem),
        nullptr);
    EXPECT_FALSE(problem.empty());
    EXPECT_EQ(vyr_import::read_problem(nullptr), "");
    EXPECT_EQ(vyr_import::read_problem(stdin), "");
}

// A version-3 file of count epochs.
std::string v3_text(int count) {
    std::string text =
        hdr("     3.04           OBSERVATION DATA    G", "RINEX VERSION / TYPE") +
        hdr("SITE", "MARKER NAME") + hdr("G    2 C1C L1C", "SYS / # / OBS TYPES") +
        hdr("  2018     7    29    12     0    0.0000000     GPS", "TIME OF FIRST OBS") +
        hdr("", "END OF HEADER");
    for (int i = 0; i < count; ++i)
        text += format("> 2018 07 29 12 %02d %10.7f  0  1\n", i / 60, (i % 60) * 1.0) + "G05" +
                obs(20000000.0 + i) + obs(1.05e8 + i) + "\n";
    return text;
}

TEST(InputText, ConvertersSeeTheReadFailureOfACompressedFileCutAtAnEpoch) {
    ScratchDir dir;
    const std::string path = packed(dir, kPackers[1], "obs.rnx", v3_text(2000));
    ASSERT_FALSE(path.empty());
    const auto convert = [](const std::string& file, std::vector<VYR_STATION_RINEX>& out,
                            std::string& problem) {
        CConvertFileRinexObs converter;
        EXPECT_EQ(converter.SetFileName(file.c_str()), VYR_OK);
        const VYR_ERROR result = converter.Convert(out, nullptr);
        problem = converter.Report().failure.problem;
        return result;
    };
    std::vector<VYR_STATION_RINEX> plain;
    std::vector<VYR_STATION_RINEX> whole;
    std::string problem;
    ASSERT_EQ(convert(dir.Path("obs.rnx"), plain, problem), VYR_OK) << problem;
    ASSERT_EQ(convert(path, whole, problem), VYR_OK) << problem;
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].epochs.size(), plain.at(0).epochs.size());

    // Only the trailer is missing: every epoch comes out, and still it is no success.
    std::string bytes = file_text(path);
    bytes.resize(bytes.size() - 8);
    std::vector<VYR_STATION_RINEX> cut;
    EXPECT_NE(convert(dir.Write("cut.rnx.gz", bytes), cut, problem), VYR_OK);
    EXPECT_EQ(problem.rfind("gzip data is damaged: ", 0), 0u) << problem;
}

// One gzip member of text made by zlib; level 0 stores the text as it is, so that a changed byte
// of it still inflates and only the trailer's check can tell.
std::string gzip_member(const std::string& text, int level) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, text.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

TEST(InputText, GzipTrailerIsCheckedAndMembersFollowOneAnother) {
    const std::string first = v3_text(300);
    const std::string second = "second member\n";
    const std::string stored = gzip_member(first, 0);
    // The trailer: CRC-32 then the length, the last eight bytes.
    const size_t crcAt = stored.size() - 8;
    struct Case {
        const char* what;
        std::string bytes;
        std::string text;     // what the stream hands out
        const char* problem;  // nullptr: read to its end without failure
    };
    const auto changed = [](std::string bytes, size_t at) {
        bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
        return bytes;
    };
    const Case cases[] = {
        {"one member", stored, first, nullptr},
        {"a byte of the stored data changed", changed(stored, stored.size() / 2), "",
         "gzip data is damaged: CRC mismatch"},
        {"a byte of the CRC changed", changed(stored, crcAt + 1), "",
         "gzip data is damaged: CRC mismatch"},
        {"a byte of the length changed", changed(stored, crcAt + 5), "",
         "gzip data is damaged: length mismatch"},
        {"two members", gzip_member(first, 9) + gzip_member(second, 6), first + second, nullptr},
        {"a stored member then a compressed one", stored + gzip_member(second, 9), first + second,
         nullptr},
        {"the second member's CRC changed",
         stored + changed(gzip_member(second, 9), gzip_member(second, 9).size() - 8), "",
         "gzip data is damaged: CRC mismatch"},
        {"the second member cut", stored + gzip_member(second, 9).substr(0, 12), "",
         "gzip data is damaged: truncated gzip input"},
        {"zero padding after the last member", stored + std::string(512, '\0'), first, nullptr},
        {"other bytes after the last member", stored + "junk", "", "gzip data is damaged: "},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Read read =
            read_all(dir.Write("member.gz", c.bytes), vyr_import::Expansion::kAsStored);
        ASSERT_TRUE(read.opened);
        EXPECT_EQ(read.failed, c.problem != nullptr) << read.problem;
        if (c.problem == nullptr) {
            EXPECT_TRUE(read.text == c.text);
        } else {
            EXPECT_EQ(read.problem.rfind(c.problem, 0), 0u) << read.problem;
        }
    }
}

}  // namespace
